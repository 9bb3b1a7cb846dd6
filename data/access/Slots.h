// The numbered slots in which this process keeps its open tables.
//
// Each slot holds at most one table; one slot is current, and the table
// operations of TableAccess.h act on the table in it. Selecting slot 0
// selects the lowest-numbered free slot. Aliases name the tables in the
// slots; two tables never share an alias (letter case ignored). The same
// table may be open in several slots under different aliases, each with its
// own current record, orders and scope.
//
// A slot is taken from the moment dbOpen starts opening a table in it, also
// while it waits for another station, so nothing run meanwhile (a timer of
// another window) can take the same slot.
#pragma once

#include "data/access/Table.h"

#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

int currentSlot();
// Makes the slot current (0: the lowest free slot); returns its number.
int select(int slot);
// Makes the slot of the alias current and returns its number; 0 (and the
// current slot unchanged) when no table has that alias.
int selectAlias(std::string_view alias);

// The table in the slot, or of that alias; nullptr when none.
Table* tableIn(int slot);
Table* findAlias(std::string_view alias);
// The table in the current slot; an error for the handler when the slot is
// free ("Workarea not in use").
Table& current();

int lowestFreeSlot();
// "ALIAS" and the number of the lowest free slot in three digits (slot 4:
// "ALIAS004"); the current slot is left as it is.
std::string getNewAlias();
// The slots that hold a table, lowest first.
std::vector<int> usedSlots();

// For dbOpen and dbClose: puts a new, not yet open table in the slot under
// the alias, and takes a table out of its slot (destroying it).
Table& placeTable(int slot, std::string alias);
void removeTable(int slot);

}  // namespace drav::data
