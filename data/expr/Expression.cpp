// A compiled key or condition expression (see Expression.h).
#include "data/expr/Expression.h"

#include "data/expr/ExprNode.h"
#include "data/expr/ExprParser.h"

namespace drav::data {

Status Expression::compile(std::string_view text, const RecordContext& fields, Expression& out) {
    ExprParser parser(text, fields);
    NodePtr root = parser.parse();
    if (!root) return parser.error();
    out.m_root = std::shared_ptr<const ExprNode>(std::move(root));
    out.m_text = std::string(text);
    return Status::ok();
}

char Expression::type() const {
    return m_root ? m_root->type() : 'U';
}

int Expression::fixedLength() const {
    return m_root ? m_root->fixedLength() : -1;
}

Value Expression::evaluate(const RecordContext& record) const {
    if (!m_root) return {};
    switch (m_root->type()) {
        case 'C': {
            std::string s;
            m_root->appendText(record, s);
            return s;
        }
        case 'N':
            return m_root->number(record);
        case 'D':
            return Date::fromJulian(m_root->julian(record));
        case 'L':
            return m_root->logical(record);
        default:
            return {};
    }
}

void Expression::appendText(const RecordContext& record, std::string& out) const {
    if (m_root) m_root->appendText(record, out);
}

double Expression::number(const RecordContext& record) const {
    return m_root ? m_root->number(record) : 0.0;
}

Date Expression::date(const RecordContext& record) const {
    return m_root ? Date::fromJulian(m_root->julian(record)) : Date();
}

bool Expression::logical(const RecordContext& record) const {
    return m_root && m_root->logical(record);
}

}  // namespace drav::data
