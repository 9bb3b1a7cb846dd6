// The push button. A click (or click()) runs its action; then the form
// applies its when-conditions again.
//
// Before the action, the control that has the focus gets its own check
// (bValid) when it has one; a failure ignores the click. A cancel button
// skips that check.
//
// The two buttons of every edit form are bound with confirm() (201,
// "&Conferma": close reason 1, result 1) and cancel() (202, "&Annulla":
// close reason 2, result 2).
#pragma once

#include "ui/TControl.h"

class QPushButton;

namespace drav::ui {

struct TButtonArgs {
    Condition when{};
    QString caption{};  // empty: the template's
    bool cancel = false;
};

class TButton : public TControl {
    Q_OBJECT
public:
    TButton(int id, Action action, TContainer& form, TButtonArgs args = {},
            std::source_location where = std::source_location::current());

    Action bAction;
    bool lCancel = false;

    QPushButton* button() const;
    void click() override;
    QString text() const override;

    // Sets the close reason and asks the form to end.
    static TButton* confirm(TContainer& form, int id = 201,
                            std::source_location where = std::source_location::current());
    static TButton* cancel(TContainer& form, int id = 202,
                           std::source_location where = std::source_location::current());

protected:
    void pressed();
};

}  // namespace drav::ui
