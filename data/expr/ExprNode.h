// The compiled form of a key or condition expression: a tree of typed
// nodes, each bound at compile time to the table's field positions.
//
// Sections: the node interface; the factories the parser builds trees with.
//
// Every node has a static type ('C' text, 'N' number, 'D' date, 'L'
// logical) known when the expression is compiled, so evaluation never meets
// a type error and never allocates for the common key shapes: text nodes
// append their bytes straight into the caller's buffer, numbers, dates and
// logicals come back as plain values.
#pragma once

#include "data/RecordContext.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace drav::data {

class ExprNode {
public:
    explicit ExprNode(char type) : m_type(type) {}
    virtual ~ExprNode() = default;
    ExprNode(const ExprNode&) = delete;
    ExprNode& operator=(const ExprNode&) = delete;

    char type() const { return m_type; }
    // For text nodes: the length of the value when it is the same on every
    // record, else -1.
    virtual int fixedLength() const { return -1; }

    // Only the accessor of the node's own type is meaningful.
    virtual void appendText(const RecordContext& record, std::string& out) const;
    virtual double number(const RecordContext& record) const;
    virtual int32_t julian(const RecordContext& record) const;  // 0: the empty date
    virtual bool logical(const RecordContext& record) const;

private:
    char m_type;
};

using NodePtr = std::unique_ptr<ExprNode>;

// The operators of comparisons.
enum class CompareOp { Equal, ExactEqual, NotEqual, Less, LessEqual, Greater, GreaterEqual };

// Factories. Each expects children of the right types (the parser checks).
NodePtr makeField(const RecordContext& fields, int index);
NodePtr makeTextLiteral(std::string text);
NodePtr makeNumberLiteral(double value);
NodePtr makeDateLiteral(int32_t julian);  // 0: the empty date
NodePtr makeLogicalLiteral(bool value);
NodePtr makeUpper(NodePtr text);
NodePtr makeDtos(NodePtr date);
NodePtr makeStr(NodePtr number, int length, int decimals);
NodePtr makeEmpty(NodePtr value);
NodePtr makeIf(NodePtr condition, NodePtr whenTrue, NodePtr whenFalse);
NodePtr makeDeleted();
NodePtr makeRecno();
NodePtr makeConcat(NodePtr left, NodePtr right);
NodePtr makeArithmetic(char op, NodePtr left, NodePtr right);  // '+' or '-' on numbers
NodePtr makeNegate(NodePtr number);
NodePtr makeNot(NodePtr logical);
NodePtr makeAndOr(bool isAnd, NodePtr left, NodePtr right);
NodePtr makeCompare(CompareOp op, NodePtr left, NodePtr right);
NodePtr makeContains(NodePtr needle, NodePtr haystack);

// Helpers shared with the key encoder and the tests.
// A number as an N field stores it: blanks read as 0.
double parseNumberField(std::string_view bytes);
// STR( value, length, decimals ): right-aligned, rounded half away from
// zero as the number is written (its shortest decimal form), asterisks over
// the whole width when it does not fit.
void appendStr(double value, int length, int decimals, std::string& out);
// Text comparison of the "=" family: the left text is compared over the
// length of the right one (so "ROSSI MARIO" = "ROSSI" holds, and "" equals
// everything); a left text shorter than the right one, equal as far as it
// goes, is smaller.
int compareText(std::string_view left, std::string_view right);

}  // namespace drav::data
