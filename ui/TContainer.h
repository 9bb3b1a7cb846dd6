// What holds controls: a form (TDialog) or a page of a folder control.
//
// Each keeps its controls in definition order (`aControls`) and its own
// modified flag (`lModify`); the close protocol merges the pages' flags
// into the form's.
#pragma once

#include <vector>

class QWidget;

namespace drav::ui {

class TControl;
class TDialog;

class TContainer {
public:
    virtual ~TContainer() = default;

    std::vector<TControl*> aControls;  // definition order; owned by the form
    bool lModify = false;

    // The widget the template was built into.
    virtual QWidget* containerWidget() = 0;
    // The form this container belongs to (itself for a form).
    virtual TDialog& ownerForm() = 0;

    // The template control with that id, searched in this container only
    // (the pages of a folder are containers of their own).
    QWidget* findTemplateWidget(int id);
    // The first control bound to that id here (not in folder pages).
    TControl* controlWithId(int id) const;
    // Enables or disables every control that has a when-condition,
    // folder pages included.
    void evalWhens();
};

}  // namespace drav::ui
