// Every record of a table in physical order, deleted ones included, read in
// blocks of about 1 MiB per system call: what an index tag is built from.
#pragma once

#include "data/RecordContext.h"
#include "data/dbf/RecordView.h"

namespace drav::data {

class TableFile;

class TableScan : public RecordScan {
public:
    explicit TableScan(TableFile& table);

    const RecordContext& currentRecord() override;
    Status forEach(const std::function<Status(const RecordContext&)>& visit) override;
    uint32_t maxRecno() override;

private:
    TableFile& m_table;
};

}  // namespace drav::data
