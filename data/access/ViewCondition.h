// The condition of a view: which records of a table the view keeps.
//
// A screen gives it either as C++ code over the record or as a condition
// text for the expression evaluator (a search form joins the typed values
// written with mkStr: "\"ROSSI\" $ UPPER( cliente ) .AND. cap == \"20100\"").
// A text is compiled against the table's fields when the view is built.
//
// Records with the deleted mark never meet a view's condition, whatever the
// caller's code or text says: a view never shows a deleted record.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "data/expr/Expression.h"

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace drav::data {

class ViewCondition {
public:
    using Predicate = std::function<bool(const RecordContext&)>;

    // Code over the record: true for the records to keep.
    template <class F>
    requires std::is_invocable_r_v<bool, const F&, const RecordContext&> ViewCondition(F predicate)
        : m_predicate(std::move(predicate)) {}

    // A condition text, compiled by bind().
    static ViewCondition fromText(std::string text);

    // Compiles a text against the table's fields (nothing to do for code).
    // A syntax or type error, or a text that is not logical, is Invalid
    // with the error handler's codes.
    Status bind(const RecordContext& fields);

    // The condition text ("" for code).
    const std::string& text() const { return m_text; }

    // True for a record the view keeps; never for a deleted record. A text
    // must have been bound.
    bool operator()(const RecordContext& record) const;

private:
    ViewCondition() = default;

    Predicate m_predicate;
    std::string m_text;
    Expression m_expression;
};

}  // namespace drav::data
