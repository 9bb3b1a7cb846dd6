// Parser of the expression texts: a hand-written lexer and a recursive
// descent over the precedence levels, with the type rules checked as each
// node is built.
//
// Sections: lexer; precedence levels (.OR. down to unary minus); primaries
// (literals, parentheses, fields, functions).
#include "data/expr/ExprParser.h"

#include "util/Date.h"
#include "util/Text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace drav::data {
namespace {

constexpr int kSyntaxError = 7;  // generic codes of the error handler
constexpr int kTypeError = 33;

bool identStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool identChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

const char* typeName(char t) {
    switch (t) {
        case 'C':
            return "text";
        case 'N':
            return "number";
        case 'D':
            return "date";
        case 'L':
            return "logical";
        default:
            return "nothing";
    }
}

}  // namespace

ExprParser::ExprParser(std::string_view text, const RecordContext& fields)
    : m_text(text), m_fields(fields) {}

// ---- Lexer --------------------------------------------------------------------

void ExprParser::advance() {
    while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
        ++m_pos;
    m_tokPos = m_pos;
    m_tokText.clear();
    if (m_pos >= m_text.size()) {
        m_tok = Tok::End;
        return;
    }
    char c = m_text[m_pos];
    auto next = [&](size_t k) { return m_pos + k < m_text.size() ? m_text[m_pos + k] : '\0'; };
    if (identStart(c)) {
        size_t b = m_pos;
        while (m_pos < m_text.size() && identChar(m_text[m_pos])) ++m_pos;
        m_tokText = m_text.substr(b, m_pos - b);
        m_tok = Tok::Ident;
        return;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && std::isdigit(static_cast<unsigned char>(next(1))))) {
        size_t b = m_pos;
        while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '.' &&
            std::isdigit(static_cast<unsigned char>(next(1)))) {
            ++m_pos;
            while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
                ++m_pos;
        }
        m_tokText = m_text.substr(b, m_pos - b);
        std::from_chars(m_tokText.data(), m_tokText.data() + m_tokText.size(), m_tokNumber);
        m_tok = Tok::Number;
        return;
    }
    if (c == '"' || c == '\'' || c == '[') {
        // [text] holds the quotes a search writes inside a value.
        size_t end = m_text.find(c == '[' ? ']' : c, m_pos + 1);
        if (end == std::string_view::npos) {
            m_tok = Tok::Bad;
            m_tokText = "unterminated text";
            return;
        }
        m_tokText = m_text.substr(m_pos + 1, end - m_pos - 1);
        m_pos = end + 1;
        m_tok = Tok::String;
        return;
    }
    if (c == '.') {
        // .T. .F. .Y. .N. .AND. .OR. .NOT.
        size_t end = m_text.find('.', m_pos + 1);
        if (end != std::string_view::npos) {
            std::string w = upperAscii(m_text.substr(m_pos + 1, end - m_pos - 1));
            Tok t = Tok::Bad;
            if (w == "T" || w == "Y")
                t = Tok::True;
            else if (w == "F" || w == "N")
                t = Tok::False;
            else if (w == "AND")
                t = Tok::And;
            else if (w == "OR")
                t = Tok::Or;
            else if (w == "NOT")
                t = Tok::Not;
            if (t != Tok::Bad) {
                m_pos = end + 1;
                m_tok = t;
                return;
            }
        }
        m_tok = Tok::Bad;
        m_tokText = "unexpected '.'";
        return;
    }
    struct Op {
        const char* text;
        Tok tok;
    };
    static constexpr Op kOps[] = {
        {"==", Tok::ExactEq},   {"!=", Tok::NotEq}, {"<>", Tok::NotEq}, {"<=", Tok::LessEq},
        {">=", Tok::GreaterEq}, {"->", Tok::Arrow}, {"(", Tok::LParen}, {")", Tok::RParen},
        {",", Tok::Comma},      {"+", Tok::Plus},   {"-", Tok::Minus},  {"!", Tok::Not},
        {"$", Tok::Dollar},     {"=", Tok::Eq},     {"#", Tok::NotEq},  {"<", Tok::Less},
        {">", Tok::Greater},
    };
    for (const Op& op : kOps) {
        std::string_view t(op.text);
        if (m_text.substr(m_pos, t.size()) == t) {
            m_pos += t.size();
            m_tok = op.tok;
            return;
        }
    }
    m_tok = Tok::Bad;
    m_tokText = std::string("unexpected '") + c + "'";
}

bool ExprParser::accept(Tok t) {
    if (m_tok != t) return false;
    advance();
    return true;
}

bool ExprParser::expect(Tok t, const char* what) {
    if (accept(t)) return true;
    fail(kSyntaxError, std::string("expected ") + what);
    return false;
}

NodePtr ExprParser::fail(int genCode, const std::string& what) {
    if (m_error) {
        std::string msg = what + " at position " + std::to_string(m_tokPos + 1);
        if (m_tok == Tok::Bad && !m_tokText.empty())
            msg = m_tokText + " at position " + std::to_string(m_tokPos + 1);
        m_error = Status::invalid(std::string(m_text), msg).withCodes(genCode, 0);
    }
    return nullptr;
}

NodePtr ExprParser::parse() {
    m_error = Status::ok();
    m_pos = 0;
    advance();
    NodePtr n = parseOr();
    if (!n) return nullptr;
    if (m_tok != Tok::End) return fail(kSyntaxError, "unexpected text");
    return n;
}

// ---- Precedence levels ----------------------------------------------------------

NodePtr ExprParser::parseOr() {
    NodePtr left = parseAnd();
    while (left && m_tok == Tok::Or) {
        advance();
        NodePtr right = parseAnd();
        if (!right) return nullptr;
        if (left->type() != 'L' || right->type() != 'L')
            return fail(kTypeError, ".OR. needs logical values");
        left = makeAndOr(false, std::move(left), std::move(right));
    }
    return left;
}

NodePtr ExprParser::parseAnd() {
    NodePtr left = parseNot();
    while (left && m_tok == Tok::And) {
        advance();
        NodePtr right = parseNot();
        if (!right) return nullptr;
        if (left->type() != 'L' || right->type() != 'L')
            return fail(kTypeError, ".AND. needs logical values");
        left = makeAndOr(true, std::move(left), std::move(right));
    }
    return left;
}

NodePtr ExprParser::parseNot() {
    if (m_tok == Tok::Not) {
        advance();
        NodePtr operand = parseNot();
        if (!operand) return nullptr;
        if (operand->type() != 'L') return fail(kTypeError, "! needs a logical value");
        return makeNot(std::move(operand));
    }
    return parseComparison();
}

NodePtr ExprParser::parseComparison() {
    NodePtr left = parseAdditive();
    for (;;) {
        if (!left) return nullptr;
        Tok t = m_tok;
        CompareOp op;
        switch (t) {
            case Tok::Eq:
                op = CompareOp::Equal;
                break;
            case Tok::ExactEq:
                op = CompareOp::ExactEqual;
                break;
            case Tok::NotEq:
                op = CompareOp::NotEqual;
                break;
            case Tok::Less:
                op = CompareOp::Less;
                break;
            case Tok::LessEq:
                op = CompareOp::LessEqual;
                break;
            case Tok::Greater:
                op = CompareOp::Greater;
                break;
            case Tok::GreaterEq:
                op = CompareOp::GreaterEqual;
                break;
            case Tok::Dollar:
                op = CompareOp::Equal;
                break;
            default:
                return left;
        }
        advance();
        NodePtr right = parseAdditive();
        if (!right) return nullptr;
        if (t == Tok::Dollar) {
            if (left->type() != 'C' || right->type() != 'C')
                return fail(kTypeError, "$ needs text values");
            left = makeContains(std::move(left), std::move(right));
        } else {
            if (left->type() != right->type())
                return fail(kTypeError, std::string("cannot compare ") + typeName(left->type()) +
                                            " with " + typeName(right->type()));
            left = makeCompare(op, std::move(left), std::move(right));
        }
    }
}

NodePtr ExprParser::parseAdditive() {
    NodePtr left = parseUnary();
    while (left && (m_tok == Tok::Plus || m_tok == Tok::Minus)) {
        char op = m_tok == Tok::Plus ? '+' : '-';
        advance();
        NodePtr right = parseUnary();
        if (!right) return nullptr;
        if (op == '+' && left->type() == 'C' && right->type() == 'C')
            left = makeConcat(std::move(left), std::move(right));
        else if (left->type() == 'N' && right->type() == 'N')
            left = makeArithmetic(op, std::move(left), std::move(right));
        else
            return fail(kTypeError, std::string("cannot apply ") + op + " to " +
                                        typeName(left->type()) + " and " + typeName(right->type()));
    }
    return left;
}

NodePtr ExprParser::parseUnary() {
    if (m_tok == Tok::Minus) {
        advance();
        NodePtr operand = parseUnary();
        if (!operand) return nullptr;
        if (operand->type() != 'N') return fail(kTypeError, "- needs a number");
        return makeNegate(std::move(operand));
    }
    return parsePrimary();
}

// ---- Primaries --------------------------------------------------------------------

NodePtr ExprParser::parsePrimary() {
    switch (m_tok) {
        case Tok::String: {
            std::string t = m_tokText;
            advance();
            return makeTextLiteral(std::move(t));
        }
        case Tok::Number: {
            double v = m_tokNumber;
            advance();
            return makeNumberLiteral(v);
        }
        case Tok::True:
            advance();
            return makeLogicalLiteral(true);
        case Tok::False:
            advance();
            return makeLogicalLiteral(false);
        case Tok::LParen: {
            advance();
            NodePtr inner = parseOr();
            if (!inner) return nullptr;
            if (!expect(Tok::RParen, "')'")) return nullptr;
            return inner;
        }
        case Tok::Ident: {
            std::string name = m_tokText;
            advance();
            if (m_tok == Tok::LParen) {
                advance();
                return parseFunction(upperAscii(name));
            }
            if (m_tok == Tok::Arrow) {
                if (upperAscii(name) != "FIELD") return fail(kTypeError, "unknown alias " + name);
                advance();
                if (m_tok != Tok::Ident) return fail(kSyntaxError, "expected a field name");
                name = m_tokText;
                advance();
            }
            return parseField(name);
        }
        case Tok::End:
            return fail(kSyntaxError, "unexpected end of the expression");
        default:
            return fail(kSyntaxError, "unexpected text");
    }
}

NodePtr ExprParser::parseField(const std::string& name) {
    int index = m_fields.fieldIndex(name);
    if (index < 0) return fail(kTypeError, "unknown field " + upperAscii(name));
    NodePtr n = makeField(m_fields, index);
    if (!n) return fail(kTypeError, "field " + upperAscii(name) + " has no usable type");
    return n;
}

bool ExprParser::parseConstantInt(int* out) {
    if (m_tok != Tok::Number || m_tokNumber != std::floor(m_tokNumber) || m_tokNumber > 255) {
        fail(kTypeError, "STR needs a whole number from 0 to 255 written in the text");
        return false;
    }
    *out = static_cast<int>(m_tokNumber);
    advance();
    return true;
}

NodePtr ExprParser::parseFunction(const std::string& name) {
    // Arguments are parsed one by one so that each function checks its own.
    auto argument = [&]() -> NodePtr { return parseOr(); };
    auto close = [&]() { return expect(Tok::RParen, "')'"); };

    if (name == "DELETED" || name == "RECNO") {
        if (!close()) return nullptr;
        return name == "DELETED" ? makeDeleted() : makeRecno();
    }
    if (name == "UPPER" || name == "DTOS" || name == "EMPTY") {
        NodePtr a = argument();
        if (!a || !close()) return nullptr;
        if (name == "EMPTY") return makeEmpty(std::move(a));
        if (name == "UPPER") {
            if (a->type() != 'C') return fail(kTypeError, "UPPER needs a text");
            return makeUpper(std::move(a));
        }
        if (a->type() != 'D') return fail(kTypeError, "DTOS needs a date");
        return makeDtos(std::move(a));
    }
    if (name == "STR") {
        NodePtr a = argument();
        if (!a) return nullptr;
        if (a->type() != 'N') return fail(kTypeError, "STR needs a number");
        int length = 10, decimals = 0;
        if (accept(Tok::Comma)) {
            if (!parseConstantInt(&length)) return nullptr;
            if (length < 1) return fail(kTypeError, "STR needs a length of at least 1");
            if (accept(Tok::Comma) && !parseConstantInt(&decimals)) return nullptr;
        }
        if (!close()) return nullptr;
        return makeStr(std::move(a), length, decimals);
    }
    if (name == "CTOD") {
        // A date written in a search text: CTOD( "05/03/26" ), in the
        // date format in force; a text that is no date gives the empty date.
        if (m_tok != Tok::String)
            return fail(kTypeError, "CTOD needs a date text written in the text");
        Date d = Date::fromText(m_tokText);
        advance();
        if (!close()) return nullptr;
        return makeDateLiteral(d.julian());
    }
    if (name == "IF" || name == "IIF") {
        NodePtr c = argument();
        if (!c || !expect(Tok::Comma, "','")) return nullptr;
        NodePtr a = argument();
        if (!a || !expect(Tok::Comma, "','")) return nullptr;
        NodePtr b = argument();
        if (!b || !close()) return nullptr;
        if (c->type() != 'L') return fail(kTypeError, "IF needs a logical condition");
        if (a->type() != b->type()) return fail(kTypeError, "IF needs two values of the same type");
        return makeIf(std::move(c), std::move(a), std::move(b));
    }
    return fail(kTypeError, "unknown function " + name);
}

}  // namespace drav::data
