// A column of a report, or the head, title or foot lines of its pages.
//
// A column has title lines (texts) and value lines (values of the current
// item), a width and a left edge in device units, an alignment per line,
// a font number per line (1-based into the report's fonts), a text colour
// per value line, and, when totalled, the running sum of its first value.
// A line set of width 0 (head, title, foot) spans the report's line width.
#pragma once

#include "util/Value.h"

#include <QColor>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace drav::print {

class TReport;

enum class Align { Left = 1, Right = 2, Center = 3 };

using TextBlock = std::function<QString()>;
using ValueBlock = std::function<Value()>;

class TRLine {
public:
    // New(report, titles, values, pictures, width in characters, total,
    // alignment, font number, foot). Only the first picture is used, for
    // every value line.
    TRLine(TReport& report, std::vector<TextBlock> titles, std::vector<ValueBlock> values,
           std::vector<std::string> pictures, std::optional<int> widthChars, bool total,
           Align align, int font, bool footer);

    // Prints title line i at the row, within the column.
    void sayTitle(double row, size_t line) const;
    // Prints every value line from the row down; a totalled column adds its
    // first value to the running sum. Returns the number of lines.
    size_t say(double row);
    // Prints the running sum at the row, formatted with the first picture.
    void sayTotal(double row) const;
    // SayHdr: on the page's first head line (or, for the foot, at page height
    // - 2 * top margin) the title at the left margin, today's date in the
    // middle and "PAG. n" at the right margin, in the line's font. Returns ""
    // so that the head line prints nothing more.
    QString sayHdr(const QString& title) const;

    // The value line's text as printed: an empty date prints nothing, an
    // empty picture gives text unchanged, a date "dd/mm/yy" and a number its
    // plain text; otherwise the picture decides.
    QString formatted(size_t line, const Value& value) const;

    size_t titleCount() const { return aTitle.size(); }
    size_t lineCount() const { return aLine.size(); }

    TReport& oRpt;
    std::vector<TextBlock> aTitle;
    std::vector<ValueBlock> aLine;
    std::vector<std::string> aPicture;
    std::vector<Align> aAlign;
    std::vector<int> aTitleFont;
    std::vector<std::function<int()>> aFont;
    std::vector<std::function<QColor()>> aClrText;
    double nCol = 0;
    double nSize = 0;
    std::optional<int> widthChars;  // as given when the column was added
    bool lTotal = false;
    bool lFooter = false;
    double nTotal = 0;
    bool alignDecided = false;
};

}  // namespace drav::print
