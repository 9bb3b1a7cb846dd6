// The radio group: a bound number, the position (1-based) of the chosen
// button in the list of ids given at binding.
//
// A value that is not a number, or is 0, becomes 1. A click stores the
// button's position, runs the change handler, and the form applies its
// when-conditions again.
#pragma once

#include "ui/TControl.h"

#include <vector>

class QButtonGroup;
class QRadioButton;

namespace drav::ui {

struct TRadMenuArgs {
    Action change{};
    Condition when{};
    Condition valid{};
    QString varName{};
};

class TRadMenu : public TControl {
    Q_OBJECT
public:
    TRadMenu(Binding value, TContainer& form, std::vector<int> ids, TRadMenuArgs args = {},
             std::source_location where = std::source_location::current());

    std::vector<int> aIds;

    bool hasId(int id) const override;
    void refresh() override;
    void setFocus() override;
    void enable() override;
    void disable() override;
    void hide() override;
    void show() override;
    // Clicks the button at the current position.
    void click() override;
    // The chosen position (1-based).
    int position() const;
    QRadioButton* button(int position) const;

private:
    std::vector<QRadioButton*> m_buttons;
    QButtonGroup* m_group = nullptr;
};

}  // namespace drav::ui
