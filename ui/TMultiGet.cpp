#include "ui/TMultiGet.h"

#include "ui/EventGuard.h"
#include "util/Cp1252.h"

#include <QEvent>
#include <QPlainTextEdit>

namespace drav::ui {
namespace {

QString rtrim(const QString& s) {
    int n = s.size();
    while (n > 0 && s.at(n - 1).isSpace()) --n;
    return s.left(n);
}

}  // namespace

TMultiGet::TMultiGet(int id, Binding value, TContainer& form, TMultiGetArgs args,
                     std::source_location where)
    : TControl(id, std::move(value), form, where) {
    bWhen = std::move(args.when);
    lReadOnly = args.readOnly;
    Cargo = std::move(args.valid);
    bChange = std::move(args.change);
    cVarName = args.varName;
    bGotFocus = std::move(args.gotFocus);
    bLostFocus = std::move(args.lostFocus);
    if (QPlainTextEdit* e = attach<QPlainTextEdit>(id)) {
        e->setReadOnly(lReadOnly);
        e->setTabChangesFocus(true);
        e->installEventFilter(this);
        connect(e, &QPlainTextEdit::textChanged, this, [this] {
            if (m_showing) return;
            m_changed = true;
            runChange();
        });
    }
}

QPlainTextEdit* TMultiGet::edit() const {
    return qobject_cast<QPlainTextEdit*>(m_widget.data());
}

QString TMultiGet::boundText() const {
    const Value v = bSetGet.value();
    QString t = isText(v) ? fromCp1252(std::get<std::string>(v)) : QString();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

QString TMultiGet::text() const {
    QPlainTextEdit* e = edit();
    return e ? e->toPlainText() : QString();
}

void TMultiGet::refresh() {
    QPlainTextEdit* e = edit();
    if (!e) return;
    m_changed = false;
    m_valueAtEdit = bSetGet.value();
    m_showing = true;
    e->setPlainText(rtrim(boundText()));
    m_showing = false;
}

void TMultiGet::refreshIfChanged() {
    // Lines typed and not yet stored stay on screen: only a text changed by
    // the screen itself is shown again.
    if (m_changed && bSetGet.value() == m_valueAtEdit) return;
    if (rtrim(boundText()) != rtrim(text())) refresh();
}

void TMultiGet::assign() {
    // Only what the user typed is stored: an untouched field already shows
    // its value, which the screen may have changed meanwhile.
    if (lReadOnly || !edit() || !m_changed) return;
    QString t = text();
    t.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    bSetGet.store(toCp1252(t));
    m_changed = false;
    m_valueAtEdit = bSetGet.value();
}

bool TMultiGet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_widget) {
        if (event->type() == QEvent::FocusIn && bGotFocus) runGuarded(bGotFocus);
        if (event->type() == QEvent::FocusOut) {
            assign();
            if (bLostFocus) runGuarded(bLostFocus);
        }
    }
    return false;
}

}  // namespace drav::ui
