// The page grid: 66 rows by 80 columns over the printable area, the one
// model the page layouts are written in.
//
//   row height     nVertRes / 66 device units
//   column width   nHorzRes / 80 device units
//   left margin    5 columns, added to every column given here (a process
//                  setting; sayHeader uses 1 while it runs)
//   row position   the top of the current row in device units, 0 at the
//                  start of every page; shared by every printer object
//   line feed      rows moved by a new line (fractional allowed); 1 after
//                  every new printer object, changed by pFeed
//
// Column c (counted from the margin) starts at x = (c + margin) * nHorzRes /
// 80. There is no automatic page break: the layout ends its pages.
//
// printTxt's new-line rule: a call without a column starts a new line (the
// first one of a page lands on row 3: the row position first jumps from 0
// to 2 rows); a call with a column prints on the current row; column 0 goes
// on from where the previous text of the row ended.
#pragma once

#include "print/PrintText.h"
#include "util/Settings.h"

#include <QColor>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

namespace drav::print {

class TPrinter;
class TFont;
class TPen;

// The paragraph-end mark: lines ending with it are never justified.
constexpr char kParagraphEnd = '\x7f';

struct TxtOptions {
    bool right = false;                // aligned to end at column + width
    std::optional<double> width = {};  // in columns; right: default the text's length
    bool centred = false;              // on column + width / 2, or the page's middle
    std::optional<double> clip = {};   // left-aligned at column, clipped to this many columns
    bool justified = false;            // blanks widened so the line ends at the right margin
    std::optional<QColor> colour = {};
    std::optional<QColor> background = {};  // opaque text on this colour
};

// PRINTTXT: the texts joined with single blanks (accented DOS letters
// turned into their Windows forms) at a column of the current row or on a
// new line. An empty list only starts a new line (nothing with a column).
void printTxt(const PrintTexts& texts, std::optional<double> column, TPrinter& printer,
              const TFont& font, const TxtOptions& options = {});

// PRINTLINE: without a column a rule from the left margin to the right
// margin 2 units under the current row; with one, from column to column +
// length at the bottom of the current row.
void printLine(TPrinter& printer, std::optional<double> column = std::nullopt, double length = 0,
               const TPen* pen = nullptr);
// PRINTVLINE: a vertical rule at column from under the current row down
// over rows rows.
void printVLine(TPrinter& printer, double column, double rows, const TPen* pen = nullptr);
// PRINTBOX: a rectangle outline from the bottom of the current row, rows
// rows high, from column to column + width.
void printBox(TPrinter& printer, double column, double width, double rows,
              const TPen* pen = nullptr);

// SETPROW / PFEED: the row position (device units) and the line feed
// (rows), each set first when a value is given.
double setProw(std::optional<double> row = std::nullopt);
double pFeed(std::optional<double> feed = std::nullopt);
// The left margin in columns is the process-wide print margin
// (util/Settings.h: printMargin, setPrintMargin).
// What a new printer object does to the grid: line feed 1, row 0.
void resetPageGrid();

// The standard head: title on a new line, today's date centred, "PAG. n"
// ending at page column 79, all on the first row of the page; the margin
// and the row position are left as they were.
void sayHeader(const PrintText& title, TPrinter& printer, const TFont& font);
// The standard foot: "- n -" centred on row 64.
void sayFooter(TPrinter& printer, const TFont& font);

// AMEMOLINE: the text cut into the lines that fit width columns (default
// 80 - 2 * margin) in the font, at blanks where possible, honouring its own
// CR LF; lines that end a paragraph end with the paragraph-end mark.
QStringList aMemoLine(const PrintText& text, std::optional<double> width, const TPrinter& printer,
                      const TFont& font);
// MEMOADJ: the paragraph-end mark before every CR LF and once at the end.
std::string memoAdj(std::string_view text);
QString memoAdj(const QString& text);

}  // namespace drav::print
