// A record's bytes seen as field values: what an index key or condition
// reads (RecordContext). The table file keeps one over its current record;
// a scan moves one over the records of each block it reads.
#pragma once

#include "data/RecordContext.h"
#include "data/dbf/MemoFile.h"
#include "data/dbf/TableLayout.h"

namespace drav::data {

class RecordView : public RecordContext {
public:
    RecordView(const TableLayout* layout, const MemoFile* memo) : m_layout(layout), m_memo(memo) {}
    void set(const char* bytes, uint32_t recno) {
        m_bytes = bytes;
        m_recno = recno;
    }

    // The field's value; a memo that cannot be read gives the failure.
    static Status decode(const TableLayout& layout, const MemoFile* memo, const char* record,
                         int index, Value* out);

    int fieldIndex(std::string_view name) const override { return m_layout->fieldIndex(name); }
    char fieldType(int index) const override { return m_layout->field(index).type; }
    int fieldLength(int index) const override { return m_layout->field(index).length; }
    int fieldDecimals(int index) const override { return m_layout->field(index).decimals; }
    // An unreadable memo reads as empty text here; Table::getField reports it.
    Value fieldValue(int index) const override;
    std::string_view fieldBytes(int index) const override {
        return {m_bytes + m_layout->offset(index),
                static_cast<size_t>(m_layout->field(index).length)};
    }
    bool deleted() const override { return m_bytes[0] == '*'; }
    uint32_t recno() const override { return m_recno; }

private:
    const TableLayout* m_layout;
    const MemoFile* m_memo;
    const char* m_bytes = nullptr;
    uint32_t m_recno = 0;
};

}  // namespace drav::data
