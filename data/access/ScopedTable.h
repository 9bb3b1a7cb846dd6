// A table opened for the lifetime of the object: the owner's guarantee that
// what a screen opens is closed on every way out, an abandoned operation
// included, and that the slot current before the open is current again
// afterwards.
//
//   ScopedTable clienti("CLIENTI");               // shared, in a free slot
//   clienti->goTop();
//   ScopedTable sospesi("CORSE", "SOSPESI");      // the same table again
//
// Closing on the normal way out reports a failure to the error handler (an
// abandon then ends there: the table is closed either way); closing while
// an error unwinds is silent, the first error being the one that counts.
#pragma once

#include "data/access/Table.h"

#include <string_view>

namespace drav::data {

class ScopedTable {
public:
    explicit ScopedTable(std::string_view table, std::string_view alias = {}, bool shared = true,
                         bool readOnly = false);
    ~ScopedTable() noexcept(false);
    ScopedTable(const ScopedTable&) = delete;
    ScopedTable& operator=(const ScopedTable&) = delete;

    Table& table() const { return *m_table; }
    Table* operator->() const { return m_table; }
    Table& operator*() const { return *m_table; }
    int slot() const { return m_slot; }

    // Closes now (reporting a failure) and selects the slot that was current.
    void close();

private:
    int m_previous;
    int m_slot = 0;
    Table* m_table = nullptr;
    int m_uncaught;
};

}  // namespace drav::data
