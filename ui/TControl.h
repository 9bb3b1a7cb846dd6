// The common part of every form control: its id, its bound value and the
// callbacks the screens give it.
//
// A control is created by binding it to the template control with its id
// (the template builds the widgets, the screen binds them). It belongs to
// its form, which deletes it. Binding an id the template lacks, or the same
// id twice, is a definition error: the form reports it when activated and
// the program ends.
#pragma once

#include "ui/Binding.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <source_location>

class QWidget;

namespace drav::ui {

class TContainer;
class TDialog;

using Action = std::function<void()>;
using Condition = std::function<bool()>;

class TControl : public QObject {
    Q_OBJECT
public:
    ~TControl() override;

    int nId;
    Binding bSetGet;
    QString cVarName;  // the name CTL() finds the control by
    Condition Cargo;   // validation rule, run when the form is confirmed
    Condition bWhen;   // false disables the control
    Action bChange;    // after every change made by the user
    Condition bValid;  // own check before a button click elsewhere is obeyed
    QString cMsg;      // hint shown while the control has the focus

    QWidget* widget() const { return m_widget; }
    TContainer& container() const { return m_owner; }
    TDialog& form() const;
    virtual bool hasId(int id) const { return nId == id; }
    // Labels and images: skipped by the validation of the close protocol.
    virtual bool isLabel() const { return false; }

    // Called when the form is initialised, before it is shown.
    virtual void initiate() { refresh(); }
    // Shows the bound value again.
    virtual void refresh() {}
    // REFRESHALL: redraws only when the display no longer matches the value.
    virtual void refreshIfChanged() { refresh(); }
    // Stores what the user typed into the bound value now.
    virtual void assign() {}
    // The text the control shows.
    virtual QString text() const;

    Value varGet() const { return bSetGet.value(); }
    void varPut(const Value& v);

    virtual void setFocus();
    virtual void enable();
    virtual void disable();
    virtual void hide();
    virtual void show();
    virtual bool isEnabled() const;
    // As if the user clicked it (buttons, check boxes).
    virtual void click() {}
    // Applies the when-condition: enables or disables the control.
    bool evalWhen();
    // The control's rectangle in its form's coordinates.
    QRect rect() const;

protected:
    TControl(int id, Binding value, TContainer& owner, std::source_location where);

    // Links the template control with this id; a missing one (or one of
    // another kind) is a definition error.
    template <class W>
    W* attach(int id) {
        W* w = qobject_cast<W*>(findWidget(id));
        if (!w)
            idNotFound(id);
        else if (!m_widget)
            m_widget = w;
        return w;
    }
    QWidget* findWidget(int id);
    void idNotFound(int id);
    void checkDuplicate(int id);

    // Runs the change handler (guarded, as every screen callback).
    void runChange();
    // After a click on any control the form's when-conditions are evaluated again.
    void afterClick();

    TContainer& m_owner;
    QPointer<QWidget> m_widget;
    std::source_location m_where;
};

}  // namespace drav::ui
