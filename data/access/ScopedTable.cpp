#include "data/access/ScopedTable.h"

#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "util/Error.h"

#include <exception>
#include <utility>

namespace drav::data {

ScopedTable::ScopedTable(std::string_view table, std::string_view alias, bool shared, bool readOnly)
    : m_previous(currentSlot()), m_uncaught(std::uncaught_exceptions()) {
    try {
        m_table = &dbOpen(true, table, alias, shared, readOnly);
    } catch (const Abandoned&) {
        select(m_previous);
        throw;
    }
    m_slot = m_table->slot();
}

void ScopedTable::close() {
    if (!m_table) return;
    Table* t = std::exchange(m_table, nullptr);
    struct Reselect {
        int slot;
        ~Reselect() { select(slot); }
    } reselect{m_previous};
    // Still ours unless something closed every table meanwhile.
    if (tableIn(m_slot) == t) dbClose(t->alias());
}

ScopedTable::~ScopedTable() noexcept(false) {
    if (!m_table) return;
    if (std::uncaught_exceptions() > m_uncaught) {
        // Unwinding from an error: close without a second report.
        Table* t = std::exchange(m_table, nullptr);
        if (tableIn(m_slot) == t) {
            t->close(false);
            dbClose(t->alias());
        }
        select(m_previous);
        return;
    }
    try {
        close();
    } catch (const Abandoned&) {
        // The handler has reported the failed close; the table is closed
        // and the slot selected again all the same.
    }
}

}  // namespace drav::data
