// The edit mask of a field: "@<functions> <template>", both parts optional.
//
// Function letters (after "@", up to the first blank): "!" upper-cases the
// letters typed, "9" accepts digits only, "E" shows numbers as Italian
// number text, "Z" shows zero as blanks. Template characters: "9" a digit,
// "A" a letter, "X" any character; every other character of a text or date
// template is fixed (":" in "99:99", "/" in a date, " %" in "99 %"): it is
// shown as it stands and the caret skips it. Numbers are formatted through
// the template by transform() (util/NumFormat.h), where "," and "." are
// the digit-group and decimal separators.
#pragma once

#include <QString>

namespace drav::ui {

class EditMask {
public:
    EditMask() = default;
    explicit EditMask(const QString& picture);

    const QString& picture() const { return m_picture; }
    const QString& functions() const { return m_functions; }
    const QString& templ() const { return m_template; }
    bool isEmpty() const { return m_picture.isEmpty(); }

    bool upper() const { return m_functions.contains(QLatin1Char('!')); }
    bool digitsOnly() const { return m_functions.contains(QLatin1Char('9')); }
    bool italian() const { return m_functions.contains(QLatin1Char('E')); }
    bool blankZero() const { return m_functions.contains(QLatin1Char('Z')); }
    bool hasTemplate() const { return !m_template.isEmpty(); }

    // Text and date templates: a character the user cannot type over.
    bool isFixed(int pos) const;
    bool hasFixed() const;
    // Whether the character may be typed at that template position
    // (positions past the template accept nothing).
    bool accepts(int pos, QChar c) const;
    // The character as typed: upper-cased with "!".
    QChar typed(QChar c) const;

    // The mask used while a number is edited: no digit-group separators.
    EditMask withoutCommas() const;
    // The mask without "Z": zero shows as "0" or "0,00".
    EditMask withoutZ() const;

private:
    static QString build(const QString& functions, const QString& templ);

    QString m_picture;
    QString m_functions;
    QString m_template;
};

// Letters a-z become A-Z; every other character stays as it is (no
// national collation, so the same text gives the same bytes on every station).
QChar upperAscii(QChar c);
QString upperAscii(const QString& text);

}  // namespace drav::ui
