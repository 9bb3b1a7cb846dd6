// A field as the schema upgrade converts it: name, type letter ("C", "N",
// "D", "L" or "M"), length and decimals. The members and their order are
// those of the schema's field definition, so a brace list such as
// {"IMPORTO", 'N', 7, 2} builds either.
#pragma once

#include <string>

namespace drav::data {

struct ConvField {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
};

}  // namespace drav::data
