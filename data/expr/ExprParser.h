// Parser of the expression texts: turns a text into a typed node tree bound
// to a table's fields (see Expression.h for the language).
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "data/expr/ExprNode.h"

#include <string>
#include <string_view>

namespace drav::data {

class ExprParser {
public:
    ExprParser(std::string_view text, const RecordContext& fields);

    // The whole text as one expression; null with error() set on failure.
    NodePtr parse();
    const Status& error() const { return m_error; }

private:
    enum class Tok {
        End,
        Ident,
        Number,
        String,
        LParen,
        RParen,
        Comma,
        Plus,
        Minus,
        Not,
        And,
        Or,
        True,
        False,
        Arrow,
        Dollar,
        Eq,
        ExactEq,
        NotEq,
        Less,
        LessEq,
        Greater,
        GreaterEq,
        Bad
    };

    void advance();
    bool accept(Tok t);
    bool expect(Tok t, const char* what);
    NodePtr fail(int genCode, const std::string& what);

    NodePtr parseOr();
    NodePtr parseAnd();
    NodePtr parseNot();
    NodePtr parseComparison();
    NodePtr parseAdditive();
    NodePtr parseUnary();
    NodePtr parsePrimary();
    NodePtr parseFunction(const std::string& upperName);
    NodePtr parseField(const std::string& name);
    bool parseConstantInt(int* out);

    std::string_view m_text;
    const RecordContext& m_fields;
    size_t m_pos = 0;
    // The current token.
    Tok m_tok = Tok::End;
    size_t m_tokPos = 0;
    std::string m_tokText;
    double m_tokNumber = 0;
    Status m_error;
};

}  // namespace drav::data
