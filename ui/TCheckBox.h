// The check box: a bound logical. A click toggles it, stores it, runs the
// change handler, and the form applies its when-conditions again (controls
// that depend on the box are enabled or disabled at once).
#pragma once

#include "ui/TControl.h"

class QCheckBox;

namespace drav::ui {

struct TCheckBoxArgs {
    Action change{};
    Condition valid{};
    Condition when{};
    QString varName{};
};

class TCheckBox : public TControl {
    Q_OBJECT
public:
    TCheckBox(int id, Binding value, TContainer& form, TCheckBoxArgs args = {},
              std::source_location where = std::source_location::current());

    QCheckBox* box() const;
    void refresh() override;
    void click() override;
    QString text() const override;
};

}  // namespace drav::ui
