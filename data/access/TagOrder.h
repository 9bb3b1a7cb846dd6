// An index tag as an order of an open table: the adapter between the tag's
// cursor (data/cdx/IndexTag.h) and the table's current record.
//
// The table's current record is what counts: the tag's cursor follows it
// lazily. Before every step, seek, count or position the adapter writes the
// record still being changed (so that the tag's keys already hold it) and,
// when the table has moved by record number since, puts the cursor back on
// the record's key. After every move the table goes to the record of the
// key the cursor reached. A key whose record carries the deleted mark (an
// index another station did not keep current) is passed over like the
// deleted records of record-number order.
//
// Key upkeep: an ordinary tag follows the table's writes with its own
// condition. A view keeps the records of its own condition (ViewCondition)
// while its file stores "!DELETED()": its keys are kept here, so that a
// record edited out of the condition leaves the view and an added record
// that meets it joins.
//
// Cost: every operation goes through the tree (a descent and the pages of
// the rows passed); nothing here reads the whole table.
#pragma once

#include "data/access/Order.h"
#include "data/access/ViewCondition.h"
#include "data/cdx/IndexFile.h"

#include <memory>
#include <optional>
#include <string>

namespace drav::data {

class IndexTag;
class TableFile;

class TagOrder : public Order, private TableObserver {
public:
    // keep: the view's condition (nullptr for an ordinary tag); view: the
    // order is the slot's view.
    TagOrder(TableFile& table, std::unique_ptr<IndexFile> file, const ViewCondition* keep = nullptr,
             bool view = false);
    ~TagOrder() override;
    TagOrder(const TagOrder&) = delete;
    TagOrder& operator=(const TagOrder&) = delete;

    const std::string& path() const;
    bool isView() const { return m_view; }
    IndexTag& tag() const;

    std::string name() const override;
    std::string keyText() const override;
    char keyType() const override;

    Status goTop() override;
    Status goBottom() override;
    Status skip(int64_t n) override;
    Status goToPosition(uint64_t p) override;
    Status seek(const Value& key, bool soft, bool* found) override;
    Status goToRecord(uint32_t recno) override;
    bool bof() const override { return m_bof; }

    Status setScope(const std::optional<Value>& top, const std::optional<Value>& bottom) override;
    std::optional<Value> scopeTop() const override { return m_top; }
    std::optional<Value> scopeBottom() const override { return m_bottom; }

    Status keyCount(uint64_t* count) override;
    Status keyPosition(uint64_t* position) override;
    std::string currentKey() const override;

    TableObserver* observer() override;

private:
    // The cursor on the table's current record (which is written first).
    Status sync();
    // The table to the cursor's record, passing over deleted records in
    // the direction given (1 forward, -1 back).
    Status settle(int direction);

    Status beforeChange(const RecordContext& record, bool appended) override;
    Status recordWritten(const RecordContext& record) override;

    TableFile& m_table;
    std::unique_ptr<IndexFile> m_file;
    std::optional<ViewCondition> m_keep;
    bool m_view;
    bool m_bof = false;
    std::optional<Value> m_top, m_bottom;

    // A view's record before its change.
    bool m_appended = false;
    bool m_oldMeets = false;
    std::string m_oldKey;
};

}  // namespace drav::data
