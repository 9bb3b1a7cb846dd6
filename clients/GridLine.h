// A page laid out as lines of the 80-column print grid, kept as data so that
// the layout can be checked without printing and printed by one loop.
//
// A card print is a list of GridLines: printGridLines() starts a new line
// for each, prints `text` at the margin and `value` at `column` of the same
// row. Later card prints (recipients, couriers) build their own list and
// hand it to the same loop.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace drav::print {
class TFont;
class TPrinter;
}  // namespace drav::print

namespace drav::clients {

struct GridLine {
    QString text;                  // at the margin; "" for none
    std::optional<double> column;  // where value goes on the same row
    QString value;
    bool mono = false;  // the fixed-pitch font (memo blocks)

    bool operator==(const GridLine&) const = default;
};

// One new line per entry (an entry with nothing in it is an empty line).
void printGridLines(const std::vector<GridLine>& lines, print::TPrinter& printer,
                    const print::TFont& font, const print::TFont& mono);

}  // namespace drav::clients
