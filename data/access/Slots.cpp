#include "data/access/Slots.h"

#include "util/Error.h"
#include "util/Text.h"

#include <cstdio>
#include <map>
#include <memory>

namespace drav::data {
namespace {

struct SlotState {
    std::map<int, std::unique_ptr<Table>> tables;
    int current = 1;
};

SlotState& state() {
    static SlotState s;
    return s;
}

constexpr int kNoTable = 35;  // "Workarea not in use"

}  // namespace

int currentSlot() {
    return state().current;
}

int lowestFreeSlot() {
    int slot = 1;
    for (const auto& [n, t] : state().tables) {
        if (n != slot) break;
        ++slot;
    }
    return slot;
}

int select(int slot) {
    state().current = slot > 0 ? slot : lowestFreeSlot();
    return state().current;
}

int selectAlias(std::string_view alias) {
    Table* t = findAlias(alias);
    if (!t) return 0;
    return select(t->slot());
}

Table* tableIn(int slot) {
    auto it = state().tables.find(slot);
    return it == state().tables.end() ? nullptr : it->second.get();
}

Table* findAlias(std::string_view alias) {
    for (const auto& [n, t] : state().tables)
        if (sameIgnoringCase(t->alias(), alias)) return t.get();
    return nullptr;
}

Table& current() {
    if (Table* t = tableIn(state().current)) return *t;
    ErrorInfo e;
    e.subsystem = "DBCMD";
    e.genCode = kNoTable;
    e.operation = "slot " + std::to_string(state().current);
    raiseError(std::move(e));
    throw Abandoned("no table in the current slot");
}

std::string getNewAlias() {
    char buf[16];
    std::snprintf(buf, sizeof buf, "ALIAS%03d", lowestFreeSlot());
    return buf;
}

std::vector<int> usedSlots() {
    std::vector<int> out;
    for (const auto& [n, t] : state().tables) out.push_back(n);
    return out;
}

Table& placeTable(int slot, std::string alias) {
    auto& p = state().tables[slot];
    p = std::make_unique<Table>(slot, std::move(alias));
    return *p;
}

void removeTable(int slot) {
    // Out of the map first: closing may report an error, and the slot must
    // be free whatever happens.
    auto it = state().tables.find(slot);
    if (it == state().tables.end()) return;
    std::unique_ptr<Table> t = std::move(it->second);
    state().tables.erase(it);
}

}  // namespace drav::data
