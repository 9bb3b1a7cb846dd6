// The records of another scan that meet a view's condition: a view's tag
// is built from them, so that it holds exactly the records of its condition
// whatever condition text its file stores.
#pragma once

#include "data/RecordContext.h"
#include "data/access/ViewCondition.h"

namespace drav::data {

class FilteredScan : public RecordScan {
public:
    FilteredScan(RecordScan& records, const ViewCondition& keep)
        : m_records(records), m_keep(keep) {}

    const RecordContext& currentRecord() override { return m_records.currentRecord(); }
    Status forEach(const std::function<Status(const RecordContext&)>& visit) override {
        return m_records.forEach(
            [&](const RecordContext& r) { return m_keep(r) ? visit(r) : Status::ok(); });
    }
    uint32_t maxRecno() override { return m_records.maxRecno(); }

private:
    RecordScan& m_records;
    const ViewCondition& m_keep;
};

}  // namespace drav::data
