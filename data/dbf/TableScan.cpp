#include "data/dbf/TableScan.h"

#include "data/dbf/TableFile.h"

#include <algorithm>

namespace drav::data {
namespace {
constexpr size_t kScanBytes = 1024 * 1024;
}

TableScan::TableScan(TableFile& table) : m_table(table) {}

const RecordContext& TableScan::currentRecord() {
    return m_table;
}

uint32_t TableScan::maxRecno() {
    uint32_t n = 0;
    if (!m_table.recCount(&n)) return m_table.knownCount();
    return n;
}

Status TableScan::forEach(const std::function<Status(const RecordContext&)>& visit) {
    if (Status s = m_table.commit(); !s) return s;
    uint32_t count = 0;
    if (Status s = m_table.recCount(&count); !s) return s;
    const TableLayout& layout = m_table.layout();
    const size_t len = layout.recordLength();
    const uint32_t per = static_cast<uint32_t>(std::max<size_t>(1, kScanBytes / len));
    RecordView view(&layout, m_table.memo());
    std::string block;
    for (uint32_t first = 1; first <= count; first += per) {
        uint32_t n = std::min(per, count - first + 1);
        block.resize(static_cast<size_t>(n) * len);
        if (Status s =
                m_table.m_file.readExact(m_table.recordOffset(first), block.data(), block.size());
            !s)
            return s;
        for (uint32_t i = 0; i < n; ++i) {
            view.set(block.data() + static_cast<size_t>(i) * len, first + i);
            if (Status s = visit(view); !s) return s;
        }
        if (count - first + 1 <= per) break;  // first += per would wrap past the last record
    }
    return Status::ok();
}

}  // namespace drav::data
