#include "ui/TGet.h"

#include "ui/EventGuard.h"
#include "util/Cp1252.h"
#include "util/NumFormat.h"
#include "util/Text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace drav::ui {
namespace {

QString formatNumber(double value, const EditMask& mask) {
    return QString::fromStdString(transform(value, mask.picture().toStdString()));
}

// The template of a date field: the date text with every digit a "9".
QString dateTemplate() {
    QString t = QString::fromLatin1(Date::fromYmd(2000, 1, 1).toText());
    for (QChar& c : t)
        if (c.isDigit()) c = QLatin1Char('9');
    return t;
}

bool isEmptyValue(const Value& v) {
    if (auto* s = std::get_if<std::string>(&v))
        return s->find_first_not_of(' ') == std::string::npos;
    if (auto* d = std::get_if<double>(&v)) return *d == 0;
    if (auto* d = std::get_if<Date>(&v)) return d->isEmpty();
    if (auto* b = std::get_if<bool>(&v)) return !*b;
    return true;
}

// The number at the start of the text, "," taken as the decimal point;
// 0 when the text does not start with one.
double leadingNumber(const QString& text) {
    QString s = text.trimmed();
    QString num;
    int i = 0;
    if (i < s.size() && s.at(i) == QLatin1Char('-')) num += s.at(i++);
    bool point = false;
    for (; i < s.size(); ++i) {
        QChar c = s.at(i);
        if (c.isDigit())
            num += c;
        else if (c == QLatin1Char(',') && !point) {
            point = true;
            num += QLatin1Char('.');
        } else
            break;
    }
    bool ok = false;
    double v = num.toDouble(&ok);
    return ok ? v : 0.0;
}

struct Selection {
    int caret = 0;
    int start = 0;
    int length = 0;
    bool any() const { return length > 0; }
};

Selection selectionOf(const QLineEdit* e) {
    Selection s;
    if (!e) return s;
    s.caret = e->cursorPosition();
    if (e->hasSelectedText()) {
        s.start = e->selectionStart();
        s.length = e->selectionLength();
    } else {
        s.start = s.caret;
    }
    return s;
}

}  // namespace

// ---- Binding and display -------------------------------------------------

TGet::TGet(int id, Binding value, TContainer& form, TGetArgs args, std::source_location where)
    : TControl(id, std::move(value), form, where), m_mask(args.mask) {
    Cargo = std::move(args.valid);
    bWhen = std::move(args.when);
    bChange = std::move(args.change);
    lReadOnly = args.readOnly;
    lPassword = args.password;
    cVarName = args.varName;
    bGotFocus = std::move(args.gotFocus);
    bLostFocus = std::move(args.lostFocus);

    const Value v = bSetGet.value();
    m_kind = typeLetter(v);
    if (m_kind == 'U') m_kind = 'C';
    if (m_kind == 'D' && m_mask.isEmpty()) m_mask = EditMask(dateTemplate());
    if (m_kind == 'N' && m_mask.isEmpty()) {
        // A number bound without a mask shows the ten digits of a computed
        // value, with two decimals when it has a fraction.
        double d = std::get<double>(v);
        m_mask = EditMask(d == static_cast<long long>(d) ? QStringLiteral("9999999999")
                                                         : QStringLiteral("9999999999.99"));
    }
    if (m_kind == 'C') m_fieldLen = static_cast<int>(std::get<std::string>(v).size());
    m_activeMask = m_mask;
    cCode = isEmptyValue(v) ? Value(std::string()) : args.code;
    if (isNil(cCode)) cCode = Value(std::string());

    if (QLineEdit* e = attach<QLineEdit>(id)) {
        e->installEventFilter(this);
        e->setReadOnly(lReadOnly);
        e->setContextMenuPolicy(Qt::NoContextMenu);
        e->setDragEnabled(false);
        e->setAcceptDrops(false);
    }
}

QLineEdit* TGet::edit() const {
    return qobject_cast<QLineEdit*>(m_widget.data());
}

bool TGet::paddedTemplate() const {
    return (m_kind == 'C' || m_kind == 'D') && m_mask.hasFixed();
}

bool TGet::overtype() const {
    return paddedTemplate();
}

int TGet::maxLength() const {
    switch (m_kind) {
        case 'N':
            return static_cast<int>(
                formatNumber(std::get<double>(bSetGet.value()), m_activeMask.withoutZ()).size());
        case 'D':
            return static_cast<int>(m_mask.templ().size());
        case 'L':
            return 1;
        default:
            if (paddedTemplate()) return static_cast<int>(m_mask.templ().size());
            if (m_mask.hasTemplate())
                return std::min(m_fieldLen, static_cast<int>(m_mask.templ().size()));
            return m_fieldLen;
    }
}

QString TGet::valueText(bool editing) const {
    const Value v = bSetGet.value();
    switch (m_kind) {
        case 'N': {
            const double d = isNumber(v) ? std::get<double>(v) : 0.0;
            // While editing: no digit-group separators, and zero shows as 0.
            EditMask m = editing ? m_mask.withoutCommas().withoutZ() : m_mask;
            return formatNumber(d, m).trimmed();
        }
        case 'D':
            return QString::fromLatin1(isDate(v) ? std::get<Date>(v).toText() : Date().toText());
        case 'L':
            return (isLogical(v) && std::get<bool>(v)) ? QStringLiteral("T") : QStringLiteral("F");
        default: {
            const QString s = isText(v) ? fromCp1252(std::get<std::string>(v)) : QString();
            if (!paddedTemplate()) return trimRight(s);
            // Fixed characters always show, whatever the value holds there.
            const QString& t = m_mask.templ();
            QString out(t.size(), QLatin1Char(' '));
            for (int i = 0; i < t.size(); ++i)
                out[i] = m_mask.isFixed(i) ? t.at(i) : (i < s.size() ? s.at(i) : QLatin1Char(' '));
            return out;
        }
    }
}

QString TGet::displayText() const {
    return m_typed ? *m_typed : valueText(false);
}

QString TGet::editText() const {
    return m_typed ? *m_typed : valueText(true);
}

void TGet::show(const QString& text, int caret, int selStart, int selLen) {
    m_buffer = text;
    QLineEdit* e = edit();
    if (!e) return;
    e->setText(lPassword ? QString(text.size(), QChar(0x2022)) : text);
    if (selLen > 0)
        e->setSelection(selStart, selLen);
    else
        e->setCursorPosition(std::clamp(caret, 0, static_cast<int>(text.size())));
}

void TGet::refresh() {
    m_typed.reset();
    m_changed = false;
    if (m_editing) {
        m_valueAtEdit = bSetGet.value();
        QString t = editText();
        show(t, t.size());
    } else {
        show(displayText(), 0);
    }
}

void TGet::refreshIfChanged() {
    // What the user typed and has not yet reached the bound value stays on
    // screen: only a value changed by the screen itself is shown again.
    if ((m_editing || m_typed) && bSetGet.value() == m_valueAtEdit) return;
    if (m_editing) {
        refresh();
        return;
    }
    if (trimRight(valueText(false)) != trimRight(m_buffer)) refresh();
}

void TGet::assign() {
    // Only what the user typed is stored: the display of an untouched field
    // already is its value, which the screen may have changed meanwhile.
    if (!m_editing || lReadOnly || !m_changed) return;
    m_changed = false;
    m_typed.reset();
    switch (m_kind) {
        case 'N': {
            const double d = leadingNumber(m_buffer);
            bSetGet.store(d);
            if (formatNumber(d, m_mask).contains(QLatin1Char('*'))) m_typed = m_buffer;
            break;
        }
        case 'D': {
            const Date d = Date::fromText(m_buffer.toStdString());
            bSetGet.store(d);
            QString digits = m_buffer;
            digits.remove(QLatin1Char('/'));
            if (d.isEmpty() && !digits.trimmed().isEmpty()) m_typed = m_buffer;
            break;
        }
        case 'L':
            bSetGet.store(m_buffer == QLatin1String("T"));
            break;
        default: {
            QString t = m_buffer;
            if (t.size() < m_fieldLen) t += QString(m_fieldLen - t.size(), QLatin1Char(' '));
            bSetGet.store(toCp1252(t));
            break;
        }
    }
    m_valueAtEdit = bSetGet.value();
}

bool TGet::hasInvalidDate() const {
    if (m_kind != 'D') return false;
    QString digits = m_buffer;
    digits.remove(QLatin1Char('/'));
    if (digits.trimmed().isEmpty()) return false;
    return Date::fromText(m_buffer.toStdString()).isEmpty();
}

bool TGet::numberTooBig() const {
    if (m_kind != 'N') return false;
    const Value v = bSetGet.value();
    return formatNumber(isNumber(v) ? std::get<double>(v) : 0.0, m_mask).contains(QLatin1Char('*'));
}

// ---- Focus ---------------------------------------------------------------

void TGet::focusIn() {
    if (m_editing) return;
    m_editing = true;
    // Numbers are edited without digit-group separators.
    m_activeMask = m_kind == 'N' ? m_mask.withoutCommas() : m_mask;
    m_valueAtEdit = bSetGet.value();
    m_hasUndo = false;
    m_changed = false;
    const QString t = editText();
    show(t, t.size(), 0, t.size());
    if (bGotFocus) runGuarded(bGotFocus);
}

void TGet::focusOut() {
    if (!m_editing) return;
    assign();
    m_editing = false;
    m_activeMask = m_mask;
    show(displayText(), 0);
    if (bLostFocus) runGuarded(bLostFocus);
}

bool TGet::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widget) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
            focusIn();
            return false;
        case QEvent::FocusOut:
            focusOut();
            return false;
        case QEvent::InputMethod: {
            // Composed characters (dead keys, input methods) follow the same rules.
            auto* im = static_cast<QInputMethodEvent*>(event);
            for (QChar c : im->commitString()) typeChar(c);
            im->accept();
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            // The middle button pastes the selection on X11: not through the rules.
            return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
        default:
            return false;
    }
}

// ---- Keys ----------------------------------------------------------------

bool TGet::keyPress(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers();
    if (bKeyDown) {
        bool handled = false;
        runGuarded([&] { handled = bKeyDown(key, mods); });
        if (handled) return true;
    }
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return false;  // the form's keys
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return false;  // caret moves: the line edit's own
        default:
            break;
    }
    if (!m_editing) focusIn();
    const QString before = m_buffer;
    const int caretBefore = edit() ? edit()->cursorPosition() : 0;
    const bool ctrl = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);

    if (key == Qt::Key_Delete) {
        if (lReadOnly) {
            if (lDelete) emptyReadOnly();
            return true;
        }
        deleteKey();
    } else if (key == Qt::Key_Backspace) {
        if (lReadOnly) {
            if (lDelete) emptyReadOnly();
            return true;
        }
        backspace();
    } else if (ctrl) {
        clipboardKey(key);
        return true;  // other Ctrl keys are ignored
    } else if (key == Qt::Key_Insert) {
        return true;  // Shift+Insert would paste around the rules
    } else {
        const QString t = e->text();
        if (t.isEmpty() || !t.at(0).isPrint()) return false;
        if (lReadOnly) return true;
        for (QChar c : t) typeChar(c);
        return true;
    }
    if (m_buffer != before) accepted(before, caretBefore);
    return true;
}

bool TGet::typeChar(QChar c) {
    if (lReadOnly) return false;
    const QString before = m_buffer;
    const int caretBefore = edit() ? edit()->cursorPosition() : 0;
    bool ok = false;
    switch (m_kind) {
        case 'L': {
            c = upperAscii(c);
            ok = c == QLatin1Char('T') || c == QLatin1Char('F');
            if (ok) show(QString(c), 1);
            break;
        }
        case 'N':
            ok = typeNumberChar(c);
            break;
        default:
            ok = typeTextChar(c);
            break;
    }
    if (m_buffer != before || ok) accepted(before, caretBefore);
    return ok;
}

bool TGet::typeNumberChar(QChar c) {
    if (c == QLatin1Char('-')) return false;  // amounts are never typed negative
    if (c == QLatin1Char('.')) c = QLatin1Char(',');
    Selection s = selectionOf(edit());
    QString buf = m_buffer;
    int caret = s.caret;
    if (s.any()) {
        buf.remove(s.start, s.length);
        caret = s.start;
        show(buf, caret);
    }
    if (!c.isDigit() && c != QLatin1Char(',')) return false;
    if (c == QLatin1Char(',') && buf.contains(QLatin1Char(','))) return false;
    // A mask without decimals shows whole numbers only: a fraction typed
    // there would be stored yet never shown (a first invoice number 12,5
    // would read 13 on the form).
    if (c == QLatin1Char(',') && m_activeMask.hasTemplate() &&
        !m_activeMask.templ().contains(QLatin1Char('.')))
        return false;
    if (buf.size() >= maxLength()) return false;
    buf.insert(caret, c);
    show(buf, caret + 1);
    return true;
}

bool TGet::typeTextChar(QChar c) {
    c = m_mask.typed(c);
    Selection s = selectionOf(edit());
    QString buf = m_buffer;
    if (overtype()) {
        const int len = static_cast<int>(m_mask.templ().size());
        if (buf.size() < len) buf += QString(len - buf.size(), QLatin1Char(' '));
        int pos = s.any() ? s.start : s.caret;
        while (pos < len && m_mask.isFixed(pos)) ++pos;
        if (pos >= len || !m_mask.accepts(pos, c)) return false;
        for (int i = s.start; s.any() && i < s.start + s.length && i < len; ++i)
            if (!m_mask.isFixed(i)) buf[i] = QLatin1Char(' ');
        buf[pos] = c;
        int caret = pos + 1;
        while (caret < len && m_mask.isFixed(caret)) ++caret;
        show(buf, caret);
        return true;
    }
    const int pos = s.any() ? s.start : s.caret;
    if (m_mask.hasTemplate() ? !m_mask.accepts(pos, c) : (m_mask.digitsOnly() && !c.isDigit()))
        return false;
    if (s.any()) {
        buf.remove(s.start, s.length);
        show(buf, pos);
    }
    if (buf.size() >= maxLength()) return false;
    buf.insert(pos, c);
    show(buf, pos + 1);
    return true;
}

void TGet::blankRange(int from, int to) {
    QString buf = m_buffer;
    for (int i = std::max(0, from); i < to && i < buf.size(); ++i)
        if (!m_mask.isFixed(i)) buf[i] = QLatin1Char(' ');
    show(buf, from);
}

bool TGet::backspace() {
    Selection s = selectionOf(edit());
    if (overtype()) {
        if (s.any()) {
            blankRange(s.start, s.start + s.length);
            return true;
        }
        // Blank the character before the caret, stepping back over fixed ones.
        int pos = s.caret - 1;
        while (pos > 0 && m_mask.isFixed(pos)) --pos;
        if (pos < 0 || m_mask.isFixed(pos)) return false;
        QString buf = m_buffer;
        if (pos < buf.size()) buf[pos] = QLatin1Char(' ');
        show(buf, pos);
        return true;
    }
    QString buf = m_buffer;
    if (s.any()) {
        buf.remove(s.start, s.length);
        show(buf, s.start);
    } else if (s.caret > 0) {
        buf.remove(s.caret - 1, 1);
        show(buf, s.caret - 1);
    }
    return true;
}

bool TGet::deleteKey() {
    Selection s = selectionOf(edit());
    if (overtype()) {
        if (s.any())
            blankRange(s.start, s.start + s.length);
        else {
            blankRange(s.caret, s.caret + 1);
            if (edit()) edit()->setCursorPosition(s.caret);
        }
        return true;
    }
    QString buf = m_buffer;
    if (s.any()) {
        buf.remove(s.start, s.length);
        show(buf, s.start);
    } else if (s.caret < buf.size()) {
        buf.remove(s.caret, 1);
        show(buf, s.caret);
    }
    return true;
}

void TGet::emptyReadOnly() {
    const QString before = m_buffer;
    cCode = Value(std::string());
    Value blank;
    switch (m_kind) {
        case 'N':
            blank = 0.0;
            break;
        case 'D':
            blank = Date();
            break;
        case 'L':
            blank = false;
            break;
        default:
            blank = std::string(static_cast<size_t>(m_fieldLen), ' ');
            break;
    }
    bSetGet.store(blank);
    m_typed.reset();
    m_valueAtEdit = blank;
    const QString t = m_editing ? editText() : displayText();
    show(t, t.size(), 0, t.size());
    accepted(before, 0);
}

void TGet::accepted(const QString& before, int caretBefore) {
    m_undoText = before;
    m_undoCaret = caretBefore;
    m_hasUndo = true;
    m_changed = true;
    runChange();
}

// ---- Clipboard -----------------------------------------------------------

bool TGet::clipboardAllowed() const {
    return m_kind == 'C' && !m_mask.hasTemplate() && !lReadOnly;
}

bool TGet::clipboardKey(int key) {
    QClipboard* clip = QGuiApplication::clipboard();
    Selection s = selectionOf(edit());
    const QString before = m_buffer;
    switch (key) {
        case Qt::Key_C:
            if (s.any() && !lPassword) clip->setText(m_buffer.mid(s.start, s.length));
            return true;
        case Qt::Key_X: {
            if (!clipboardAllowed() || !s.any() || lPassword) return true;
            clip->setText(m_buffer.mid(s.start, s.length));
            QString buf = m_buffer;
            buf.remove(s.start, s.length);
            show(buf, s.start);
            break;
        }
        case Qt::Key_V: {
            if (!clipboardAllowed()) return true;
            QString buf = m_buffer;
            int pos = s.any() ? s.start : s.caret;
            if (s.any()) buf.remove(s.start, s.length);
            QString in;
            for (QChar c : clip->text()) {
                if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
                    c = QLatin1Char(' ');
                if (!c.isPrint()) continue;
                if (m_mask.digitsOnly() && !c.isDigit()) continue;
                in += m_mask.typed(c);
            }
            in = in.left(std::max(0, maxLength() - static_cast<int>(buf.size())));
            buf.insert(pos, in);
            show(buf, pos + in.size());
            break;
        }
        case Qt::Key_Z: {
            if (lReadOnly || !m_hasUndo) return true;
            const QString text = m_undoText;
            const int caret = m_undoCaret;
            m_undoText = m_buffer;
            m_undoCaret = s.caret;
            show(text, caret);
            m_changed = true;
            runChange();
            return true;
        }
        default:
            return true;
    }
    if (m_buffer != before) accepted(before, s.caret);
    return true;
}

}  // namespace drav::ui
