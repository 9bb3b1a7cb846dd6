#include "data/access/OrderScan.h"

#include "data/access/Order.h"
#include "data/dbf/TableFile.h"

namespace drav::data {

const RecordContext& OrderScan::currentRecord() {
    return m_table;
}

Status OrderScan::forEach(const std::function<Status(const RecordContext&)>& visit) {
    if (Status s = m_order.goTop(); !s) return s;
    while (!m_table.eof()) {
        if (Status s = visit(m_table); !s) return s;
        if (Status s = m_order.skip(1); !s) return s;
    }
    return Status::ok();
}

uint32_t OrderScan::maxRecno() {
    uint32_t n = 0;
    if (!m_table.recCount(&n)) return m_table.knownCount();
    return n;
}

}  // namespace drav::data
