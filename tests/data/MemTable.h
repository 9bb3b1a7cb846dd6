// A small in-memory table for the index and expression tests: it keeps
// records as the table file would (deleted mark, then the fields as stored
// text), answers as a RecordContext, scans as a RecordScan and tells its
// observers about every change and write exactly as the real table does.
#pragma once

#include "data/RecordContext.h"

#include <map>
#include <string>
#include <vector>

namespace drav::test {

struct MemField {
    std::string name;
    char type;
    int length;
    int decimals = 0;
};

class MemTable : public data::RecordContext, public data::RecordScan {
public:
    explicit MemTable(std::vector<MemField> fields);

    // The open tags that follow this table's writes.
    void addObserver(data::TableObserver* o) { m_observers.push_back(o); }
    void removeObservers() { m_observers.clear(); }

    // Appends a blank record and makes it current (observers hear of it).
    uint32_t append();
    // Makes record n current (0 or beyond the last: the blank record past the end).
    void go(uint32_t recno);
    uint32_t count() const { return static_cast<uint32_t>(m_records.size()); }

    // Field writes on the current record; the first one after a write tells
    // the observers the record is about to change.
    void setText(const std::string& field, const std::string& text);
    void setNumber(const std::string& field, double value);
    void setDate(const std::string& field, Date value);
    void setLogical(const std::string& field, bool value);
    void setMemo(const std::string& field, const std::string& text);
    void setDeleted(bool deleted);
    // Writes the changed record: observers hear recordWritten. Fails with the
    // first observer failure.
    data::Status commit();

    // RecordContext
    int fieldIndex(std::string_view name) const override;
    char fieldType(int index) const override { return m_fields[index].type; }
    int fieldLength(int index) const override { return m_fields[index].length; }
    int fieldDecimals(int index) const override { return m_fields[index].decimals; }
    Value fieldValue(int index) const override;
    std::string_view fieldBytes(int index) const override;
    bool deleted() const override { return record()[0] == '*'; }
    uint32_t recno() const override { return m_current; }

    // RecordScan
    const data::RecordContext& currentRecord() override { return *this; }
    data::Status forEach(
        const std::function<data::Status(const data::RecordContext&)>& visit) override;
    uint32_t maxRecno() override { return count(); }

private:
    const std::string& record() const;
    std::string& touch();
    int must(const std::string& field) const;
    void store(int index, const std::string& bytes);

    std::vector<MemField> m_fields;
    std::vector<int> m_offsets;
    int m_recordLength = 1;
    std::vector<std::string> m_records;
    std::map<std::pair<uint32_t, int>, std::string> m_memos;
    std::string m_blank;
    uint32_t m_current = 0;
    bool m_hot = false;
    std::vector<data::TableObserver*> m_observers;
};

}  // namespace drav::test
