// The database of the program as data: the eight tables in the order in
// which the start-up check builds them, every field in file order, and the
// index tags in the order in which the maintenance rebuilds them.
#pragma once

#include "data/schema/TableDef.h"
#include "data/schema/TagDef.h"

#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

// CLIENTI, ABBONAM, DESTINAT, PONY, ACCONTI, CORSE, FATTURE, ATTIVITA.
const std::vector<TableDef>& schemaTables();
// CLIENTI, ABBONAM, DESTINAT, PONY, SIGLE, ACCONTI, CORSE, FUTURE, SOSPESI,
// FATTURE, ATTIVITA.
const std::vector<TagDef>& schemaTags();

// nullptr when the schema has no table or tag of that name (letter case ignored).
const TableDef* findTable(std::string_view name);
const TagDef* findTag(std::string_view name);

// The text with every "FIELD -> " removed: the form kept in a tag header.
std::string stripFieldPrefix(std::string_view expression);
// The condition kept in a tag header for a stated condition: "!DELETED()"
// stays alone; any other condition is stripped of "FIELD -> " and joined
// with " .AND. !DELETED()", so that deleted records never have a key.
std::string storedCondition(std::string_view condition);

}  // namespace drav::data
