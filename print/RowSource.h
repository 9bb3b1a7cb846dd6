// The records a print runs over, seen from the printing side.
//
// A printer remembers the record the current table is on when a print
// starts and goes back to it at the end; a report reads its items from the
// current table unless it is given a list. The table access layer
// implements RowSource for an open table (in its controlling order, within
// its scope and view) and installs the provider that answers "the table of
// the current slot". Printing never opens or closes tables itself.
#pragma once

#include "util/Value.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace drav::print {

class RowSource {
public:
    virtual ~RowSource() = default;

    // Goes to the first record in order (to the end when there is none).
    virtual void first() = 0;
    // Moves to the next record; false (and at the end) when there was none.
    virtual bool next() = 0;
    virtual bool eof() const = 0;
    // The current record number, 0 at the end.
    virtual uint32_t recNo() const = 0;
    // Goes to a record by number; 0 goes to the end.
    virtual void goTo(uint32_t recNo) = 0;
    // A field of the current record by name (case-insensitive); nothing when
    // the table has no such field. Text is Windows-1252 bytes.
    virtual Value field(std::string_view name) const = 0;
};

// The table of the current slot, or nullptr when no table is open there.
using CurrentRowSourceProvider = std::function<RowSource*()>;

// Installs the provider (the table access layer does it at start; tests
// install their own). Returns the previous one.
CurrentRowSourceProvider setCurrentRowSourceProvider(CurrentRowSourceProvider provider);
RowSource* currentRowSource();

}  // namespace drav::print
