// An open table as the screens see it: a table file in a numbered slot under
// an alias, with its open index tags, the controlling order and its scope,
// the current record and the locks this station holds on it.
//
// Sections: identity; navigation; fields; writing; locks; orders, seek and
// scope.
//
// Errors. Every method here that meets a failure of the table file hands it
// to the error handler once (raiseError) and, whatever the handler decides
// short of quitting, abandons the operation: the caller never sees a failed
// move or write. The waits for other stations' locks and share modes are
// not here but in TableAccess.h (dbOpen, dbLock, dbApp), built on the try
// methods below, which report Busy instead.
//
// Navigation obeys the controlling order: records with the deleted mark are
// passed over, the scope bounds the moves, and eof() means the table stands
// past the last record of the order (a blank record, record number past the
// last one).
#pragma once

#include "data/access/Order.h"
#include "data/access/RecnoOrder.h"
#include "data/dbf/TableErrors.h"
#include "data/dbf/TableFile.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

class Table {
public:
    Table(int slot, std::string alias);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // ---- Identity ----------------------------------------------------------
    int slot() const { return m_slot; }
    const std::string& alias() const { return m_alias; }
    const std::string& path() const { return m_file.path(); }
    bool isOpen() const { return m_file.isOpen(); }
    bool isShared() const { return m_file.isShared(); }
    bool isReadOnly() const { return m_file.isReadOnly(); }
    // The table file itself, for the index and maintenance code.
    TableFile& file() { return m_file; }

    // Opens the file (shared or exclusive, read-only or not) in record-number
    // order on its first record; Busy on a share-mode conflict.
    Status tryOpen(const std::string& path, bool shared, bool readOnly);
    // Writes what is pending, releases the locks and closes the file and its
    // tags. A failure goes to the error handler when report is true (the
    // table is closed either way).
    void close(bool report = true);

    // ---- Navigation --------------------------------------------------------
    void goTop();
    void goBottom();
    void skip(int64_t n = 1);
    // Goes to the record at key position p (1 first) of the controlling
    // order within its scope; end of table past the last.
    void goToPosition(uint64_t p);
    // Goes to the record by number, whatever the order and scope (past the
    // last record: end of table).
    void goTo(uint32_t recno);
    bool eof() const { return m_file.eof(); }
    bool bof() const { return controlling().bof(); }
    uint32_t recno() const { return m_file.recno(); }
    bool deleted() const { return m_file.deleted(); }
    // The number of records in the file, deleted ones included.
    uint32_t lastRec();

    // ---- Fields ------------------------------------------------------------
    int fieldCount() const { return m_file.fieldCount(); }
    const FieldDef& fieldDef(int pos) const { return m_file.field(pos); }
    // The position of a field (0 for the first), letter case ignored; -1
    // when the table has none. Look names up once and keep the position.
    int fieldPos(std::string_view name) const { return m_file.fieldIndex(name); }
    // Like fieldPos, but a missing field is an error for the handler.
    int needField(std::string_view name) const;

    Value get(int pos) const;
    Value get(std::string_view name) const { return get(needField(name)); }
    // The value as text, number, date or logical; a field of another kind is
    // an error for the handler.
    std::string text(int pos) const;
    double number(int pos) const;
    Date date(int pos) const;
    bool logical(int pos) const;
    std::string text(std::string_view name) const { return text(needField(name)); }
    double number(std::string_view name) const { return number(needField(name)); }
    Date date(std::string_view name) const { return date(needField(name)); }
    bool logical(std::string_view name) const { return logical(needField(name)); }

    // Writes the field of the current record, which must be locked (record
    // or file lock) when the table is shared.
    void put(int pos, const Value& value);
    void put(std::string_view name, const Value& value) { put(needField(name), value); }

    // ---- Writing -----------------------------------------------------------
    // Writes the current record (and the header after an append).
    void commit();
    void markDeleted();
    void recall();

    // ---- Locks -------------------------------------------------------------
    // One attempt each; Busy when another station holds what is asked. The
    // record lock releases this station's other record locks of the table.
    Status tryLockRecord();
    Status tryLockFile();
    Status tryAppend();
    // Releases every lock of this station on the table (the changed record is
    // written first).
    void unlock();
    bool hasFileLock() const { return m_file.hasFileLock(); }
    bool hasRecordLock() const { return !eof() && m_file.hasRecordLock(recno()); }
    // Writes the current record and releases this station's record locks on
    // the table, keeping the file lock: done before waiting for the file lock.
    void releaseRecordLocks();

    // ---- Orders, seek and scope --------------------------------------------
    // Adds an open order (an index tag) after the others; the first one
    // added becomes the controlling order.
    void addOrder(std::unique_ptr<Order> order);
    int orderCount() const { return static_cast<int>(m_orders.size()); }
    // The order number n (1 for the first added); nullptr for 0 or out of range.
    Order* order(int n) const;
    // The controlling order's number; 0 for record-number order.
    int orderNumber() const { return m_controlling; }
    // Makes order n controlling (0: record-number order); the current record
    // stays current.
    void setOrder(int n);
    Order& controlling() const;
    // Closes every order; record-number order controls.
    void clearOrders();
    // Takes order n out of the table (its keys no longer follow the writes)
    // and hands it over, or nullptr when there is none; the controlling
    // order stays in control unless it is the one taken (then record-number
    // order controls).
    std::unique_ptr<Order> removeOrder(int n);
    // The number of the order of that tag name (letter case ignored); 0
    // when none.
    int findOrder(std::string_view name) const;

    // The first key of the controlling order that begins with the value,
    // within the scope. Not found: soft stands on the next greater key, else
    // at end of table.
    bool seek(const Value& key, bool soft = false);
    bool found() const { return m_found; }
    // Bounds of the controlling order; either may be absent.
    void setScope(const std::optional<Value>& top, const std::optional<Value>& bottom);
    void clearScope() { setScope(std::nullopt, std::nullopt); }
    std::optional<Value> scopeTop() const { return controlling().scopeTop(); }
    std::optional<Value> scopeBottom() const { return controlling().scopeBottom(); }
    // The keys of the controlling order within its scope, and the position
    // of the current record among them (0 at end of table).
    uint64_t keyCount();
    uint64_t keyPosition();
    // TOTREC. main: the keys of the first order within the scope bounds of
    // the controlling order (bounds of another kind than the first order's
    // key count every key); record-number order when there is no tag. Not
    // main: keyCount().
    uint64_t totRec(bool main = true);

    // Hands a failure to the error handler and abandons the operation; does
    // nothing for success.
    void check(const Status& s, TableOp op) const;

private:
    int m_slot;
    std::string m_alias;
    TableFile m_file;
    std::unique_ptr<RecnoOrder> m_recnoOrder;
    std::vector<std::unique_ptr<Order>> m_orders;
    int m_controlling = 0;
    bool m_found = false;
};

}  // namespace drav::data
