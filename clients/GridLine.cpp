#include "clients/GridLine.h"

#include "print/PageGrid.h"
#include "print/TFont.h"
#include "print/TPrinter.h"

namespace drav::clients {

void printGridLines(const std::vector<GridLine>& lines, print::TPrinter& printer,
                    const print::TFont& font, const print::TFont& mono) {
    for (const GridLine& line : lines) {
        const print::TFont& f = line.mono ? mono : font;
        if (line.text.isEmpty())
            print::printTxt({}, std::nullopt, printer, f);
        else
            print::printTxt({line.text}, std::nullopt, printer, f);
        // Column 0 would go on after the previous text: a value meant for
        // the margin is the line's text instead.
        if (line.column && !line.value.isEmpty())
            print::printTxt({line.value}, *line.column, printer, f);
    }
}

}  // namespace drav::clients
