#include "ui/CallSite.h"

namespace drav::ui {

std::string functionLabel(std::string_view sig) {
    // Cut the parameter list: the first "(" outside template brackets that
    // is not part of a "(anonymous namespace)" or a lambda's "{lambda(".
    int angle = 0;
    size_t end = sig.size();
    for (size_t i = 0; i < sig.size(); ++i) {
        char c = sig[i];
        if (c == '<')
            ++angle;
        else if (c == '>' && angle > 0)
            --angle;
        else if (c == '(' && angle == 0) {
            if (sig.substr(i).starts_with("(anonymous namespace)")) {
                i += 20;
                continue;
            }
            end = i;
            break;
        }
    }
    std::string_view head = sig.substr(0, end);
    // Drop the return type: everything up to the last blank outside brackets.
    angle = 0;
    size_t start = 0;
    for (size_t i = 0; i < head.size(); ++i) {
        char c = head[i];
        if (c == '<')
            ++angle;
        else if (c == '>' && angle > 0)
            --angle;
        else if (c == ' ' && angle == 0 && !head.substr(0, i).ends_with("(anonymous"))
            start = i + 1;
    }
    return std::string(head.substr(start));
}

}  // namespace drav::ui
