// An order wrapper that counts what a list asks of the index: the browse
// list tests and the list benchmark both check that the steps stay near the
// visible rows whatever the size of the table.
#pragma once

#include "data/access/Order.h"

#include <cstdint>
#include <optional>
#include <string>

namespace drav::test {

// Counts the steps and the tree look-ups the list asks of an order, and
// passes them on to the order it wraps (an index tag of the same table,
// which keeps its keys itself).
class CountingOrder : public data::Order {
public:
    explicit CountingOrder(data::Order& inner) : m_inner(inner) {}
    uint64_t steps = 0;    // records passed by skip, and every goTop/goBottom/seek
    uint64_t lookups = 0;  // key counts and key positions

    std::string name() const override { return m_inner.name(); }
    std::string keyText() const override { return m_inner.keyText(); }
    char keyType() const override { return m_inner.keyType(); }
    data::Status goTop() override { return ++steps, m_inner.goTop(); }
    data::Status goBottom() override { return ++steps, m_inner.goBottom(); }
    data::Status skip(int64_t n) override {
        steps += static_cast<uint64_t>(n < 0 ? -n : n);
        return m_inner.skip(n);
    }
    data::Status seek(const Value& key, bool soft, bool* found) override {
        ++steps;
        return m_inner.seek(key, soft, found);
    }
    data::Status goToRecord(uint32_t recno) override { return m_inner.goToRecord(recno); }
    data::Status goToPosition(uint64_t p) override {
        return ++lookups, m_inner.goToPosition(p);
    }
    bool bof() const override { return m_inner.bof(); }
    data::Status setScope(const std::optional<Value>& top,
                          const std::optional<Value>& bottom) override {
        return m_inner.setScope(top, bottom);
    }
    std::optional<Value> scopeTop() const override { return m_inner.scopeTop(); }
    std::optional<Value> scopeBottom() const override { return m_inner.scopeBottom(); }
    data::Status keyCount(uint64_t* count) override { return ++lookups, m_inner.keyCount(count); }
    data::Status keyPosition(uint64_t* position) override {
        return ++lookups, m_inner.keyPosition(position);
    }
    std::string currentKey() const override { return m_inner.currentKey(); }

private:
    data::Order& m_inner;
};

}  // namespace drav::test
