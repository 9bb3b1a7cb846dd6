#include "print/TReport.h"

#include "print/TPrinter.h"

#include <algorithm>

namespace drav::print {
namespace {

int sayAlign(Align a) {
    return a == Align::Right ? 1 : a == Align::Center ? 2 : 0;
}

std::vector<ValueBlock> asValues(std::vector<TextBlock> lines) {
    std::vector<ValueBlock> values;
    for (TextBlock& line : lines)
        values.push_back([line = std::move(line)] { return Value(toCp1252(line())); });
    return values;
}

}  // namespace

// ---- 1. building the report ------------------------------------------------------

TReport::TReport(const QString& document, std::vector<TextBlock> head, Align headAlign,
                 std::vector<TextBlock> title, Align titleAlign, std::vector<TextBlock> foot,
                 Align footAlign, const std::vector<TFont>& fonts, bool summary, TPrinter* printer,
                 bool preview)
    : m_lSummary(summary), m_lPreview(preview) {
    if (printer) {
        m_oDevice = printer;
    } else {
        m_ownDevice = std::make_unique<TPrinter>(document, preview, false);
        m_oDevice = m_ownDevice.get();
    }
    adjustFont(fonts.empty() ? std::vector<TFont>{TFont(QStringLiteral("Arial"), 10)} : fonts);

    const TPrinter& p = *m_oDevice;
    m_nTopMargin = 1.1 * m_aFont.front().nHeight();
    m_nLineHeight = m_nTopMargin;
    m_nLeftMargin = 2 * getTextWidth(QStringLiteral("B"));
    m_nLineWidth = p.nHorzRes() - 2 * m_nLeftMargin;
    m_nRow = m_nTopMargin;

    m_oHeader = std::make_unique<TRLine>(*this, std::vector<TextBlock>{}, asValues(std::move(head)),
                                         std::vector<std::string>{}, 0, false, headAlign, 1, false);
    m_oTitle = std::make_unique<TRLine>(*this, std::vector<TextBlock>{}, asValues(std::move(title)),
                                        std::vector<std::string>{}, 0, false, titleAlign, 1, false);
    m_oFooter = std::make_unique<TRLine>(*this, std::vector<TextBlock>{}, asValues(std::move(foot)),
                                         std::vector<std::string>{}, 0, false, footAlign, 1, true);
}

TReport::~TReport() = default;

void TReport::adjustFont(const std::vector<TFont>& fonts) {
    m_aFont.clear();
    for (const TFont& f : fonts) {
        // Courier is re-created smaller so that it keeps to the columns of the
        // proportional faces around it.
        const bool courier =
            f.face().compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0;
        m_aFont.push_back(f.forDevice(*m_oDevice, courier ? 0.779 : 1.0));
    }
}

const TFont& TReport::font(int number) const {
    const size_t i = number >= 1 && size_t(number) <= m_aFont.size() ? size_t(number - 1) : 0;
    return m_aFont[i];
}

TRLine& TReport::addColumn(std::vector<TextBlock> titles, std::vector<ValueBlock> values,
                           std::vector<std::string> pictures, std::optional<int> widthChars,
                           bool total, Align align, int font) {
    m_aColumns.push_back(std::make_unique<TRLine>(*this, std::move(titles), std::move(values),
                                                  std::move(pictures), widthChars, total, align,
                                                  font, false));
    TRLine& col = *m_aColumns.back();
    col.nCol = col.nSize = 0;
    return col;
}

TRGroup& TReport::addGroup(ValueBlock group, TextBlock footer, std::function<int()> font,
                           bool eject) {
    m_aGroups.push_back(std::make_unique<TRGroup>(*this, std::move(group), std::move(footer),
                                                  std::move(font), eject));
    return *m_aGroups.back();
}

void TReport::setColTitFont(int font) {
    for (auto& col : m_aColumns) std::fill(col->aTitleFont.begin(), col->aTitleFont.end(), font);
}

void TReport::setArray(size_t count) {
    m_arrayCount = count;
    m_nAt = 1;
}

bool TReport::lTotal() const {
    if (cGrandTotal.isEmpty()) return false;
    return std::any_of(m_aColumns.begin(), m_aColumns.end(),
                       [](const auto& c) { return c->lTotal; });
}

double TReport::getTextWidth(const QString& text, int font) const {
    return m_oDevice->getTextWidth(text, this->font(font));
}

// ---- 2. widths and left edges --------------------------------------------------------

void TReport::adjColumns() {
    const double b = getTextWidth(QStringLiteral("B"));
    const double right = m_oDevice->nHorzRes() - m_nLeftMargin;
    const bool item = hasItem();
    const TRLine* previous = nullptr;
    for (auto& c : m_aColumns) {
        TRLine& col = *c;
        std::vector<Value> values;
        if (item)
            for (const ValueBlock& v : col.aLine) values.push_back(v());
        const bool singleDate = values.size() == 1 && isDate(values[0]);
        if (values.size() == 1 && !col.alignDecided) {
            if (isNumber(values[0])) col.aAlign[0] = Align::Right;
            if (isDate(values[0])) col.aAlign[0] = Align::Center;
        }
        col.alignDecided = true;

        double width;
        if (!col.widthChars) {
            qsizetype longest = 0;
            for (size_t i = 0; i < values.size(); ++i)
                longest = std::max(longest, col.formatted(i, values[i]).size());
            width = longest * b;
        } else {
            int chars = *col.widthChars;
            if (singleDate && chars <= 7) chars = 8;
            width = chars * b;
        }
        for (size_t i = 0; i < col.aTitle.size(); ++i)
            width = std::max(width, getTextWidth(col.aTitle[i](), col.aTitleFont[i]));
        col.nCol = previous ? previous->nCol + previous->nSize + b : m_nLeftMargin;
        if (col.nCol + width > right) width = std::max(0.0, right - col.nCol);
        col.nSize = width;
        previous = &col;
    }
}

// ---- 3. the run ------------------------------------------------------------------------

void TReport::activate(const ReportCallbacks& cb) {
    TPrinter& p = *m_oDevice;
    if (!p.hasDC()) return;
    m_callbacks = &cb;
    struct Reset {
        const ReportCallbacks*& ref;
        ~Reset() { ref = nullptr; }
    } reset{m_callbacks};

    const uint32_t start = position();
    adjColumns();

    p.startPage();
    if (cb.startPage) cb.startPage();
    m_nRow = m_nTopMargin;
    sayLineSet(*m_oHeader, m_nRow, true);
    sayLineSet(*m_oTitle, m_nRow, true);
    sayTitles();
    if (cb.init) cb.init();
    goTop();
    // An empty list (nothing at its first item) reads nothing.
    const bool empty = !hasItem() || (source() && source()->eof());
    initGroups();
    m_itemsRead = false;

    if (!empty) {
        while (!cb.whileCond || cb.whileCond()) {
            if (!cb.forCond || cb.forCond()) {
                m_itemsRead = true;
                const bool footer = chkGroups(false);
                if (pageFull()) endPage(!footer);
                if (cb.beforeLine) cb.beforeLine();
                if (m_lSummary) {
                    addTotals();
                } else {
                    sayData(cb);
                }
                if (cb.afterLine) cb.afterLine();
            }
            if (!skip() || p.lCancel()) break;
        }
    }

    if (!chkGroups(true) || m_lSummary) line();
    if (lTotal()) sayTotals();
    if (cb.endPage) cb.endPage();
    if (cb.end) cb.end();

    sayFoot();
    p.endPage();
    goTo(start);

    if (m_ownDevice) p.endPrint();
}

void TReport::initGroups() {
    for (auto& g : m_aGroups) g->cValue = hasItem() ? g->bGroup() : Value();
}

bool TReport::chkGroups(bool end) {
    bool any = false;
    for (auto& g : m_aGroups) {
        // At the end of the data every group that had items ends.
        Value value = end ? Value() : g->bGroup();
        const bool changed = end ? m_itemsRead : !(value == g->cValue);
        if (!changed) continue;
        any = true;
        if (!m_lSummary) line();
        g->say(end);
        g->cValue = value;
    }
    return any;
}

void TReport::addTotals() {
    for (auto& col : m_aColumns) {
        if (!col->lTotal || col->aLine.empty()) continue;
        Value v = col->aLine.front()();
        if (isNumber(v)) col->nTotal += std::get<double>(v);
    }
}

// ---- 4. pages and lines -------------------------------------------------------------------

bool TReport::pageFull() const {
    const double footLines = double(m_oFooter->lineCount());
    return m_nRow + m_aFont.front().nHeight() >
           m_oDevice->nVertRes() - m_nTopMargin * (footLines + 1);
}

void TReport::line() {
    const double y = m_nRow - m_nLineHeight / 12;
    m_oDevice->line(y, m_nLeftMargin, y, m_oDevice->nHorzRes() - m_nLeftMargin);
}

void TReport::startLine() {
    if (!pageFull()) return;
    sayFoot();
    m_oDevice->endPage();
    m_oDevice->startPage();
    m_nRow = m_nTopMargin;
    newPageHead();
}

void TReport::endPage(bool rule) {
    if (rule) line();
    if (m_callbacks && m_callbacks->endPage) m_callbacks->endPage();
    sayFoot();
    m_oDevice->endPage();
    m_oDevice->startPage();
    if (m_callbacks && m_callbacks->startPage) m_callbacks->startPage();
    m_nRow = m_nTopMargin;
    newPageHead();
}

void TReport::newPageHead() {
    sayLineSet(*m_oHeader, m_nRow, true);
    sayLineSet(*m_oTitle, m_nRow, true);
    sayTitles();
}

void TReport::sayLineSet(TRLine& set, double row, bool movesRow) {
    for (size_t i = 0; i < set.aLine.size(); ++i) {
        const QString text = set.formatted(i, set.aLine[i]());
        if (!text.isEmpty()) {
            m_oDevice->say(row, set.nCol, text, font(set.aFont[i]()), set.nSize, set.aClrText[i](),
                           1, sayAlign(set.aAlign[i]));
        }
        row += m_nLineHeight;
        if (movesRow) m_nRow = row;
    }
}

void TReport::sayFoot() {
    const double lines = double(m_oFooter->lineCount());
    if (lines == 0) return;
    sayLineSet(*m_oFooter, m_oDevice->nVertRes() - m_nTopMargin * (lines + 1), false);
}

void TReport::sayTitles() {
    size_t most = 0;
    for (auto& col : m_aColumns) {
        for (size_t i = 0; i < col->titleCount(); ++i) col->sayTitle(m_nRow + i * m_nLineHeight, i);
        most = std::max(most, col->titleCount());
    }
    m_nRow += most * m_nLineHeight;
    line();
}

void TReport::sayData(const ReportCallbacks& cb) {
    addTotals();
    size_t most = 0;
    for (auto& col : m_aColumns) most = std::max(most, col->say(m_nRow));
    m_nRow += most * m_nLineHeight;
    if (cb.onLine) cb.onLine();
    if (lSeparator) line();
}

void TReport::sayTotals() {
    const int titleFont =
        m_aColumns.empty() || m_aColumns[0]->aTitleFont.empty() ? 1 : m_aColumns[0]->aTitleFont[0];
    m_oDevice->say(m_nRow, m_nLeftMargin, cGrandTotal, font(titleFont), m_nLineWidth);
    for (auto& col : m_aColumns)
        if (col->lTotal) col->sayTotal(m_nRow);
    m_nRow += m_nLineHeight;
}

void TReport::say(int column, const QString& text, int fontNumber, int align) {
    if (column < 1 || size_t(column) > m_aColumns.size()) return;
    const TRLine& col = *m_aColumns[size_t(column - 1)];
    const QColor colour = col.aClrText.empty() ? QColor(Qt::black) : col.aClrText[0]();
    if (align == 1) {
        const double width = m_oDevice->nHorzRes() - m_nLeftMargin - col.nCol;
        m_oDevice->say(m_nRow, col.nCol, text, font(fontNumber), std::max(0.0, width), colour);
    } else {
        m_oDevice->say(m_nRow, col.nCol, text, font(fontNumber), col.nSize, colour, 1,
                       align == 2 ? 1 : 2);
    }
}

// ---- 5. the items -----------------------------------------------------------------------------

RowSource* TReport::source() const {
    if (m_arrayCount) return nullptr;
    return m_source ? m_source : currentRowSource();
}

bool TReport::hasItem() const {
    if (m_arrayCount) return m_nAt >= 1 && m_nAt <= *m_arrayCount;
    return source() != nullptr;
}

uint32_t TReport::position() const {
    if (m_arrayCount) return m_nAt <= *m_arrayCount ? uint32_t(m_nAt) : 0;
    RowSource* s = source();
    return s ? s->recNo() : 0;
}

void TReport::goTop() {
    if (m_arrayCount) {
        m_nAt = 1;
    } else if (RowSource* s = source()) {
        s->first();
    }
}

bool TReport::skip() {
    if (m_arrayCount) {
        if (m_nAt >= *m_arrayCount) return false;
        ++m_nAt;
        return true;
    }
    RowSource* s = source();
    return s && s->next();
}

void TReport::goTo(uint32_t pos) {
    if (m_arrayCount) {
        m_nAt = pos ? pos : 1;
    } else if (RowSource* s = source()) {
        s->goTo(pos);
    }
}

// ---- the lists of the system --------------------------------------------------------------------

std::unique_ptr<TReport> listReport(const QString& document, const QString& headTitle,
                                    double fontPoints) {
    auto self = std::make_shared<TReport*>(nullptr);
    std::vector<TextBlock> head = {
        [self, headTitle] { return (*self)->header().sayHdr(headTitle); },
        [] { return QString(); },
    };
    auto report =
        std::make_unique<TReport>(document, std::move(head), Align::Left, std::vector<TextBlock>{},
                                  Align::Center, std::vector<TextBlock>{}, Align::Left,
                                  std::vector<TFont>{TFont(QStringLiteral("Arial"), fontPoints)});
    *self = report.get();
    return report;
}

}  // namespace drav::print
