// A key or condition expression of an index tag or a view, compiled once
// against a table's fields and then evaluated on its records.
//
// The texts are those kept in the index file headers and typed by the search
// screens:
//   fields        cliente, FIELD -> cliente (names in any letter case)
//   literals      "text", 'text', [text], 12, 12.5, .T., .F.,
//                 CTOD( "dd/mm/yy" ) (a date text written in the text)
//   functions     UPPER( c ) (a-z only), DTOS( d ), STR( n [, len [, dec ]] ),
//                 EMPTY( x ), IF( c, a, b ) (also IIF), DELETED(), RECNO();
//                 STR without a length gives 10 characters, 0 decimals
//   operators     + (texts joined, numbers added), - (numbers), comparisons
//                 = == != <> # < <= > >=, $ (left text found in the right one),
//                 ! and .NOT., .AND., .OR., parentheses
// Precedence, loosest first: .OR.; .AND.; ! .NOT.; comparisons and $; + -;
// unary -. Text comparisons other than == compare the left text over the
// length of the right one ("ROSSI MARIO" = "ROSSI" holds).
//
// Types are checked when compiling: a type error is a failed compile, never
// a failure while evaluating. STR's length and decimals must be numbers
// written in the text, so that a key has the same length on every record.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "util/Value.h"

#include <memory>
#include <string>
#include <string_view>

namespace drav::data {

class ExprNode;

class Expression {
public:
    Expression() = default;

    // Parses the text and binds its field names to the positions of the
    // fields of `fields`. Fails (Invalid, generic code 7 for a syntax error,
    // 33 for a type error or an unknown name) with a description.
    static Status compile(std::string_view text, const RecordContext& fields, Expression& out);

    bool isValid() const { return m_root != nullptr; }
    const std::string& text() const { return m_text; }
    // 'C', 'N', 'D' or 'L'; 'U' when not compiled.
    char type() const;
    // For a text expression: its length when the same on every record, else -1.
    int fixedLength() const;

    Value evaluate(const RecordContext& record) const;
    // The typed forms; each is meaningful only for the expression's own type.
    // appendText adds the value's bytes to out, without clearing it.
    void appendText(const RecordContext& record, std::string& out) const;
    double number(const RecordContext& record) const;
    Date date(const RecordContext& record) const;
    bool logical(const RecordContext& record) const;

private:
    std::shared_ptr<const ExprNode> m_root;
    std::string m_text;
};

}  // namespace drav::data
