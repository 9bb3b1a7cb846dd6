// The combo box: a bound text chosen from a list of items, or typed when
// the box is editable (every style but 3, the drop-down list).
//
// When the form is initialised the items are loaded; a bound value (trailing
// blanks ignored) that is not among them is put in front as the first
// item, and the matching item is selected. Choosing an item stores its text
// and runs the change handler; in an editable box every change of the typed
// text applies the edit mask (cbPicture), is stored and runs the handler.
#pragma once

#include "ui/TControl.h"

#include <QStringList>

class QComboBox;

namespace drav::ui {

struct TComboBoxArgs {
    Condition valid{};
    Action change{};
    Condition when{};
    int style = 0;   // 3: drop-down list (no typing)
    QString mask{};  // applied to the typed text (cbPicture)
    QString varName{};
};

class TComboBox : public TControl {
    Q_OBJECT
public:
    TComboBox(int id, Binding value, QStringList items, TContainer& form, TComboBoxArgs args = {},
              std::source_location where = std::source_location::current());

    QStringList aItems;
    QString cPicture;
    int nStyle = 0;

    QComboBox* combo() const;
    bool isEditable() const { return nStyle != 3; }

    void initiate() override;
    void refresh() override;
    void refreshIfChanged() override;
    // Stores the text of the edit field (or of the selected item) now.
    void assign() override;
    QString text() const override;

    void setItems(const QStringList& items);
    // Selects the item with that text (trailing blanks ignored); in an
    // editable box a text that is no item is typed into the edit field.
    void set(const QString& text);
    // Selects the item at a position (1-based).
    void select(int position);
    // Replaces the text of the item at a position (1-based).
    void modify(const QString& text, int position);
    // The position of the selected item (1-based), 0 when none.
    int nAt() const;

private:
    QString boundText() const;
    void store(const QString& text);
    void showBound(bool insertMissing);
    bool m_showing = false;
};

}  // namespace drav::ui
