// The report engine: columnar lists on pages, with a page head, column
// titles, one line per item, page breaks, group footers, totals and a page
// foot.
//
// Sections of TReport.cpp:
//   1. New, AdjustFont, AddColumn, AddGroup - building the report
//   2. AdjColumns                            - widths and left edges
//   3. Activate                              - the run over the items
//   4. pages and lines                       - StartLine, EndPage, rules, titles
//   5. items                                 - the table or the list behind it
//
// Page geometry, in device units of the printer:
//   top margin     1.1 * height of font 1
//   line height    the top margin
//   left margin    twice the width of "B" in font 1
//   line width     page width - 2 * left margin
//   page full      row + height of font 1 > page height - top margin * (foot lines + 1)
//   rule           from the left margin to the right margin, 1/12 of a line
//                  height above the current row
//
// A column given n characters is n letters "B" of font 1 wide (a date
// column of 8 or fewer is 8 wide); without a width it is as wide as the
// current item's longest value. A column grows to its widest title and is
// cut at the right margin. A column whose single value is a number prints
// right-aligned, a date centred, whatever was asked.
//
// The items are the current table's records in its order (through
// RowSource), or, after setArray(n), the positions 1..n of a list the
// column blocks read through nAt(). After the run the table is back on the
// record it was on.
#pragma once

#include "print/RowSource.h"
#include "print/TFont.h"
#include "print/TRGroup.h"
#include "print/TRLine.h"

#include <memory>
#include <optional>
#include <vector>

namespace drav::print {

class TPrinter;

// What Activate runs at its moments; every one is optional.
struct ReportCallbacks {
    std::function<bool()> forCond;    // the item is printed (and totalled) when true
    std::function<bool()> whileCond;  // the run goes on while true
    std::function<void()> init;
    std::function<void()> end;
    std::function<void()> startPage;
    std::function<void()> endPage;
    std::function<void()> endGroup;
    std::function<void()> beforeLine;
    std::function<void()> afterLine;
    std::function<void()> onLine;
};

class TReport {
public:
    // New(document title, head lines, head alignment, title lines, title
    // alignment, foot lines, foot alignment, fonts, summary, printer,
    // preview). The fonts are given without a device; without a printer the
    // report creates one (preview or direct) and ends it after the run.
    TReport(const QString& document, std::vector<TextBlock> head, Align headAlign,
            std::vector<TextBlock> title, Align titleAlign, std::vector<TextBlock> foot,
            Align footAlign, const std::vector<TFont>& fonts, bool summary = false,
            TPrinter* printer = nullptr, bool preview = true);
    ~TReport();
    TReport(const TReport&) = delete;
    TReport& operator=(const TReport&) = delete;

    TRLine& addColumn(std::vector<TextBlock> titles, std::vector<ValueBlock> values,
                      std::vector<std::string> pictures = {},
                      std::optional<int> widthChars = std::nullopt, bool total = false,
                      Align align = Align::Left, int font = 1);
    TRGroup& addGroup(ValueBlock group, TextBlock footer = {}, std::function<int()> font = {},
                      bool eject = false);

    // Prints the report: head and titles, every item, totals, foot; then,
    // when the report made its printer, the preview (or the end of the job).
    void activate(const ReportCallbacks& callbacks = {});

    // ---- what callbacks and the end of a list use ---------------------------------
    // A new page first when the current one is full.
    void startLine();
    void endLine() { m_nRow += m_nLineHeight; }
    void backLine() { m_nRow -= m_nLineHeight; }
    // The rule across the line width above the current row.
    void line();
    // Text on the current row at column n's left edge (1-based): align 1 left
    // (may run to the right margin), 2 right and 3 centred within the column.
    void say(int column, const QString& text, int font = 1, int align = 1);
    double getTextWidth(const QString& text, int font = 1) const;
    double nStdLineHeight() const { return m_nLineHeight; }
    void setColTitFont(int font);

    // The items are the positions 1..count of a list.
    void setArray(size_t count);
    // The items are the records of this table instead of the current one.
    void setRowSource(RowSource* source) { m_source = source; }
    // The current item of a list (1-based).
    size_t nAt() const { return m_nAt; }

    // ---- fields ----------------------------------------------------------------------
    bool lSeparator = false;
    QString cGrandTotal;

    TPrinter& device() const { return *m_oDevice; }
    const TFont& font(int number) const;
    TRLine& header() { return *m_oHeader; }
    TRLine& title() { return *m_oTitle; }
    TRLine& footer() { return *m_oFooter; }
    std::vector<std::unique_ptr<TRLine>>& columns() { return m_aColumns; }
    bool lSummary() const { return m_lSummary; }
    bool lTotal() const;
    double nTopMargin() const { return m_nTopMargin; }
    double nLeftMargin() const { return m_nLeftMargin; }
    double nLineHeight() const { return m_nLineHeight; }
    double nLineWidth() const { return m_nLineWidth; }
    double nRow() const { return m_nRow; }
    void setRow(double row) { m_nRow = row; }
    // Whether the current page has no room for another line.
    bool pageFull() const;
    // Whether there is a current item to read values from.
    bool hasItem() const;

private:
    friend class TRGroup;

    void adjustFont(const std::vector<TFont>& fonts);
    void adjColumns();
    void initGroups();
    bool chkGroups(bool end);
    void endPage(bool rule = true);
    void newPageHead();
    void sayTitles();
    void sayData(const ReportCallbacks& callbacks);
    void sayTotals();
    void sayLineSet(TRLine& set, double row, bool movesRow);
    void sayFoot();
    void addTotals();

    // the items
    uint32_t position() const;
    void goTop();
    bool skip();
    void goTo(uint32_t position);
    RowSource* source() const;

    std::vector<TFont> m_aFont;
    std::unique_ptr<TRLine> m_oHeader;
    std::unique_ptr<TRLine> m_oTitle;
    std::unique_ptr<TRLine> m_oFooter;
    std::vector<std::unique_ptr<TRLine>> m_aColumns;
    std::vector<std::unique_ptr<TRGroup>> m_aGroups;
    bool m_lSummary = false;
    bool m_lPreview = true;
    std::unique_ptr<TPrinter> m_ownDevice;
    TPrinter* m_oDevice = nullptr;
    std::optional<size_t> m_arrayCount;
    RowSource* m_source = nullptr;
    size_t m_nAt = 1;
    double m_nTopMargin = 0;
    double m_nLeftMargin = 0;
    double m_nLineHeight = 0;
    double m_nLineWidth = 0;
    double m_nRow = 0;
    const ReportCallbacks* m_callbacks = nullptr;
    bool m_itemsRead = false;
};

// The shape of every list of the system: two head lines, the first the
// standard head with the title (date and "PAG. n"), the second empty; no
// title or foot lines; one "Arial" font of the given size; preview.
std::unique_ptr<TReport> listReport(const QString& document, const QString& headTitle,
                                    double fontPoints);

}  // namespace drav::print
