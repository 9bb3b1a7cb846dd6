// One field of a table: name (up to 10 capitals), type letter, length and
// decimals, as the table header describes it.
//
//   'C' text of fixed length, blank-padded       'N' number as right-aligned text
//   'D' date, 8 digits yyyymmdd                  'L' logical, 1 byte
//   'M' memo: a block number into the memo file, 10 bytes in the record
#pragma once

#include <string>

namespace drav::data {

struct FieldDef {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;

    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

}  // namespace drav::data
