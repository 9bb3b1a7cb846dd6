// The records of an open table as one of its orders visits them, within
// that order's scope: what a view built within the scope is made from.
// Each visited record is the table's current record; the table is left at
// end of table.
#pragma once

#include "data/RecordContext.h"

namespace drav::data {

class Order;
class TableFile;

class OrderScan : public RecordScan {
public:
    OrderScan(TableFile& table, Order& order) : m_table(table), m_order(order) {}

    const RecordContext& currentRecord() override;
    Status forEach(const std::function<Status(const RecordContext&)>& visit) override;
    uint32_t maxRecno() override;

private:
    TableFile& m_table;
    Order& m_order;
};

}  // namespace drav::data
