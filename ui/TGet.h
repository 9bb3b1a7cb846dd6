// The edit field: a bound value typed under an edit mask.
//
// The field keeps the text it shows in its own buffer and handles every key
// that would change it, so the mask's rules hold whatever the user types:
//
//   kind     while typing                                   display without the focus
//   text     "!" upper-cases; "9" digits only; a template   the text (trailing blanks
//            checks each position ("9", "A", "X"); with      cut unless the template
//            fixed characters (":" "/" " %") the field is    has fixed characters)
//            in overtype and the caret skips them
//   number   digits and one "," (none when the mask has no   formatted with the mask
//            decimals); "." types ","; no minus; edited      (transform, Italian with E)
//            with the mask without "," and "Z"
//   date     "dd/mm/yy" in overtype, the slashes fixed      the date, or the text as
//                                                            typed when it is no date
//   logical  "T" or "F"                                     "T" or "F"
//
// The typed text reaches the bound value when the field loses the focus
// (assign()); the change handler runs after every accepted key. A
// read-only field accepts no typing; with lDelete set, Delete and Backspace
// empty it together with its code cCode.
//
// Sections: binding and display, focus, keys, clipboard.
#pragma once

#include "ui/EditMask.h"
#include "ui/TControl.h"

#include <QString>
#include <optional>

class QKeyEvent;
class QLineEdit;

namespace drav::ui {

struct TGetArgs {
    QString mask{};     // edit mask ("@!", "99:99", "@ZE 9,999.99", ...)
    Condition valid{};  // rule checked when the form is confirmed
    Condition when{};
    Action change{};  // after every accepted key
    bool readOnly = false;
    bool password = false;
    QString varName{};
    Value code{};  // initial code; kept only when the value is not empty
    Action gotFocus{};
    Action lostFocus{};
};

class TGet : public TControl {
    Q_OBJECT
public:
    TGet(int id, Binding value, TContainer& form, TGetArgs args = {},
         std::source_location where = std::source_location::current());

    bool lReadOnly = false;
    bool lPassword = false;
    bool lDelete = false;  // read-only: Delete and Backspace empty the field and its code
    Value cCode;  // a second value travelling with the field (the client pick list sets it)
    // Runs before every key pressed in the field; true: the key is handled.
    std::function<bool(int key, Qt::KeyboardModifiers modifiers)> bKeyDown;
    Action bGotFocus;
    Action bLostFocus;

    QLineEdit* edit() const;
    const EditMask& mask() const { return m_mask; }
    // 'C' text, 'N' number, 'D' date, 'L' logical.
    char valueKind() const { return m_kind; }
    // Length of the typed text the field takes.
    int maxLength() const;

    void refresh() override;
    void refreshIfChanged() override;
    void assign() override;
    QString text() const override { return m_buffer; }

    // For the close protocol: a date typed that is not a date; a number
    // that does not fit the mask.
    bool hasInvalidDate() const;
    bool numberTooBig() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Binding and display.
    QString displayText() const;  // without the focus
    QString editText() const;     // on getting the focus
    QString valueText(bool editing) const;
    void show(const QString& text, int caret, int selStart = -1, int selLen = 0);
    bool overtype() const;
    bool paddedTemplate() const;

    // Focus.
    void focusIn();
    void focusOut();

    // Keys.
    bool keyPress(QKeyEvent* e);
    bool typeChar(QChar c);
    bool typeNumberChar(QChar c);
    bool typeTextChar(QChar c);
    bool backspace();
    bool deleteKey();
    void emptyReadOnly();
    void blankRange(int from, int to);
    void accepted(const QString& before, int caretBefore);

    // Clipboard.
    bool clipboardKey(int key);
    bool clipboardAllowed() const;

    EditMask m_mask;        // as given
    EditMask m_activeMask;  // while editing a number: without ","
    char m_kind = 'C';
    int m_fieldLen = 0;
    QString m_buffer;
    bool m_editing = false;
    bool m_changed = false;          // typed since the field got the focus or was last stored
    std::optional<QString> m_typed;  // text kept as typed (invalid date, number too big)
    Value m_valueAtEdit;             // the bound value when typing began
    QString m_undoText;
    int m_undoCaret = 0;
    bool m_hasUndo = false;
};

}  // namespace drav::ui
