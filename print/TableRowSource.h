// The records of an open table as the printing side reads them: a
// RowSource over a table of the access layer, in its controlling order,
// within its scope and view.
//
//   TableRowSource rows(clienti.table());
//   report->setRowSource(&rows);          // a report over that table
//   installTableRowSource();              // once at start: "the current table"
#pragma once

#include "data/access/Table.h"
#include "print/RowSource.h"

namespace drav::print {

class TableRowSource : public RowSource {
public:
    explicit TableRowSource(data::Table& table) : m_table(&table) {}

    void first() override;
    bool next() override;
    bool eof() const override;
    uint32_t recNo() const override;
    void goTo(uint32_t recNo) override;
    Value field(std::string_view name) const override;

    void setTable(data::Table& table) { m_table = &table; }

private:
    data::Table* m_table;
};

// Makes the table of the current slot the one printers and reports fall
// back on (currentRowSource()); nothing when the slot is free.
void installTableRowSource();

}  // namespace drav::print
