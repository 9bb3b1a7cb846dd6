// The browse list. Sections: helpers; binding and layout; the rows;
// navigation; Stabilize; input; in-place editing.
#include "ui/TWBrowse.h"

#include "data/access/KeySearch.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "ui/BrowseView.h"
#include "ui/FormHelpers.h"
#include "ui/Resources.h"
#include "ui/TBtnBmp.h"
#include "ui/TContainer.h"
#include "ui/TDialog.h"
#include "ui/TGet.h"
#include "util/Cp1252.h"
#include "util/Text.h"

#include <QAbstractSlider>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>

namespace drav::ui {

// ---- Helpers ---------------------------------------------------------------

namespace {

// Selects the list's table for the time of a callback, and the slot that was
// current before afterwards.
class SlotScope {
public:
    explicit SlotScope(data::Table* t) : m_previous(data::currentSlot()) {
        if (t) data::select(t->slot());
    }
    ~SlotScope() {
        if (m_previous > 0) data::select(m_previous);
    }
    SlotScope(const SlotScope&) = delete;
    SlotScope& operator=(const SlotScope&) = delete;

private:
    int m_previous;
};

// Moves n records of the table's order, stopping on the last record past
// the end and on the first before the start; returns the records moved.
int64_t skipTable(data::Table& t, int64_t n) {
    if (n == 0) return 0;
    if (t.eof()) {
        t.goBottom();
        if (t.eof()) return 0;
    }
    int64_t moved = 0;
    while (moved < n) {
        t.skip(1);
        if (t.eof()) {
            t.goBottom();
            break;
        }
        ++moved;
    }
    while (moved > n) {
        t.skip(-1);
        if (t.bof()) break;
        --moved;
    }
    return moved;
}

bool blank(const Value& v) {
    if (isNil(v)) return true;
    if (isText(v)) return std::get<std::string>(v).find_first_not_of(' ') == std::string::npos;
    if (isDate(v)) return std::get<Date>(v).isEmpty();
    return false;
}

// The controls that follow a widget in its window's tab order, each taken
// once: a control whose focus goes to another (a field inside a combo box)
// and the parts of a compound control travel with their owner.
QList<QWidget*> focusableAfter(QWidget* widget) {
    QList<QWidget*> out;
    QWidget* window = widget->window();
    for (QWidget* w = widget->nextInFocusChain(); w && w != widget && w != window;
         w = w->nextInFocusChain()) {
        if (w->window() != window || w->focusPolicy() == Qt::NoFocus || w->focusProxy() ||
            widget->isAncestorOf(w))
            continue;
        const bool part = std::any_of(out.begin(), out.end(),
                                      [w](const QWidget* owner) { return owner->isAncestorOf(w); });
        if (!part) out << w;
    }
    return out;
}

}  // namespace

// ---- Binding and layout ----------------------------------------------------

TWBrowse* TWBrowse::reDefine(int id, TContainer& form, TWBrowseArgs args,
                             std::source_location where) {
    return new TWBrowse(id, form, std::move(args), where);
}

TWBrowse::TWBrowse(int id, TContainer& form, TWBrowseArgs args, std::source_location where)
    : TControl(id, Binding{}, form, where) {
    bLine = std::move(args.line);
    aHeaders = std::move(args.headers);
    aColSizes = std::move(args.sizes);
    if (args.change) {
        auto fn = std::move(args.change);
        bChange = [this, fn] { fn(*this); };
    }
    bLDblClick = std::move(args.dblClick);
    bRClicked = std::move(args.rClick);
    nClrText = std::move(args.clrText);
    nClrPane = std::move(args.clrPane);
    bWhen = std::move(args.when);
    bLClicked = std::move(args.lClick);
    aActions = std::move(args.actions);
    if (!args.alias.empty()) {
        cAlias = args.alias;
    } else if (data::Table* t = data::tableIn(data::currentSlot())) {
        cAlias = t->alias();
    }
    bindTable();
    clearSearch();

    // The view takes the place of the template's place holder.
    QWidget* holder = findWidget(id);
    if (!holder) {
        idNotFound(id);
        return;
    }
    const QList<QWidget*> following = focusableAfter(holder);
    auto* view = new BrowseView(holder->parentWidget());
    view->setObjectName(holder->objectName());
    view->setGeometry(holder->geometry());
    view->setFont(holder->font());
    view->stackUnder(holder);
    delete holder;
    // A new widget joins the tab order at its end; the list keeps the place
    // its template gives it instead, so that the first control of a list
    // screen (the list) has the focus when the form opens and the arrows
    // and Enter act on it.
    // Qt moves a control behind another only when it does not follow it
    // already, counting round the end of the chain, where the list now
    // stands: the last control goes behind the list first, then the others
    // in their order in between.
    if (!following.isEmpty()) {
        QWidget::setTabOrder(view, following.back());
        QWidget* previous = view;
        for (qsizetype i = 0; i + 1 < following.size(); ++i) {
            QWidget::setTabOrder(previous, following[i]);
            previous = following[i];
        }
    }
    view->setBrowse(this);
    m_widget = view;
}

BrowseView* TWBrowse::view() const {
    return qobject_cast<BrowseView*>(m_widget.data());
}

data::Table* TWBrowse::table() const {
    if (cAlias.empty() || cAlias == "ARRAY") return nullptr;
    return data::findAlias(cAlias);
}

void TWBrowse::bindTable() {
    bLogicLen = [this]() -> uint64_t {
        data::Table* t = table();
        return t ? t->keyCount() : 0;
    };
    bGoTop = [this] {
        if (data::Table* t = table()) t->goTop();
    };
    bGoBottom = [this] {
        if (data::Table* t = table()) t->goBottom();
    };
    bSkip = [this](int64_t n) -> int64_t {
        data::Table* t = table();
        return t ? skipTable(*t, n) : 0;
    };
    m_bookmark = [this]() -> uint32_t {
        data::Table* t = table();
        return t ? t->recno() : 0;
    };
    m_goBookmark = [this](uint32_t r) {
        if (data::Table* t = table()) t->goTo(r);
    };
    m_keyPosition = [this]() -> uint64_t {
        data::Table* t = table();
        return t ? t->keyPosition() : 0;
    };
    m_goPosition = [this](uint64_t p) {
        if (data::Table* t = table()) t->goToPosition(p);
    };
    m_settle = [this] {
        data::Table* t = table();
        if (!t) return;
        // The current record read again (another station may have changed
        // or deleted it); deleted: the next one; past the end: the last one.
        if (!t->eof()) t->goTo(t->recno());
        if (!t->eof() && t->deleted()) t->skip(1);
        if (t->eof()) t->goBottom();
    };
    m_atEnd = [this] {
        data::Table* t = table();
        return !t || t->eof();
    };
}

void TWBrowse::setArray(std::vector<std::vector<Value>> items) {
    aArray = std::move(items);
    cAlias = "ARRAY";
    nAt = 1;
    m_goPosition = nullptr;
    auto size = [this] { return static_cast<int64_t>(aArray.size()); };
    bLogicLen = [this] { return static_cast<uint64_t>(aArray.size()); };
    bGoTop = [this] { nAt = 1; };
    bGoBottom = [this, size] { nAt = static_cast<int>(std::max<int64_t>(1, size())); };
    bSkip = [this, size](int64_t n) -> int64_t {
        if (size() == 0) return 0;
        int64_t target = std::clamp<int64_t>(nAt + n, 1, size());
        int64_t moved = target - nAt;
        nAt = static_cast<int>(target);
        return moved;
    };
    m_bookmark = [this] { return static_cast<uint32_t>(nAt); };
    m_goBookmark = [this](uint32_t r) { nAt = static_cast<int>(r); };
    m_keyPosition = [this, size]() -> uint64_t { return size() ? static_cast<uint64_t>(nAt) : 0; };
    m_settle = [this, size] {
        nAt = static_cast<int>(std::clamp<int64_t>(nAt, 1, std::max<int64_t>(1, size())));
    };
    m_atEnd = [this] { return aArray.empty(); };
    if (!bLine) {
        bLine = [this]() -> std::vector<Value> {
            if (nAt < 1 || nAt > static_cast<int>(aArray.size())) return {};
            return aArray[static_cast<size_t>(nAt) - 1];
        };
    }
    if (m_ready) stabilize(false);
}

int TWBrowse::addBitmap(const QString& name) {
    QPixmap p = bitmap(name);
    if (p.isNull()) return 0;
    return addBitmap(p);
}

int TWBrowse::addBitmap(const QPixmap& pixmap) {
    m_bitmaps.push_back(pixmap);
    return static_cast<int>(m_bitmaps.size());
}

QPixmap TWBrowse::bitmapAt(int n) const {
    if (n < 1 || n > static_cast<int>(m_bitmaps.size())) return {};
    return m_bitmaps[static_cast<size_t>(n) - 1];
}

void TWBrowse::setToolTip(const QString& text) {
    if (m_widget)
        m_widget->setToolTip(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void TWBrowse::initiate() {
    layoutColumns();
    adjustHeight();
    m_ready = true;
    stabilizeImpl(false, false);
}

int TWBrowse::rowHeight() const {
    if (!m_widget) return 15;
    return m_widget->fontMetrics().height() + 1;
}

int TWBrowse::headerHeight() const {
    return aHeaders.isEmpty() ? 0 : rowHeight() + 4;
}

int TWBrowse::nRowCount() const {
    BrowseView* v = view();
    if (!v) return 1;
    return std::max(1, (v->dataArea().height() - headerHeight()) / rowHeight());
}

void TWBrowse::layoutColumns() {
    size_t n = std::max<size_t>(aColSizes.size(), static_cast<size_t>(aHeaders.size()));
    if (n == 0) n = 1;
    m_widths = aColSizes;
    m_widths.resize(n, 0);
    for (size_t i = 0; i + 1 < n; ++i)
        if (m_widths[i] <= 0) m_widths[i] = 80;
    if (m_widths.back() == 0) {
        // The last column takes the rest of the row; an untitled one is only
        // a filler and goes.
        const bool untitled = !aHeaders.isEmpty() && n > 1 &&
                              (static_cast<qsizetype>(n) > aHeaders.size() ||
                               aHeaders.at(static_cast<qsizetype>(n) - 1).trimmed().isEmpty());
        if (untitled) {
            m_widths.pop_back();
        } else {
            int others = 0;
            for (size_t i = 0; i + 1 < n; ++i) others += m_widths[i];
            const int area = view() ? view()->dataArea().width() : 0;
            m_widths.back() = std::max(0, area - others);
        }
    }
    aJustify.resize(m_widths.size(), Justify::Left);
    nColAct = std::clamp(nColAct, 1, colCount());
    nColPos = std::clamp(nColPos, 1, colCount());
    if (BrowseView* v = view()) {
        v->showHScroll(lHScroll);
        if (QScrollBar* h = v->hScrollBar())
            h->setRange(nFreeze + 1, std::max(nFreeze + 1, colCount()));
    }
}

void TWBrowse::adjustHeight() {
    BrowseView* v = view();
    if (!v) return;
    // A whole number of rows under the header.
    const int fixed = v->height() - v->dataArea().height() + headerHeight();
    const int rows = std::max(1, (v->height() - fixed) / rowHeight());
    v->resize(v->width(), fixed + rows * rowHeight());
}

bool TWBrowse::isColVisible(int col) const {
    if (col < 1 || col > colCount()) return false;
    if (col <= nFreeze) return true;
    if (col < nColPos) return false;
    BrowseView* v = view();
    const int width = v ? v->dataArea().width() : 0;
    int x = 0;
    for (int c = 1; c <= colCount(); ++c) {
        if (c > nFreeze && c < nColPos) continue;
        if (c == col) return x < width;
        x += m_widths[static_cast<size_t>(c) - 1];
    }
    return false;
}

QRect TWBrowse::cellRect(int row, int col) const {
    BrowseView* v = view();
    if (!v || col < 1 || col > colCount() || (col > nFreeze && col < nColPos)) return {};
    const QRect area = v->dataArea();
    int x = area.left();
    for (int c = 1; c < col; ++c) {
        if (c > nFreeze && c < nColPos) continue;
        x += m_widths[static_cast<size_t>(c) - 1];
    }
    const int y = area.top() + headerHeight() + (row - 1) * rowHeight();
    return QRect(x, y, m_widths[static_cast<size_t>(col) - 1], rowHeight());
}

int TWBrowse::nAtCol(int x) const {
    BrowseView* v = view();
    int left = v ? v->dataArea().left() : 0;
    int last = 1;
    for (int c = 1; c <= colCount(); ++c) {
        if (c > nFreeze && c < nColPos) continue;
        left += m_widths[static_cast<size_t>(c) - 1];
        last = c;
        if (x < left) return c;
    }
    return last;
}

int TWBrowse::nAtRow(int y) const {
    BrowseView* v = view();
    if (!v) return 0;
    const int top = v->dataArea().top() + headerHeight();
    if (y < top) return 0;
    const int row = (y - top) / rowHeight() + 1;
    return row <= nRowCount() ? row : 0;
}

// ---- The rows --------------------------------------------------------------

void TWBrowse::loadRows() {
    m_rows.clear();
    if (!bSkip || !bLine) return;
    SlotScope slot(table());
    if (m_atEnd()) {
        nRowPos = 1;
        return;
    }
    const int rows = nRowCount();
    const uint32_t here = m_bookmark();
    // From the current record back to the first visible row, then down.
    const int64_t back = bSkip(-(nRowPos - 1));
    nRowPos = 1 + static_cast<int>(-back);
    const int cols = colCount();
    for (int i = 0; i < rows; ++i) {
        Row r;
        r.cells = bLine();
        r.cells.resize(static_cast<size_t>(cols));
        r.fore.resize(static_cast<size_t>(cols));
        r.back.resize(static_cast<size_t>(cols));
        for (int c = 1; c <= cols; ++c) {
            if (!lCellColor && c > 1) {
                r.fore[c - 1] = r.fore[0];
                r.back[c - 1] = r.back[0];
                continue;
            }
            const int col = lCellColor ? c : 0;
            r.fore[c - 1] = nClrText ? nClrText(col, i + 1) : QColor();
            r.back[c - 1] = nClrPane ? nClrPane(col, i + 1) : QColor();
        }
        m_rows.push_back(std::move(r));
        if (i + 1 < rows && bSkip(1) != 1) break;
    }
    m_goBookmark(here);
}

QString TWBrowse::cellText(int row, int col) const {
    if (row < 1 || row > rowsShown() || col < 1 || col > colCount()) return {};
    const Value& v = m_rows[static_cast<size_t>(row) - 1].cells[static_cast<size_t>(col) - 1];
    if (isNil(v) || isNumber(v)) return {};
    QString text = isText(v) ? fromCp1252(std::get<std::string>(v)) : fromCp1252(cValToChar(v));
    const Justify j = aJustify[static_cast<size_t>(col) - 1];
    return j == Justify::Left ? text : text.trimmed();
}

int TWBrowse::cellBitmap(int row, int col) const {
    if (row < 1 || row > rowsShown() || col < 1 || col > colCount()) return 0;
    const Value& v = m_rows[static_cast<size_t>(row) - 1].cells[static_cast<size_t>(col) - 1];
    if (!isNumber(v)) return 0;
    const int n = static_cast<int>(std::get<double>(v));
    return n >= 1 && n <= static_cast<int>(m_bitmaps.size()) ? n : 0;
}

QColor TWBrowse::cellFore(int row, int col) const {
    if (row < 1 || row > rowsShown() || col < 1 || col > colCount()) return {};
    return m_rows[static_cast<size_t>(row) - 1].fore[static_cast<size_t>(col) - 1];
}

QColor TWBrowse::cellBack(int row, int col) const {
    if (row < 1 || row > rowsShown() || col < 1 || col > colCount()) return {};
    return m_rows[static_cast<size_t>(row) - 1].back[static_cast<size_t>(col) - 1];
}

void TWBrowse::refresh() {
    if (!m_ready) return;
    loadRows();
    if (m_widget) m_widget->update();
}

void TWBrowse::updateScrollBars() {
    BrowseView* v = view();
    if (!v) return;
    QScrollBar* s = v->vScrollBar();
    const QSignalBlocker block(s);
    s->setRange(1, static_cast<int>(std::clamp<uint64_t>(m_count, 1, INT32_MAX)));
    s->setPageStep(nRowCount());
    s->setValue(static_cast<int>(std::clamp<uint64_t>(m_pos, 1, INT32_MAX)));
    if (QScrollBar* h = v->hScrollBar()) {
        const QSignalBlocker blockH(h);
        h->setValue(nColPos);
    }
}

// ---- Navigation ------------------------------------------------------------

void TWBrowse::normalize() {
    const int rows = nRowCount();
    if (m_count == 0 || m_pos == 0) {
        nRowPos = 1;
        return;
    }
    nRowPos = std::clamp(nRowPos, 1, rows);
    if (static_cast<uint64_t>(nRowPos) > m_pos) nRowPos = static_cast<int>(m_pos);
    if (m_pos > m_count) m_count = m_pos;  // records added meanwhile
    if (m_count <= static_cast<uint64_t>(rows)) {
        nRowPos = static_cast<int>(m_pos);
    } else if (m_count - m_pos < static_cast<uint64_t>(rows - nRowPos)) {
        nRowPos = rows - static_cast<int>(m_count - m_pos);
    }
}

void TWBrowse::runChanged() {
    if (bChange) bChange();
}

void TWBrowse::moved() {
    normalize();
    loadRows();
    updateScrollBars();
    if (m_widget) m_widget->update();
    runChanged();
}

void TWBrowse::goTop() {
    SlotScope slot(table());
    bGoTop();
    if (m_atEnd()) return refresh();
    nRowPos = 1;
    m_pos = 1;
    moved();
}

void TWBrowse::goBottom() {
    SlotScope slot(table());
    bGoBottom();
    if (m_atEnd()) return refresh();
    if (m_count == 0) m_count = bLogicLen();
    m_pos = m_count;
    nRowPos = nRowCount();
    moved();
}

int64_t TWBrowse::skip(int64_t n) {
    SlotScope slot(table());
    const int64_t done = bSkip(n);
    if (done == 0) return 0;
    m_pos = static_cast<uint64_t>(std::max<int64_t>(1, static_cast<int64_t>(m_pos) + done));
    nRowPos = static_cast<int>(std::clamp<int64_t>(nRowPos + done, 1, nRowCount()));
    moved();
    return done;
}

void TWBrowse::goUp() {
    skip(-1);
}

void TWBrowse::goDown() {
    skip(1);
}

void TWBrowse::pageUp() {
    SlotScope slot(table());
    const int64_t done = bSkip(-nRowCount());
    if (done == 0) return;
    m_pos = static_cast<uint64_t>(std::max<int64_t>(1, static_cast<int64_t>(m_pos) + done));
    moved();
}

void TWBrowse::pageDown() {
    SlotScope slot(table());
    const int rows = nRowCount();
    const int64_t done = bSkip(rows);
    if (done == 0) return;
    m_pos += static_cast<uint64_t>(done);
    // A shorter move: the last record, on the last row.
    if (done < rows) nRowPos = rows;
    moved();
}

void TWBrowse::goLeft() {
    if (!lHScroll || nColPos <= nFreeze + 1) return;
    --nColPos;
    updateScrollBars();
    if (m_widget) m_widget->update();
    if (bColChange) bColChange();
}

void TWBrowse::goRight() {
    if (!lHScroll || nColPos >= colCount()) return;
    ++nColPos;
    updateScrollBars();
    if (m_widget) m_widget->update();
    if (bColChange) bColChange();
}

void TWBrowse::goToPosition(uint64_t p) {
    SlotScope slot(table());
    if (m_count == 0) m_count = bLogicLen();
    if (m_count == 0) return;
    p = std::clamp<uint64_t>(p, 1, m_count);
    // The shortest way there: from the top, from here or from the bottom.
    const uint64_t fromTop = p - 1;
    const uint64_t fromHere = m_pos > p ? m_pos - p : p - m_pos;
    const uint64_t fromBottom = m_count - p;
    const uint64_t nearby = 2 * static_cast<uint64_t>(std::max(1, nRowCount()));
    if (m_goPosition && std::min({fromTop, fromHere, fromBottom}) > nearby) {
        // Far away in a table: the index crosses whole pages to get there.
        m_goPosition(p);
    } else if (m_pos != 0 && fromHere <= fromTop && fromHere <= fromBottom) {
        bSkip(static_cast<int64_t>(p) - static_cast<int64_t>(m_pos));
    } else if (fromTop <= fromBottom) {
        bGoTop();
        bSkip(static_cast<int64_t>(fromTop));
    } else {
        bGoBottom();
        bSkip(-static_cast<int64_t>(fromBottom));
    }
    m_pos = m_atEnd() ? 0 : m_keyPosition();
    moved();
}

// ---- Stabilize -------------------------------------------------------------

void TWBrowse::stabilize(bool setFocus) {
    stabilizeImpl(setFocus, true);
}

void stabilize(TWBrowse& list) {
    list.stabilize();
}

void TWBrowse::stabilizeImpl(bool setFocus, bool change) {
    if (!m_ready) return;
    SlotScope slot(table());
    m_count = bLogicLen ? bLogicLen() : 0;
    if (m_settle) m_settle();
    m_pos = m_atEnd() ? 0 : m_keyPosition();
    normalize();
    loadRows();
    updateScrollBars();
    if (m_widget) m_widget->update();
    if (change) runChanged();
    if (setFocus && m_widget) m_widget->setFocus(Qt::OtherFocusReason);
}

void TWBrowse::redrawAround() {
    SlotScope slot(table());
    m_pos = m_atEnd() ? 0 : m_keyPosition();
    moved();
}

void TWBrowse::highlightDown() {
    skip(1);
}

void TWBrowse::makeFirstVisible() {
    SlotScope slot(table());
    nRowPos = 1;
    m_pos = m_atEnd() ? 0 : m_keyPosition();
    normalize();
    loadRows();
    if (m_widget) m_widget->update();
}

void TWBrowse::clearSearch() {
    data::keySearch(nullptr, 0);
}

// ---- Input -----------------------------------------------------------------

bool TWBrowse::keyDown(int key, Qt::KeyboardModifiers mods, const QString& text) {
    const bool plain = !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    auto navigate = [this](void (TWBrowse::*move)()) {
        (this->*move)();
        clearSearch();
        return true;
    };
    switch (key) {
        case Qt::Key_Home:
            return navigate(&TWBrowse::goTop);
        case Qt::Key_End:
            return navigate(&TWBrowse::goBottom);
        case Qt::Key_Up:
            return navigate(&TWBrowse::goUp);
        case Qt::Key_Down:
            return navigate(&TWBrowse::goDown);
        case Qt::Key_PageUp:
            return navigate(&TWBrowse::pageUp);
        case Qt::Key_PageDown:
            return navigate(&TWBrowse::pageDown);
        case Qt::Key_Left:
            if (!lHScroll) return false;
            return navigate(&TWBrowse::goLeft);
        case Qt::Key_Right:
            if (!lHScroll) return false;
            return navigate(&TWBrowse::goRight);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!bLDblClick) return false;  // the form's Enter
            {
                SlotScope slot(table());
                bLDblClick(0, 0, 0, *this);
            }
            return true;
        case Qt::Key_Backspace:
            if (bKeyChar) {
                SlotScope slot(table());
                bKeyChar(data::kKeyBackspace, *this);
            }
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            return false;
        default:
            break;
    }
    if (!plain || text.size() != 1) return false;
    const std::string bytes = toCp1252(text);
    if (bytes.size() != 1) return false;
    const int code = static_cast<unsigned char>(bytes[0]);
    if (code < 32 || code == 127) return false;
    if (bKeyChar) {
        SlotScope slot(table());
        bKeyChar(code, *this);
    }
    return true;
}

bool TWBrowse::moveToRow(int y) {
    const int row = nAtRow(y);
    if (row < 1 || row > rowsShown()) return false;
    if (row != nRowPos) {
        SlotScope slot(table());
        const int64_t done = bSkip(row - nRowPos);
        m_pos = static_cast<uint64_t>(std::max<int64_t>(1, static_cast<int64_t>(m_pos) + done));
        nRowPos += static_cast<int>(done);
        moved();
    }
    clearSearch();
    return true;
}

void TWBrowse::lButtonDown(int y, int x, int flags) {
    if (m_widget) m_widget->setFocus(Qt::MouseFocusReason);
    const int col = nAtCol(x);
    BrowseView* v = view();
    if (v && y < v->dataArea().top() + headerHeight()) {
        if (col >= 1 && col <= static_cast<int>(aActions.size()) &&
            aActions[static_cast<size_t>(col) - 1])
            aActions[static_cast<size_t>(col) - 1]();
        return;
    }
    if (!moveToRow(y)) return;
    if (col != nColAct) {
        nColAct = col;
        if (bColChange) bColChange();
        if (lCellStyle && m_widget) m_widget->update();
    }
    if (bLClicked) {
        SlotScope slot(table());
        bLClicked(*this, y, x, flags, nRowPos, col);
    }
}

void TWBrowse::rButtonDown(int y, int x, int flags) {
    if (m_widget) m_widget->setFocus(Qt::MouseFocusReason);
    if (!moveToRow(y)) return;
    if (bRClicked) {
        SlotScope slot(table());
        bRClicked(*this, y, x, flags, nRowPos, nAtCol(x));
    }
}

void TWBrowse::lDblClick(int y, int x, int flags) {
    // The action is for the row clicked, made current when the first click
    // did not already.
    if (!moveToRow(y) || !bLDblClick) return;
    SlotScope slot(table());
    bLDblClick(y, x, flags, *this);
}

void TWBrowse::mouseWheel(int delta, bool middleHeld) {
    if (delta == 0) return;
    if (delta > 0)
        middleHeld ? pageUp() : goUp();
    else
        middleHeld ? pageDown() : goDown();
    clearSearch();
}

void TWBrowse::vScroll(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            goDown();
            break;
        case QAbstractSlider::SliderSingleStepSub:
            goUp();
            break;
        case QAbstractSlider::SliderPageStepAdd:
            pageDown();
            break;
        case QAbstractSlider::SliderPageStepSub:
            pageUp();
            break;
        case QAbstractSlider::SliderToMinimum:
            goTop();
            break;
        case QAbstractSlider::SliderToMaximum:
            goBottom();
            break;
        default:
            return;
    }
    clearSearch();
}

void TWBrowse::vThumb(int position) {
    goToPosition(static_cast<uint64_t>(std::max(1, position)));
    clearSearch();
}

void TWBrowse::hScroll(int position) {
    if (!lHScroll) return;
    const int p = std::clamp(position, nFreeze + 1, std::max(nFreeze + 1, colCount()));
    if (p == nColPos) return;
    nColPos = p;
    if (m_widget) m_widget->update();
    if (bColChange) bColChange();
}

// ---- In-place editing ------------------------------------------------------

std::optional<Value> TWBrowse::editColumn(std::optional<Value> value, const QString& mask,
                                          EditRule rule, bool withButtons) {
    BrowseView* v = view();
    if (!v || nRowPos < 1 || nRowPos > rowsShown()) return std::nullopt;
    const int col = std::clamp(nColAct, 1, colCount());
    Value copy = value
                     ? *value
                     : m_rows[static_cast<size_t>(nRowPos) - 1].cells[static_cast<size_t>(col) - 1];
    if (isNil(copy)) copy = std::string();

    const QRect cell = cellRect(nRowPos, col).intersected(v->dataArea());
    TDialog form(QString(), QStringLiteral("EDCOL"), v->window());
    form.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    form.setFont(v->font());
    form.setFixedSize(cell.size());

    QString editMask = mask;
    editMask.remove(QLatin1Char(','));
    Condition check;
    if (rule) check = [&copy, rule = std::move(rule)] { return rule(copy); };
    auto* get = new TGet(
        101, bindVar(copy), form,
        {.mask = editMask, .valid = std::move(check), .change = [&form] { form.lModify = true; }});
    get->bKeyDown = [&form](int key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        form.Cargo = 1;
        form.end(1);
        return true;
    };
    const int side = std::min(16, cell.height());
    const int buttons = withButtons ? 2 * side : 0;
    if (QLineEdit* e = get->edit()) {
        e->setFrame(false);
        e->setFont(v->font());
        e->setGeometry(0, 0, cell.width() - buttons, cell.height());
        const Justify j = aJustify[static_cast<size_t>(col) - 1];
        e->setAlignment((j == Justify::Right    ? Qt::AlignRight
                         : j == Justify::Center ? Qt::AlignHCenter
                                                : Qt::AlignLeft) |
                        Qt::AlignVCenter);
    }
    auto placeButton = [&](int id, const QString& bmp, const QString& tip, int result, int x) {
        auto* b = new TBtnBmp(id, bmp,
                              [&form, result] {
                                  form.Cargo = result;
                                  form.end(result);
                              },
                              form, {.toolTip = tip, .border = false});
        if (QPushButton* w = b->button()) {
            w->setGeometry(x, (cell.height() - side) / 2, side, side);
            w->setIconSize(QSize(side - 2, side - 2));
            w->setFocusPolicy(Qt::NoFocus);
        }
    };
    if (withButtons) {
        placeButton(102, QStringLiteral("OK"), QStringLiteral("Conferma"), 1,
                    cell.width() - buttons);
        placeButton(103, QStringLiteral("CANCEL"), QStringLiteral("Annulla"), 2,
                    cell.width() - side);
    } else {
        for (const char* id : {"102", "103"})
            if (QWidget* w = form.findChild<QWidget*>(QLatin1String(id))) w->hide();
    }
    form.move(v->mapToGlobal(cell.topLeft()));
    const int result = form.activate({.centered = false,
                                      .valid = [&form] { return valid(form, true); },
                                      .init = [get] { get->setFocus(); },
                                      .owner = v->window()});
    if (result == 0 || result == 2) return std::nullopt;
    return copy;
}

bool edCol(TWBrowse& list, bool append, const QString& mask) {
    data::Table* t = list.table();
    if (!t) return false;
    SlotScope slot(t);
    bool appended = false;
    if (append) {
        const std::string folder = std::filesystem::path(t->path()).parent_path().string();
        if (data::isFull(folder.empty() ? std::string(".") : folder)) return false;
        data::dbApp();
        data::dbCommit();
        data::dbUnlock();
        appended = true;
        list.stabilize();
    } else if (t->eof()) {
        return false;
    }
    const uint32_t recno = t->recno();
    // The field itself, at its full width, is what is edited (the cell may
    // show it trimmed).
    const Value stored = t->get(0);
    std::optional<Value> value = list.editColumn(
        stored, mask, [](const Value& v) { return !blank(v); }, true);
    t = list.table();
    if (!t) return false;
    data::select(t->slot());
    if (t->recno() != recno) t->goTo(recno);
    if (!value) {
        if (appended) data::dbDel();
    } else if (*value != stored) {
        data::dbLock(true);
        data::dbRecall();
        t->put(0, *value);
        data::dbCommit();
        data::dbUnlock();
    }
    list.stabilize();
    return value.has_value();
}

}  // namespace drav::ui
