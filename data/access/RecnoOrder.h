// Record-number order: the records in the order in which they were
// appended, the deleted ones passed over. Its key is the record number
// ("RECNO()"), so a seek goes to a record by its number and a scope keeps a
// range of record numbers.
#pragma once

#include "data/access/Order.h"

namespace drav::data {

class TableFile;

class RecnoOrder : public Order {
public:
    explicit RecnoOrder(TableFile& file) : m_file(file) {}

    std::string name() const override { return {}; }
    std::string keyText() const override { return "RECNO()"; }
    char keyType() const override { return 'N'; }

    Status goTop() override;
    Status goBottom() override;
    Status skip(int64_t n) override;
    Status seek(const Value& key, bool soft, bool* found) override;
    Status goToRecord(uint32_t recno) override;
    bool bof() const override { return m_bof; }

    Status setScope(const std::optional<Value>& top, const std::optional<Value>& bottom) override;
    std::optional<Value> scopeTop() const override { return m_top; }
    std::optional<Value> scopeBottom() const override { return m_bottom; }

    Status keyCount(uint64_t* count) override;
    Status keyPosition(uint64_t* position) override;
    std::string currentKey() const override;

private:
    // The first visible record at or after r within the scope, or end of table.
    Status firstVisibleFrom(uint32_t r);
    // The last visible record at or before r within the scope; *found false
    // (and the table where it was) when there is none.
    Status lastVisibleUpTo(uint32_t r, bool* found);
    Status toEof();
    // Visible records of the scope with a number up to last.
    Status countUpTo(uint32_t last, uint64_t* count);

    TableFile& m_file;
    bool m_bof = true;
    std::optional<Value> m_top, m_bottom;
    uint32_t m_lo = 1;  // the scope as record numbers
    uint32_t m_hi = UINT32_MAX;
};

}  // namespace drav::data
