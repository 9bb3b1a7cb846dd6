#include "ui/EditMask.h"

namespace drav::ui {

EditMask::EditMask(const QString& picture) : m_picture(picture) {
    if (picture.startsWith(QLatin1Char('@'))) {
        int blank = picture.indexOf(QLatin1Char(' '));
        if (blank < 0) {
            m_functions = picture.mid(1);
        } else {
            m_functions = picture.mid(1, blank - 1);
            m_template = picture.mid(blank + 1);
        }
    } else {
        m_template = picture;
    }
}

bool EditMask::isFixed(int pos) const {
    if (pos < 0 || pos >= m_template.size()) return false;
    QChar t = m_template.at(pos);
    return t != QLatin1Char('9') && t != QLatin1Char('A') && t != QLatin1Char('X');
}

bool EditMask::hasFixed() const {
    for (int i = 0; i < m_template.size(); ++i)
        if (isFixed(i)) return true;
    return false;
}

bool EditMask::accepts(int pos, QChar c) const {
    if (!hasTemplate()) return !digitsOnly() || c.isDigit();
    if (pos < 0 || pos >= m_template.size() || isFixed(pos)) return false;
    QChar t = m_template.at(pos);
    if (t == QLatin1Char('9') || digitsOnly())
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (t == QLatin1Char('A')) return c.isLetter();
    return c.isPrint();
}

QChar EditMask::typed(QChar c) const {
    return upper() ? upperAscii(c) : c;
}

QString EditMask::build(const QString& functions, const QString& templ) {
    if (functions.isEmpty()) return templ;
    QString out = QLatin1Char('@') + functions;
    if (!templ.isEmpty()) out += QLatin1Char(' ') + templ;
    return out;
}

EditMask EditMask::withoutCommas() const {
    QString t = m_template;
    t.remove(QLatin1Char(','));
    return EditMask(build(m_functions, t));
}

EditMask EditMask::withoutZ() const {
    QString f = m_functions;
    f.remove(QLatin1Char('Z'));
    return EditMask(build(f, m_template));
}

QChar upperAscii(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 32) : c;
}

QString upperAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out) c = upperAscii(c);
    return out;
}

}  // namespace drav::ui
