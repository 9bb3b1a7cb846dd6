#include "ui/TDialog.h"

#include "ui/EventGuard.h"
#include "ui/FormTemplate.h"
#include "ui/TControl.h"
#include "util/Error.h"
#include "util/Messages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace drav::ui {

TDialog::TDialog(const QString& caption, const QString& resName, QWidget* owner)
    : QDialog(owner), cResName(resName), m_caption(caption) {
    setObjectName(resName);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_templateFound = buildTemplate(resName, *this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (now && isAncestorOf(now) && qobject_cast<QPushButton*>(now))
            m_beforeButton = (old && isAncestorOf(old)) ? old : nullptr;
    });
}

TDialog::~TDialog() {
    // The controls go first: hiding a form that is still shown moves the
    // focus, and a field losing the focus would store its text into a
    // screen variable that may already be gone.
    aControls.clear();
    qDeleteAll(findChildren<TControl*>(Qt::FindDirectChildrenOnly));
}

void TDialog::definitionError(const QString& message) {
    if (!m_defError) m_defError = message;
}

QPushButton* TDialog::defaultButton() const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->isDefault()) return b;
    return nullptr;
}

int TDialog::activate(ActivateArgs args) {
    rethrowPendingProgramEnd();
    lCentered = args.centered;
    lCenterInWnd = args.centerInWnd;
    lModal = args.modal;
    bValid = args.valid;
    bInit = args.init;
    bWhen = args.when;

    // A form that cannot be built as the screen describes it cannot be used:
    // the message names what is missing, then the program ends.
    if (!m_templateFound) {
        msgInfo(QStringLiteral("Resource not found: ") + cResName);
        throw ProgramEnd(1);
    }
    if (m_defError) {
        msgInfo(*m_defError);
        throw ProgramEnd(1);
    }
    if (bWhen && !bWhen()) {
        nResult = 2;
        return nResult;
    }

    QWidget* owner = args.owner ? args.owner : QApplication::activeWindow();
    if (owner == this) owner = nullptr;
    if (owner && parentWidget() != owner) setParent(owner, windowFlags());

    initiate();
    if (lCentered) center(lCenterInWnd ? owner : nullptr);

    if (!lModal) {
        show();
        return nResult;
    }
    m_running = true;
    exec();
    m_running = false;
    rethrowPendingProgramEnd();
    return nResult;
}

void TDialog::initiate() {
    if (!m_caption.isEmpty()) setWindowTitle(m_caption);
    for (TControl* c : aControls) c->initiate();
    if (bInit) bInit();
    evalWhens();
}

void TDialog::center(QWidget* owner) {
    QRect area;
    if (owner)
        area = owner->frameGeometry();
    else if (QScreen* s = screen() ? screen() : QApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void TDialog::end(int result) {
    if (m_ending) return;
    m_ending = true;
    bool allowed = true;
    try {
        if (bValid) allowed = bValid();
    } catch (...) {
        m_ending = false;
        throw;
    }
    m_ending = false;
    if (!allowed) return;
    nResult = result;
    done(result);
}

void TDialog::reject() {
    // Esc and the window's close box: result 2 through the close permission.
    runGuarded([this] { end(2); });
}

void TDialog::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        QWidget* focused = focusWidget();
        if (auto* button = qobject_cast<QPushButton*>(focused)) {
            button->click();
            return;
        }
        focusNextChild();
        if (QPushButton* def = defaultButton(); def && def->isVisible() && def->isEnabled())
            def->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace drav::ui
