#include "data/access/ViewCondition.h"

namespace drav::data {

ViewCondition ViewCondition::fromText(std::string text) {
    ViewCondition c;
    c.m_text = std::move(text);
    return c;
}

Status ViewCondition::bind(const RecordContext& fields) {
    if (m_predicate) return Status::ok();
    Expression e;
    if (Status s = Expression::compile(m_text, fields, e); !s) return s;
    if (e.type() != 'L')
        return Status::invalid(m_text, "the condition is not logical").withCodes(gen::DataType, 0);
    m_expression = std::move(e);
    return Status::ok();
}

bool ViewCondition::operator()(const RecordContext& record) const {
    if (record.deleted()) return false;
    if (m_predicate) return m_predicate(record);
    return m_expression.isValid() && m_expression.logical(record);
}

}  // namespace drav::data
