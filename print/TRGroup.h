// A control break of a report: when the group value of the current item
// changes, the footer of the group that ended is printed (and, with eject,
// a new page started).
#pragma once

#include "print/TRLine.h"

namespace drav::print {

class TRGroup {
public:
    TRGroup(TReport& report, ValueBlock group, TextBlock footer, std::function<int()> font,
            bool eject);

    // Prints the footer of the group that ended (end: the data ended).
    void say(bool end);

    TReport& oRpt;
    ValueBlock bGroup;
    TextBlock bFooter;  // empty: no footer
    std::function<int()> bFont;
    bool lEject = false;
    Value cValue;
};

}  // namespace drav::print
