// One table of the data folder: its name (the base of its file names
// <NAME>.DBF and, with memo fields, <NAME>.DBT), its fields in file order
// and the names of its index tags.
#pragma once

#include "data/schema/FieldDef.h"

#include <string>
#include <vector>

namespace drav::data {

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
    std::vector<std::string> tags;

    bool hasMemo() const {
        for (const FieldDef& f : fields)
            if (f.type == 'M') return true;
        return false;
    }
};

}  // namespace drav::data
