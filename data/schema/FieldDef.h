// One field of a table: name (up to 10 capitals), type letter, length and
// decimals, as the table header describes it.
//
//   'C' text of fixed length, blank-padded       'N' number as right-aligned text
//   'D' date, 8 digits yyyymmdd                  'L' logical, 1 byte
//   'M' memo: a block number into the memo file, 10 bytes in the record
#pragma once

#include "util/Text.h"

#include <string>
#include <string_view>

namespace drav::data {

struct FieldDef {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;

    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

// The position of the field called `name` (letter case ignored) in a list of
// fields, anything with a `name`; -1 when none is.
template <class Fields>
int fieldPosition(const Fields& fields, std::string_view name) {
    for (size_t i = 0; i < fields.size(); ++i)
        if (sameIgnoringCase(fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

}  // namespace drav::data
