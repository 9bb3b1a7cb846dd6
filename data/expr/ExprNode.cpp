// Evaluation of the compiled expression nodes.
//
// Sections: shared helpers (numbers as stored, STR formatting, the text
// comparison); field nodes; literals; functions (UPPER, DTOS, STR, EMPTY,
// IF, DELETED, RECNO); operators; the factories.
#include "data/expr/ExprNode.h"

#include "util/Date.h"
#include "util/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace drav::data {

// ---- Defaults: a node answers only for its own type -------------------------

void ExprNode::appendText(const RecordContext&, std::string&) const {}
double ExprNode::number(const RecordContext&) const {
    return 0.0;
}
int32_t ExprNode::julian(const RecordContext&) const {
    return 0;
}
bool ExprNode::logical(const RecordContext&) const {
    return false;
}

// ---- Shared helpers ---------------------------------------------------------

double parseNumberField(std::string_view bytes) {
    size_t b = 0, e = bytes.size();
    while (b < e && bytes[b] == ' ') ++b;
    while (e > b && bytes[e - 1] == ' ') --e;
    if (b == e) return 0.0;
    // Integers, the usual content, without the general parser.
    bool negative = false;
    size_t i = b;
    if (bytes[i] == '-') {
        negative = true;
        ++i;
    }
    if (i < e && e - i <= 15) {
        int64_t v = 0;
        size_t j = i;
        for (; j < e && bytes[j] >= '0' && bytes[j] <= '9'; ++j) v = v * 10 + (bytes[j] - '0');
        if (j == e) return negative ? -static_cast<double>(v) : static_cast<double>(v);
    }
    double v = 0.0;
    const char* first = bytes.data() + b;
    if (*first == '+') ++first;
    auto r = std::from_chars(first, bytes.data() + e, v);
    if (r.ec != std::errc()) return 0.0;
    return v;
}

namespace {

// STR's layout of a number given by its decimal digits (the integer part,
// at least one digit, and the fraction, any number): rounded half away from
// zero at `decimals` places, right-aligned in `length`, asterisks over the
// whole width when it does not fit. A value that rounds to zero has no sign.
void appendDecimal(bool negative, std::string_view intDigits, std::string_view fracDigits,
                   int length, int decimals, std::string& out) {
    while (intDigits.size() > 1 && intDigits.front() == '0') intDigits.remove_prefix(1);
    const size_t places = static_cast<size_t>(decimals);
    const size_t point = places > 0 ? 1 : 0;
    // Rounding only ever adds a digit: too wide already is too wide.
    if (intDigits.size() + point + places > static_cast<size_t>(length)) {
        out.append(static_cast<size_t>(length), '*');
        return;
    }
    // The digits at `decimals` places, after a spare one for a carry.
    char local[512];
    std::string heap;
    const size_t count = 1 + intDigits.size() + places;
    char* d = local;
    if (count > sizeof local) {
        heap.resize(count);
        d = heap.data();
    }
    d[0] = '0';
    std::memcpy(d + 1, intDigits.data(), intDigits.size());
    const size_t kept = std::min(places, fracDigits.size());
    if (kept > 0) std::memcpy(d + 1 + intDigits.size(), fracDigits.data(), kept);
    std::memset(d + 1 + intDigits.size() + kept, '0', places - kept);
    if (fracDigits.size() > places && fracDigits[places] >= '5') {
        size_t i = count;
        while (d[--i] == '9') d[i] = '0';
        ++d[i];
    }
    const size_t first = d[0] == '0' ? 1 : 0;
    bool zero = true;
    for (size_t i = first; i < count && zero; ++i) zero = d[i] == '0';
    const bool sign = negative && !zero;
    const size_t intCount = count - places - first;
    const size_t width = (sign ? 1 : 0) + intCount + point + places;
    if (width > static_cast<size_t>(length)) {
        out.append(static_cast<size_t>(length), '*');
        return;
    }
    out.append(static_cast<size_t>(length) - width, ' ');
    if (sign) out += '-';
    out.append(d + first, intCount);
    if (point) {
        out += '.';
        out.append(d + count - places, places);
    }
}

}  // namespace

void appendStr(double value, int length, int decimals, std::string& out) {
    if (length <= 0) return;
    if (decimals < 0) decimals = 0;
    // The shortest decimal text that reads back as the value: the number as
    // it was written, so that 2.675 (stored as 2.67499999...) rounds to 2.68
    // and a whole number of 15 digits keeps its last one.
    char text[400];
    const auto r = std::isfinite(value)
                       ? std::to_chars(text, text + sizeof text, std::fabs(value),
                                       std::chars_format::fixed)
                       : std::to_chars_result{text, std::errc::value_too_large};
    if (r.ec != std::errc()) {
        out.append(static_cast<size_t>(length), '*');  // cannot be shown
        return;
    }
    const std::string_view all(text, static_cast<size_t>(r.ptr - text));
    const size_t dot = all.find('.');
    appendDecimal(value < 0, all.substr(0, dot),
                  dot == std::string_view::npos ? std::string_view() : all.substr(dot + 1), length,
                  decimals, out);
}

int compareText(std::string_view left, std::string_view right) {
    size_t n = std::min(left.size(), right.size());
    int c = n ? std::memcmp(left.data(), right.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return left.size() < right.size() ? -1 : 0;
}

namespace {

bool isBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The julian day of a D field as stored ("YYYYMMDD"; anything else, blanks
// included, is the empty date).
int32_t julianOfField(std::string_view bytes) {
    return Date::fromDtos(bytes).julian();
}

// True when the stored bytes are a real date, so DTOS gives them unchanged.
bool isValidDtos(std::string_view b) {
    if (b.size() != 8) return false;
    for (char c : b)
        if (!isDigit(c)) return false;
    int y = (b[0] - '0') * 1000 + (b[1] - '0') * 100 + (b[2] - '0') * 10 + (b[3] - '0');
    int m = (b[4] - '0') * 10 + (b[5] - '0');
    int d = (b[6] - '0') * 10 + (b[7] - '0');
    return y >= 1 && d >= 1 && d <= daysInMonth(y, m);
}

void appendDtos(int32_t julian, std::string& out) {
    if (julian <= 0) {
        out.append(8, ' ');
        return;
    }
    out += Date::fromJulian(julian).dtos();
}

// ---- Fields -----------------------------------------------------------------

class TextField : public ExprNode {
public:
    TextField(int index, int length) : ExprNode('C'), m_index(index), m_length(length) {}
    int fixedLength() const override { return m_length; }
    void appendText(const RecordContext& r, std::string& out) const override {
        std::string_view b = r.fieldBytes(m_index);
        out.append(b.data(), b.size());
    }

private:
    int m_index, m_length;
};

class MemoField : public ExprNode {
public:
    explicit MemoField(int index) : ExprNode('C'), m_index(index) {}
    void appendText(const RecordContext& r, std::string& out) const override {
        Value v = r.fieldValue(m_index);
        if (auto* s = std::get_if<std::string>(&v)) out += *s;
    }

private:
    int m_index;
};

class NumberField : public ExprNode {
public:
    explicit NumberField(int index) : ExprNode('N'), m_index(index) {}
    double number(const RecordContext& r) const override {
        return parseNumberField(r.fieldBytes(m_index));
    }
    int index() const { return m_index; }

private:
    int m_index;
};

class DateField : public ExprNode {
public:
    explicit DateField(int index) : ExprNode('D'), m_index(index) {}
    int32_t julian(const RecordContext& r) const override {
        return julianOfField(r.fieldBytes(m_index));
    }
    int index() const { return m_index; }

private:
    int m_index;
};

class LogicalField : public ExprNode {
public:
    explicit LogicalField(int index) : ExprNode('L'), m_index(index) {}
    bool logical(const RecordContext& r) const override {
        std::string_view b = r.fieldBytes(m_index);
        if (b.empty()) return false;
        char c = b[0];
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }

private:
    int m_index;
};

// ---- Literals -----------------------------------------------------------------

class TextLiteral : public ExprNode {
public:
    explicit TextLiteral(std::string t) : ExprNode('C'), m_text(std::move(t)) {}
    int fixedLength() const override { return static_cast<int>(m_text.size()); }
    void appendText(const RecordContext&, std::string& out) const override { out += m_text; }

private:
    std::string m_text;
};

class NumberLiteral : public ExprNode {
public:
    explicit NumberLiteral(double v) : ExprNode('N'), m_value(v) {}
    double number(const RecordContext&) const override { return m_value; }

private:
    double m_value;
};

class DateLiteral : public ExprNode {
public:
    explicit DateLiteral(int32_t julian) : ExprNode('D'), m_julian(julian) {}
    int32_t julian(const RecordContext&) const override { return m_julian; }

private:
    int32_t m_julian;
};

class LogicalLiteral : public ExprNode {
public:
    explicit LogicalLiteral(bool v) : ExprNode('L'), m_value(v) {}
    bool logical(const RecordContext&) const override { return m_value; }

private:
    bool m_value;
};

// ---- Functions ------------------------------------------------------------------

class Upper : public ExprNode {
public:
    explicit Upper(NodePtr c) : ExprNode('C'), m_child(std::move(c)) {}
    int fixedLength() const override { return m_child->fixedLength(); }
    void appendText(const RecordContext& r, std::string& out) const override {
        size_t from = out.size();
        m_child->appendText(r, out);
        upperAscii(out.data() + from, out.size() - from);
    }

private:
    NodePtr m_child;
};

class Dtos : public ExprNode {
public:
    explicit Dtos(NodePtr c) : ExprNode('C'), m_child(std::move(c)) {}
    int fixedLength() const override { return 8; }
    void appendText(const RecordContext& r, std::string& out) const override {
        appendDtos(m_child->julian(r), out);
    }

private:
    NodePtr m_child;
};

// DTOS of a date field: a valid stored date is already its own DTOS text.
class DtosField : public ExprNode {
public:
    explicit DtosField(int index) : ExprNode('C'), m_index(index) {}
    int fixedLength() const override { return 8; }
    void appendText(const RecordContext& r, std::string& out) const override {
        std::string_view b = r.fieldBytes(m_index);
        if (isValidDtos(b))
            out.append(b.data(), 8);
        else
            out.append(8, ' ');
    }

private:
    int m_index;
};

class Str : public ExprNode {
public:
    Str(NodePtr c, int length, int decimals)
        : ExprNode('C'), m_child(std::move(c)), m_length(length), m_decimals(decimals) {}
    int fixedLength() const override { return m_length; }
    void appendText(const RecordContext& r, std::string& out) const override {
        appendStr(m_child->number(r), m_length, m_decimals, out);
    }

private:
    NodePtr m_child;
    int m_length, m_decimals;
};

// The decimal digits of a number field as stored: blanks around, an
// optional minus, digits, and a point followed by digits. False for
// anything else and for more than 15 significant digits, where the number
// read into a double might not give the same digits back.
bool storedDigits(std::string_view b, bool* negative, std::string_view* intDigits,
                  std::string_view* fracDigits) {
    size_t i = 0, e = b.size();
    while (i < e && b[i] == ' ') ++i;
    while (e > i && b[e - 1] == ' ') --e;
    *negative = i < e && b[i] == '-';
    if (*negative) ++i;
    const size_t intFrom = i;
    while (i < e && isDigit(b[i])) ++i;
    if (i == intFrom) return false;
    *intDigits = b.substr(intFrom, i - intFrom);
    *fracDigits = {};
    if (i < e) {
        if (b[i] != '.') return false;
        const size_t fracFrom = ++i;
        while (i < e && isDigit(b[i])) ++i;
        if (i != e || i == fracFrom) return false;
        *fracDigits = b.substr(fracFrom, i - fracFrom);
    }
    size_t significant = intDigits->size() + fracDigits->size();
    for (size_t k = intFrom; k < e && (b[k] == '0' || b[k] == '.'); ++k)
        if (b[k] == '0') --significant;
    return significant <= 15;
}

// STR of a number field, the usual shape in keys ("STR( numero, 3 )"): the
// stored digits are rounded and laid out as they are, without reading the
// number into a double and writing it out again. Whatever the stored text
// does not say plainly goes the general way, with the same result.
class StrField : public ExprNode {
public:
    StrField(int index, int length, int decimals)
        : ExprNode('C'), m_index(index), m_length(length), m_decimals(decimals) {}
    int fixedLength() const override { return m_length; }
    void appendText(const RecordContext& r, std::string& out) const override {
        const std::string_view b = r.fieldBytes(m_index);
        bool negative = false;
        std::string_view intDigits, fracDigits;
        if (m_length > 0 && storedDigits(b, &negative, &intDigits, &fracDigits))
            appendDecimal(negative, intDigits, fracDigits, m_length, std::max(m_decimals, 0), out);
        else
            appendStr(parseNumberField(b), m_length, m_decimals, out);
    }

private:
    int m_index, m_length, m_decimals;
};

class Empty : public ExprNode {
public:
    explicit Empty(NodePtr c) : ExprNode('L'), m_child(std::move(c)) {}
    bool logical(const RecordContext& r) const override {
        switch (m_child->type()) {
            case 'C': {
                std::string s;
                m_child->appendText(r, s);
                for (char c : s)
                    if (!isBlankChar(c)) return false;
                return true;
            }
            case 'N':
                return m_child->number(r) == 0.0;
            case 'D':
                return m_child->julian(r) <= 0;
            default:
                return !m_child->logical(r);
        }
    }

private:
    NodePtr m_child;
};

class If : public ExprNode {
public:
    If(NodePtr c, NodePtr a, NodePtr b)
        : ExprNode(a->type()), m_cond(std::move(c)), m_a(std::move(a)), m_b(std::move(b)) {}
    int fixedLength() const override {
        int a = m_a->fixedLength();
        return a == m_b->fixedLength() ? a : -1;
    }
    void appendText(const RecordContext& r, std::string& out) const override {
        (m_cond->logical(r) ? m_a : m_b)->appendText(r, out);
    }
    double number(const RecordContext& r) const override {
        return (m_cond->logical(r) ? m_a : m_b)->number(r);
    }
    int32_t julian(const RecordContext& r) const override {
        return (m_cond->logical(r) ? m_a : m_b)->julian(r);
    }
    bool logical(const RecordContext& r) const override {
        return (m_cond->logical(r) ? m_a : m_b)->logical(r);
    }

private:
    NodePtr m_cond, m_a, m_b;
};

class Deleted : public ExprNode {
public:
    Deleted() : ExprNode('L') {}
    bool logical(const RecordContext& r) const override { return r.deleted(); }
};

class Recno : public ExprNode {
public:
    Recno() : ExprNode('N') {}
    double number(const RecordContext& r) const override { return r.recno(); }
};

// ---- Operators --------------------------------------------------------------------

class Concat : public ExprNode {
public:
    Concat(NodePtr a, NodePtr b) : ExprNode('C'), m_a(std::move(a)), m_b(std::move(b)) {}
    int fixedLength() const override {
        int a = m_a->fixedLength(), b = m_b->fixedLength();
        return a < 0 || b < 0 ? -1 : a + b;
    }
    void appendText(const RecordContext& r, std::string& out) const override {
        m_a->appendText(r, out);
        m_b->appendText(r, out);
    }

private:
    NodePtr m_a, m_b;
};

class Arithmetic : public ExprNode {
public:
    Arithmetic(char op, NodePtr a, NodePtr b)
        : ExprNode('N'), m_op(op), m_a(std::move(a)), m_b(std::move(b)) {}
    double number(const RecordContext& r) const override {
        double a = m_a->number(r), b = m_b->number(r);
        return m_op == '+' ? a + b : a - b;
    }

private:
    char m_op;
    NodePtr m_a, m_b;
};

class Negate : public ExprNode {
public:
    explicit Negate(NodePtr c) : ExprNode('N'), m_child(std::move(c)) {}
    double number(const RecordContext& r) const override { return -m_child->number(r); }

private:
    NodePtr m_child;
};

class Not : public ExprNode {
public:
    explicit Not(NodePtr c) : ExprNode('L'), m_child(std::move(c)) {}
    bool logical(const RecordContext& r) const override { return !m_child->logical(r); }

private:
    NodePtr m_child;
};

class AndOr : public ExprNode {
public:
    AndOr(bool isAnd, NodePtr a, NodePtr b)
        : ExprNode('L'), m_and(isAnd), m_a(std::move(a)), m_b(std::move(b)) {}
    bool logical(const RecordContext& r) const override {
        bool a = m_a->logical(r);
        if (m_and ? !a : a) return a;
        return m_b->logical(r);
    }

private:
    bool m_and;
    NodePtr m_a, m_b;
};

bool holds(CompareOp op, int c) {
    switch (op) {
        case CompareOp::Equal:
        case CompareOp::ExactEqual:
            return c == 0;
        case CompareOp::NotEqual:
            return c != 0;
        case CompareOp::Less:
            return c < 0;
        case CompareOp::LessEqual:
            return c <= 0;
        case CompareOp::Greater:
            return c > 0;
        case CompareOp::GreaterEqual:
            return c >= 0;
    }
    return false;
}

template <typename T>
int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

class Compare : public ExprNode {
public:
    Compare(CompareOp op, NodePtr a, NodePtr b)
        : ExprNode('L'), m_op(op), m_a(std::move(a)), m_b(std::move(b)) {}
    bool logical(const RecordContext& r) const override {
        int c = 0;
        switch (m_a->type()) {
            case 'C': {
                std::string a, b;
                m_a->appendText(r, a);
                m_b->appendText(r, b);
                if (m_op == CompareOp::ExactEqual)
                    c = a == b ? 0 : 1;
                else
                    c = compareText(a, b);
                break;
            }
            case 'N':
                c = threeWay(m_a->number(r), m_b->number(r));
                break;
            case 'D':
                c = threeWay(m_a->julian(r), m_b->julian(r));
                break;
            default:
                c = threeWay(m_a->logical(r), m_b->logical(r));
                break;
        }
        return holds(m_op, c);
    }

private:
    CompareOp m_op;
    NodePtr m_a, m_b;
};

class Contains : public ExprNode {
public:
    Contains(NodePtr needle, NodePtr hay)
        : ExprNode('L'), m_needle(std::move(needle)), m_hay(std::move(hay)) {}
    bool logical(const RecordContext& r) const override {
        std::string n, h;
        m_needle->appendText(r, n);
        m_hay->appendText(r, h);
        return h.find(n) != std::string::npos;
    }

private:
    NodePtr m_needle, m_hay;
};

}  // namespace

// ---- Factories ------------------------------------------------------------------

NodePtr makeField(const RecordContext& fields, int index) {
    switch (fields.fieldType(index)) {
        case 'C':
            return std::make_unique<TextField>(index, fields.fieldLength(index));
        case 'M':
            return std::make_unique<MemoField>(index);
        case 'N':
            return std::make_unique<NumberField>(index);
        case 'D':
            return std::make_unique<DateField>(index);
        case 'L':
            return std::make_unique<LogicalField>(index);
        default:
            return nullptr;
    }
}

NodePtr makeTextLiteral(std::string text) {
    return std::make_unique<TextLiteral>(std::move(text));
}
NodePtr makeNumberLiteral(double value) {
    return std::make_unique<NumberLiteral>(value);
}
NodePtr makeDateLiteral(int32_t julian) {
    return std::make_unique<DateLiteral>(julian);
}
NodePtr makeLogicalLiteral(bool value) {
    return std::make_unique<LogicalLiteral>(value);
}
NodePtr makeUpper(NodePtr text) {
    return std::make_unique<Upper>(std::move(text));
}

NodePtr makeDtos(NodePtr date) {
    if (auto* f = dynamic_cast<DateField*>(date.get()))
        return std::make_unique<DtosField>(f->index());
    return std::make_unique<Dtos>(std::move(date));
}

NodePtr makeStr(NodePtr number, int length, int decimals) {
    if (auto* f = dynamic_cast<NumberField*>(number.get()))
        return std::make_unique<StrField>(f->index(), length, decimals);
    return std::make_unique<Str>(std::move(number), length, decimals);
}

NodePtr makeEmpty(NodePtr value) {
    return std::make_unique<Empty>(std::move(value));
}

NodePtr makeIf(NodePtr condition, NodePtr whenTrue, NodePtr whenFalse) {
    return std::make_unique<If>(std::move(condition), std::move(whenTrue), std::move(whenFalse));
}

NodePtr makeDeleted() {
    return std::make_unique<Deleted>();
}
NodePtr makeRecno() {
    return std::make_unique<Recno>();
}
NodePtr makeConcat(NodePtr left, NodePtr right) {
    return std::make_unique<Concat>(std::move(left), std::move(right));
}
NodePtr makeArithmetic(char op, NodePtr left, NodePtr right) {
    return std::make_unique<Arithmetic>(op, std::move(left), std::move(right));
}
NodePtr makeNegate(NodePtr number) {
    return std::make_unique<Negate>(std::move(number));
}
NodePtr makeNot(NodePtr logical) {
    return std::make_unique<Not>(std::move(logical));
}
NodePtr makeAndOr(bool isAnd, NodePtr left, NodePtr right) {
    return std::make_unique<AndOr>(isAnd, std::move(left), std::move(right));
}
NodePtr makeCompare(CompareOp op, NodePtr left, NodePtr right) {
    return std::make_unique<Compare>(op, std::move(left), std::move(right));
}
NodePtr makeContains(NodePtr needle, NodePtr haystack) {
    return std::make_unique<Contains>(std::move(needle), std::move(haystack));
}

}  // namespace drav::data
