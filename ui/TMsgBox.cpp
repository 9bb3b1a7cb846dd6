#include "ui/TMsgBox.h"

#include "ui/FormTemplate.h"
#include "ui/Resources.h"
#include "util/Text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace drav::ui {
namespace {

// The box's window: closes only when the program closes it.
class WaitWindow : public QDialog {
public:
    WaitWindow() : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setModal(false);
    }
    bool m_mayClose = false;

protected:
    void closeEvent(QCloseEvent* e) override {
        if (m_mayClose)
            e->accept();
        else
            e->ignore();
    }
    void keyPressEvent(QKeyEvent* e) override {
        // Esc (and Alt+F4, which arrives as a close request) must not close it.
        if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_F4) {
            e->accept();
            return;
        }
        QDialog::keyPressEvent(e);
    }
    void reject() override {
        if (m_mayClose) QDialog::reject();
    }
};

QStringList linesOf(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t.split(QLatin1Char('\n'));
}

void centre(QWidget* w) {
    QScreen* s = w->screen() ? w->screen() : QApplication::primaryScreen();
    if (!s) return;
    QRect area = s->availableGeometry();
    w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

}  // namespace

TMsgBox::~TMsgBox() {
    end();
}

QFont TMsgBox::boxFont() {
    QFont f(QStringLiteral("Segoe UI"));
    f.setPixelSize(kCharHeight);
    return f;
}

int TMsgBox::lineCount(const QString& text) {
    int n = 0;
    for (const QString& line : linesOf(text)) n += std::max<int>(1, (line.size() + 1023) / 1024);
    return n;
}

int TMsgBox::maxWidth(const QString& text, const QFont& font) {
    QFontMetrics fm(font);
    int w = 0;
    for (const QString& line : linesOf(text)) w = std::max(w, fm.horizontalAdvance(trimRight(line)));
    return w;
}

void TMsgBox::create(const QString& text, const QString& title, std::optional<int> rangeStart,
                     std::optional<int> rangeEnd, bool print) {
    end();
    initResources();
    hWnd = QApplication::activeWindow();
    m_print = print;
    m_text = text;
    auto* dlg = new WaitWindow;
    oDlg = dlg;
    dlg->setCursor(Qt::WaitCursor);

    if (print) {
        nPag = 0;
        dlg->setObjectName(QStringLiteral("PRINTDLG"));
        buildTemplate(QStringLiteral("PRINTDLG"), *dlg);
        dlg->setWindowTitle(QStringLiteral("Attendere"));
        m_label = dlg->findChild<QLabel*>(QStringLiteral("102"));
        if (m_label) m_label->setText(text);
        if (auto* cancel = dlg->findChild<QPushButton*>(QStringLiteral("201"))) cancel->hide();
        dlg->setFixedSize(dlg->width(), dlg->height() - 33);
    } else {
        dlg->setObjectName(QStringLiteral("TMsgBox"));
        dlg->setWindowTitle(title.isEmpty() ? QStringLiteral("Attendere") : title);
        const QFont font = boxFont();
        dlg->setFont(font);
        int lines = lineCount(text);
        int width = maxWidth(text, font);
        if (text.isEmpty()) {
            lines = 1;
            width = 100;
        }
        const int textLines = lines;
        auto* icon = new QLabel(dlg);
        icon->setObjectName(QStringLiteral("icon"));
        icon->setPixmap(bitmap(QStringLiteral("EXCLAMATION"), QSize(32, 32)));
        icon->setGeometry(16, 17, 32, 32);
        m_label = new QLabel(text, dlg);
        m_label->setObjectName(QStringLiteral("text"));
        m_label->setTextFormat(Qt::PlainText);
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (rangeStart) {
            oPrg = new QProgressBar(dlg);
            oPrg->setRange(*rangeStart, rangeEnd.value_or(*rangeStart + 100));
            oPrg->setValue(*rangeStart);
            oPrg->setTextVisible(false);
            lines += 1;
            width += 5;
        }
        dlg->setFixedSize(width + 110, (lines + 5) * kCharHeight);
        m_label->setGeometry(65, 25, width + 20, textLines * kCharHeight);
        placeProgressBar();
    }
    centre(dlg);
    dlg->show();
    if (hWnd) hWnd->setEnabled(false);
}

void TMsgBox::placeProgressBar() {
    // The bar keeps 21 pixels below it, whatever the box's height.
    if (oPrg && oDlg) oPrg->setGeometry(15, oDlg->height() - 41, oDlg->width() - 45, 20);
}

void TMsgBox::setMsg(const QString& text, bool keepSize) {
    if (!oDlg || !m_label) return;
    m_label->setText(text);
    if (!keepSize) {
        const QFont font = m_label->font();
        const int width = maxWidth(text, font);
        if (width != maxWidth(m_text, font)) {
            oDlg->setFixedWidth(width + 108);
            m_label->resize(width + 20, m_label->height());
            centre(oDlg);
            oDlg->update();
            placeProgressBar();
        }
    }
    m_text = text;
}

void TMsgBox::setPos(int position) {
    if (oPrg) oPrg->setValue(position);
}

void TMsgBox::end() {
    QPointer<QWidget> owner = hWnd;
    if (hWnd) hWnd->setEnabled(true);
    hWnd = nullptr;
    if (!oDlg) return;
    QApplication::processEvents();
    if (auto* w = static_cast<WaitWindow*>(oDlg.data())) {
        w->m_mayClose = true;
        w->close();
        delete w;
    }
    oPrg = nullptr;
    m_label = nullptr;
    m_text.clear();
    // The owner was the active window when the box opened: it is again.
    if (owner && owner->isVisible()) owner->activateWindow();
}

}  // namespace drav::ui
