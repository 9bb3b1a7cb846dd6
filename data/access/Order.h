// An order of an open table: the sequence in which navigation visits its
// records, with the seek, the scope, the key count and the key position that
// the screens' lists are built on.
//
// A Table has one controlling order at a time: record-number order
// (RecnoOrder) when no index tag controls it, or one of its open tags. Every
// navigation of the table goes through the controlling order, which moves
// the table's current record; the order never holds a record of its own
// beyond what it needs to step from the current one.
//
// What an order promises:
//   - Records with the deleted mark are never visited, found or counted.
//   - Every move leaves the table on a visible record of the scope, or at
//     end of table (the table's record number past the last record).
//   - Going back past the first record of the scope leaves the table on that
//     record with bof() set; an empty scope is at both ends.
//   - seek() finds the first key that begins with the value (a text shorter
//     than the key is a prefix), within the scope; not found, a soft seek
//     stands on the next greater key (end of table when none), any other
//     seek at end of table.
//   - The scope keeps the keys from the first one >= top to the last one
//     <= bottom, each bound compared over its own length; either may be
//     absent. Equal bounds show exactly the keys that begin with the value.
//   - goToRecord() follows a move the table made by record number: the
//     order stands on that record's key, so the next step starts from it.
//
// An index tag provides this through an adapter over its cursor (first,
// last, next, previous, seek, go to a record's key, key count, key position,
// current key, scope), and gives the table its TableObserver: the table
// registers it with its file while the order is open, so that the tag's keys
// follow every write, whether the tag controls the table or not.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "util/Value.h"

#include <cstdint>
#include <optional>
#include <string>

namespace drav::data {

class Order {
public:
    virtual ~Order() = default;

    // The tag's name; "" for record-number order.
    virtual std::string name() const = 0;
    // The key expression text: "RECNO()" for record-number order.
    virtual std::string keyText() const = 0;
    // The type of the key's values: 'C', 'N', 'D' or 'L' ('N' for the
    // record number), the kind of value seek and scope take. Text unless
    // the order says otherwise.
    virtual char keyType() const { return 'C'; }

    virtual Status goTop() = 0;
    virtual Status goBottom() = 0;
    // Moves n visible records forward (negative: back).
    virtual Status skip(int64_t n) = 0;
    // *found tells whether a key beginning with the value exists in the scope.
    virtual Status seek(const Value& key, bool soft, bool* found) = 0;
    // The table has moved to recno (0 or past the end: end of table).
    virtual Status goToRecord(uint32_t recno) = 0;
    virtual bool bof() const = 0;

    virtual Status setScope(const std::optional<Value>& top,
                            const std::optional<Value>& bottom) = 0;
    virtual std::optional<Value> scopeTop() const = 0;
    virtual std::optional<Value> scopeBottom() const = 0;

    // Goes to the record whose key stands at position p (1 for the first)
    // within the scope; end of table past the last. An index tag crosses
    // whole pages at a time, so a list's scroll thumb can jump anywhere in a
    // large table; this default steps from the top.
    virtual Status goToPosition(uint64_t p) {
        if (Status s = goTop(); !s || p <= 1) return s;
        return skip(static_cast<int64_t>(p - 1));
    }

    // The keys within the scope.
    virtual Status keyCount(uint64_t* count) = 0;
    // The position (1 for the first) of the current record's key within the
    // scope; 0 at end of table.
    virtual Status keyPosition(uint64_t* position) = 0;
    // The current record's key bytes ("" at end of table).
    virtual std::string currentKey() const = 0;

    // What keeps the order's keys in step with the table's writes; nullptr
    // for an order that has no keys of its own (record-number order).
    virtual TableObserver* observer() { return nullptr; }
};

}  // namespace drav::data
