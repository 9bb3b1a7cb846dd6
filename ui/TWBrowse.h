// The browse list: a grid with a header row of column titles and one row per
// record of an open table (or per item of a list), in the table's current
// order, within its scope and view. The highlighted row is the table's
// current record: the list keeps no data of its own, it moves the table.
//
// Sections of TWBrowse.cpp: binding and layout; the rows (reading what is
// shown); navigation; Stabilize; input (keys, mouse, wheel, scroll bars);
// in-place editing (editColumn, edCol).
//
// Cost. The rows on screen are read by stepping from the current record:
// back to the first visible row, forward to the last, then straight back to
// the current record by its number. Nothing ever walks from the top of the
// table, so opening, drawing and every move cost a number of order steps
// proportional to the visible rows, whatever the size of the table. The key
// count and the key position (which the index computes from its tree) are
// asked only by stabilize(), after a typed search and for a thumb drag; the
// moves keep the scroll position up to date by themselves.
//
// Row state, kept consistent by stabilize():
//   nRowPos   the highlighted row (1-based) = the current record's row
//   m_pos     the current record's index position (the scroll bar's value)
//   m_count   the number of rows of the order (the scroll bar's range)
//   invariants: 1 <= nRowPos <= min(nRowCount(), m_pos); when the table
//   fits in the window nRowPos == m_pos; otherwise the window is filled
//   (the rows below the highlight never outnumber the records left).
//
// Callbacks run with the list's table selected as the current slot; the
// slot that was current before is selected again afterwards.
#pragma once

#include "data/access/KeyList.h"
#include "ui/TControl.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drav::data {
class Table;
}

namespace drav::ui {

class BrowseView;
class TWBrowse;

// Column alignment (aJustify): left as it is; right and centred trimmed.
enum class Justify { Left, Right, Center };

// The cells of the current record, one per column: text is drawn as text
// (Windows-1252 bytes), a number draws the bitmap of that number
// (addBitmap), a date or a logical as its text; nothing draws nothing.
using BrowseLine = std::function<std::vector<Value>()>;
// A colour computed when a row is drawn, with the table on the row's
// record: column 0 for the whole row, or the column (1-based) when the
// list has lCellColor; row is the visible row (1-based).
using BrowseColor = std::function<QColor(int col, int row)>;
// Double click and Enter: (row pixel, column pixel, flags, list); Enter
// passes zeros.
using BrowseDblClick = std::function<void(int rowPx, int colPx, int flags, TWBrowse&)>;
// Click and right click: (list, row pixel, column pixel, flags, row number,
// column number).
using BrowseClick =
    std::function<void(TWBrowse&, int rowPx, int colPx, int flags, int row, int col)>;
// A typed character (printable, or 8 for Backspace): (key, list).
using BrowseKeyChar = std::function<void(int key, TWBrowse&)>;
// The validation rule of an in-place edit, given the value typed.
using EditRule = std::function<bool(const Value&)>;

// Mouse flags passed to the handlers.
constexpr int kMouseLeft = 1;
constexpr int kMouseRight = 2;
constexpr int kMouseShift = 4;
constexpr int kMouseControl = 8;
constexpr int kMouseMiddle = 16;

// What ReDefine takes besides the id and the form; the screens then set
// aJustify, bKeyChar and the colours.
struct TWBrowseArgs {
    BrowseLine line{};
    QStringList headers{};     // absent: no header row
    std::vector<int> sizes{};  // pixels; a last 0 takes the rest of the width
    std::function<void(TWBrowse&)> change{};
    BrowseDblClick dblClick{};
    BrowseClick rClick{};
    BrowseColor clrText{};
    BrowseColor clrPane{};
    std::string alias{};  // default: the table selected when the list is bound
    Condition when{};
    BrowseClick lClick{};
    std::vector<Action> actions{};  // per column, run when its title is clicked
};

class TWBrowse : public TControl, public data::KeyList {
    Q_OBJECT
public:
    // ReDefine: takes the place of the template's custom control with that
    // id (its rectangle, its id as objectName). The search text of the
    // typed search is cleared.
    static TWBrowse* reDefine(int id, TContainer& form, TWBrowseArgs args,
                              std::source_location where = std::source_location::current());

    // ---- Fields ----------------------------------------------------------
    std::string cAlias;  // "ARRAY" for a list of items
    QStringList aHeaders;
    std::vector<int> aColSizes;
    std::vector<Justify> aJustify;
    std::vector<Action> aActions;
    BrowseLine bLine;
    std::function<uint64_t()> bLogicLen;
    Action bGoTop;
    Action bGoBottom;
    // Moves n rows (negative: back) and returns the positions moved; past
    // the end it stops on the last row, before the start on the first.
    std::function<int64_t(int64_t)> bSkip;
    Action bColChange;
    std::function<QFont(int col)> bFont;
    int nRowPos = 1;
    int nAt = 1;
    bool lHScroll = false;
    int nColPos = 1;
    int nColAct = 1;
    int nColOrder = 0;  // 0: no column marked as the sort order
    int nFreeze = 0;
    bool lCellStyle = false;
    bool lCellColor = false;
    bool lCellLines = true;
    QColor nClrForeHead{0, 0, 0};
    std::optional<QColor> nClrForeFocus;  // default: the system highlight colours
    std::optional<QColor> nClrBackFocus;
    QPixmap hBkgBmp;
    BrowseColor nClrText;
    BrowseColor nClrPane;
    BrowseKeyChar bKeyChar;
    BrowseDblClick bLDblClick;
    BrowseClick bLClicked;
    BrowseClick bRClicked;
    std::vector<std::vector<Value>> aArray;  // the items of setArray

    // ---- Bitmaps of the cells --------------------------------------------
    // Registers a bitmap resource (Resources.h) for the cells and returns
    // its number, the value a cell gives to draw it; 0 for an unknown name.
    int addBitmap(const QString& name);
    int addBitmap(const QPixmap& pixmap);
    // The bitmap of that number; null when there is none.
    QPixmap bitmapAt(int n) const;

    // ---- Navigation ------------------------------------------------------
    void goTop();
    void goBottom();
    void goUp();
    void goDown();
    void pageUp();
    void pageDown();
    void goLeft();
    void goRight();
    // Moves n rows as the keys do (the highlight follows, the rows scroll
    // when it would leave the window); returns the rows moved.
    int64_t skip(int64_t n);
    // The record at index position p (1-based), as a thumb drag does.
    void goToPosition(uint64_t p);

    // STABILIZE: re-reads the current record's position, redraws, runs the
    // change handler and gives the list the focus unless told not to.
    void stabilize(bool setFocus = true);
    // Shows a list of items instead of a table.
    void setArray(std::vector<std::vector<Value>> items);
    // Reads the visible rows again and repaints (the current record stays).
    void refresh() override;
    void initiate() override;

    // ---- Geometry --------------------------------------------------------
    // The rows that fit.
    int nRowCount() const;
    // The column (1-based) under the pixel x, the last visible one beyond.
    int nAtCol(int x) const;
    bool isColVisible(int col) const;
    int rowHeight() const;
    int headerHeight() const;
    // The rectangle of a cell of a visible row, in the list's coordinates.
    QRect cellRect(int row, int col) const;
    // The visible row (1-based) under the pixel y; 0 outside the rows.
    int nAtRow(int y) const;
    // The column widths in force (a last 0 resolved, a dropped column gone).
    const std::vector<int>& colWidths() const { return m_widths; }
    int colCount() const { return static_cast<int>(m_widths.size()); }

    // ---- What is shown ---------------------------------------------------
    // The rows drawn now, and the text of a cell as drawn (trimmed as its
    // alignment asks; "" for a bitmap).
    int rowsShown() const { return static_cast<int>(m_rows.size()); }
    QString cellText(int row, int col) const;
    // The bitmap number of a cell (0 when it shows text).
    int cellBitmap(int row, int col) const;
    QColor cellFore(int row, int col) const;
    QColor cellBack(int row, int col) const;
    // The index position of the current record, as the scroll bar shows it.
    uint64_t position() const { return m_pos; }
    uint64_t rowTotal() const { return m_count; }
    // The list's table (nullptr for a list of items or a closed table).
    data::Table* table() const;
    BrowseView* view() const;
    void setToolTip(const QString& text);

    // ---- In-place editing ------------------------------------------------
    // EditColumn: edits a copy of the value (default: the current cell of
    // the current column) in a borderless form over the cell; returns the
    // value confirmed, nothing when cancelled.
    std::optional<Value> editColumn(std::optional<Value> value = std::nullopt,
                                    const QString& mask = {}, EditRule rule = {},
                                    bool withButtons = true);

    // ---- Input (the view calls these) ------------------------------------
    // True when the key was taken.
    bool keyDown(int key, Qt::KeyboardModifiers mods, const QString& text);
    void lButtonDown(int y, int x, int flags);
    void rButtonDown(int y, int x, int flags);
    void lDblClick(int y, int x, int flags);
    void mouseWheel(int delta, bool middleHeld);
    // The vertical scroll bar: a QAbstractSlider action, and the thumb
    // released at a position.
    void vScroll(int action);
    void vThumb(int position);
    void hScroll(int position);

    // ---- KeyList (the typed searches) ------------------------------------
    void redrawAround() override;
    void highlightDown() override;
    void makeFirstVisible() override;

private:
    TWBrowse(int id, TContainer& form, TWBrowseArgs args, std::source_location where);

    struct Row {
        std::vector<Value> cells;
        std::vector<QColor> fore, back;
    };

    void bindTable();
    void layoutColumns();
    void adjustHeight();
    void loadRows();
    void moved();  // after a move: normalise, read the rows, repaint, change handler
    void normalize();
    void updateScrollBars();
    void runChanged();
    void stabilizeImpl(bool setFocus, bool change);
    void clearSearch();
    // The row under y, made current; false when there is none.
    bool moveToRow(int y);
    template <class F>
    void guarded(F&& fn);

    std::function<uint32_t()> m_bookmark;        // where the current row is
    std::function<void(uint32_t)> m_goBookmark;  // back to it
    std::function<uint64_t()> m_keyPosition;     // the current row's index position
    std::function<void(uint64_t)> m_goPosition;  // straight to an index position (tables)
    std::function<void()> m_settle;              // Stabilize step 2
    std::function<bool()> m_atEnd;               // no current row

    std::vector<QPixmap> m_bitmaps;
    std::vector<int> m_widths;
    std::vector<Row> m_rows;
    uint64_t m_pos = 0;
    uint64_t m_count = 0;
    bool m_ready = false;
};

// STABILIZE(list).
void stabilize(TWBrowse& list);
// EDCOL: in-place editing of the first field of the list's current record;
// with append, of a new blank record. True when a value was confirmed.
bool edCol(TWBrowse& list, bool append, const QString& mask = {});

}  // namespace drav::ui
