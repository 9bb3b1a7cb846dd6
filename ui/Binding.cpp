#include "ui/Binding.h"

#include <cmath>

namespace drav::ui {

Binding bindVar(Value& var) {
    return {[&var] { return var; }, [&var](const Value& v) { var = v; }};
}

Binding bindVar(std::string& var) {
    return {[&var] { return Value(var); },
            [&var](const Value& v) {
                if (auto* s = std::get_if<std::string>(&v)) var = *s;
            }};
}

Binding bindVar(double& var) {
    return {[&var] { return Value(var); },
            [&var](const Value& v) {
                if (auto* d = std::get_if<double>(&v)) var = *d;
            }};
}

Binding bindVar(int& var) {
    return {[&var] { return Value(static_cast<double>(var)); },
            [&var](const Value& v) {
                if (auto* d = std::get_if<double>(&v)) var = static_cast<int>(std::lround(*d));
            }};
}

Binding bindVar(Date& var) {
    return {[&var] { return Value(var); },
            [&var](const Value& v) {
                if (auto* d = std::get_if<Date>(&v)) var = *d;
            }};
}

Binding bindVar(bool& var) {
    return {[&var] { return Value(var); },
            [&var](const Value& v) {
                if (auto* b = std::get_if<bool>(&v)) var = *b;
            }};
}

}  // namespace drav::ui
