// A bound value: the get/set pair through which a form control reads and
// writes one variable of its screen.
//
// The screens keep their own variables (copies of the record's fields) and
// bind each control to one of them; the control never owns the value. The
// value's kind (text, number, date, logical) is the kind the getter returns
// when the form is built. Text is Windows-1252 bytes, as in the tables.
#pragma once

#include "util/Value.h"

#include <functional>
#include <string>

namespace drav::ui {

struct Binding {
    std::function<Value()> get;
    std::function<void(const Value&)> set;

    explicit operator bool() const { return static_cast<bool>(get); }
    Value value() const { return get ? get() : Value{}; }
    void store(const Value& v) const {
        if (set) set(v);
    }
};

// Binds a variable of the screen. A value of another kind given to the
// setter of a typed variable is ignored (the variable keeps its kind).
Binding bindVar(Value& var);
Binding bindVar(std::string& var);
Binding bindVar(double& var);
Binding bindVar(int& var);
Binding bindVar(Date& var);
Binding bindVar(bool& var);

}  // namespace drav::ui
