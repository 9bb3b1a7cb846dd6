// Table. Sections: opening and closing; navigation; fields; writing; locks;
// orders, seek and scope; errors.
#include "data/access/Table.h"

#include "util/Error.h"
#include "util/Text.h"

namespace drav::data {

Table::Table(int slot, std::string alias)
    : m_slot(slot), m_alias(std::move(alias)), m_recnoOrder(std::make_unique<RecnoOrder>(m_file)) {}

Table::~Table() {
    close(false);
}

// ---- Opening and closing ---------------------------------------------------

Status Table::tryOpen(const std::string& path, bool shared, bool readOnly) {
    clearOrders();
    m_found = false;
    Status s = m_file.open(path, shared ? File::Share::Shared : File::Share::Exclusive, readOnly);
    if (!s) return s;
    s = m_recnoOrder->setScope(std::nullopt, std::nullopt);
    if (s) s = m_recnoOrder->goTop();
    if (!s) (void)m_file.close();
    return s;
}

void Table::close(bool report) {
    if (!m_file.isOpen()) {
        clearOrders();
        return;
    }
    // The record still being changed is written while the tags still listen,
    // so that their keys follow it.
    Status s = m_file.commit();
    clearOrders();
    Status c = m_file.close();
    if (s) s = c;
    if (report) check(s, TableOp::Write);
}

// ---- Navigation ------------------------------------------------------------

void Table::goTop() {
    check(controlling().goTop(), TableOp::Read);
}

void Table::goBottom() {
    check(controlling().goBottom(), TableOp::Read);
}

void Table::skip(int64_t n) {
    check(controlling().skip(n), TableOp::Read);
}

void Table::goToPosition(uint64_t p) {
    check(controlling().goToPosition(p), TableOp::Read);
}

void Table::goTo(uint32_t recno) {
    check(m_file.goTo(recno), TableOp::Read);
    check(controlling().goToRecord(m_file.eof() ? 0 : recno), TableOp::Read);
}

uint32_t Table::lastRec() {
    uint32_t n = 0;
    check(m_file.recCount(&n), TableOp::Read);
    return n;
}

// ---- Fields ----------------------------------------------------------------

namespace {

// The error of a program asking for what the table does not have.
[[noreturn]] void programError(int genCode, const std::string& operation, const std::string& file) {
    ErrorInfo e;
    e.subsystem = "BASE";
    e.genCode = genCode;
    e.operation = operation;
    e.fileName = file;
    raiseError(std::move(e));
    throw Abandoned(operation);
}

constexpr int kNoVariable = 14;  // "Variable does not exist"

}  // namespace

int Table::needField(std::string_view name) const {
    int pos = fieldPos(name);
    if (pos < 0) programError(kNoVariable, m_alias + "->" + std::string(name), {});
    return pos;
}

Value Table::get(int pos) const {
    Value v;
    check(m_file.getField(pos, &v), TableOp::Read);
    return v;
}

std::string Table::text(int pos) const {
    Value v = get(pos);
    if (!isText(v)) programError(gen::DataType, "text of " + fieldDef(pos).name, path());
    return std::get<std::string>(std::move(v));
}

double Table::number(int pos) const {
    Value v = get(pos);
    if (!isNumber(v)) programError(gen::DataType, "number of " + fieldDef(pos).name, path());
    return std::get<double>(v);
}

Date Table::date(int pos) const {
    Value v = get(pos);
    if (!isDate(v)) programError(gen::DataType, "date of " + fieldDef(pos).name, path());
    return std::get<Date>(v);
}

bool Table::logical(int pos) const {
    Value v = get(pos);
    if (!isLogical(v)) programError(gen::DataType, "logical of " + fieldDef(pos).name, path());
    return std::get<bool>(v);
}

void Table::put(int pos, const Value& value) {
    check(m_file.putField(pos, value), TableOp::Write);
}

// ---- Writing ---------------------------------------------------------------

void Table::commit() {
    check(m_file.commit(), TableOp::Write);
}

void Table::markDeleted() {
    check(m_file.deleteRecord(), TableOp::Write);
}

void Table::recall() {
    check(m_file.recall(), TableOp::Write);
}

// ---- Locks -----------------------------------------------------------------

Status Table::tryLockRecord() {
    if (m_file.eof()) return Status::invalid(path(), "no current record to lock");
    return m_file.lockRecord();
}

Status Table::tryLockFile() {
    return m_file.lockFile();
}

Status Table::tryAppend() {
    Status s = m_file.append();
    if (s) s = controlling().goToRecord(m_file.recno());
    return s;
}

void Table::unlock() {
    check(m_file.unlockAll(), TableOp::Write);
}

void Table::releaseRecordLocks() {
    if (m_file.hasFileLock()) return;
    unlock();
}

// ---- Orders, seek and scope ------------------------------------------------

void Table::addOrder(std::unique_ptr<Order> order) {
    if (TableObserver* o = order->observer()) m_file.addObserver(o);
    m_orders.push_back(std::move(order));
    if (m_orders.size() == 1) setOrder(1);
}

Order* Table::order(int n) const {
    if (n < 1 || n > orderCount()) return nullptr;
    return m_orders[n - 1].get();
}

Order& Table::controlling() const {
    if (Order* o = order(m_controlling)) return *o;
    return *m_recnoOrder;
}

void Table::setOrder(int n) {
    m_controlling = order(n) ? n : 0;
    if (m_file.isOpen()) check(controlling().goToRecord(m_file.eof() ? 0 : recno()), TableOp::Read);
}

void Table::clearOrders() {
    m_controlling = 0;
    for (const auto& o : m_orders)
        if (TableObserver* obs = o->observer()) m_file.removeObserver(obs);
    m_orders.clear();
}

std::unique_ptr<Order> Table::removeOrder(int n) {
    if (!order(n)) return nullptr;
    std::unique_ptr<Order> out = std::move(m_orders[n - 1]);
    m_orders.erase(m_orders.begin() + (n - 1));
    if (TableObserver* obs = out->observer()) m_file.removeObserver(obs);
    if (m_controlling == n)
        setOrder(0);
    else if (m_controlling > n)
        --m_controlling;
    return out;
}

int Table::findOrder(std::string_view name) const {
    for (int n = 1; n <= orderCount(); ++n)
        if (sameIgnoringCase(m_orders[n - 1]->name(), name)) return n;
    return 0;
}

bool Table::seek(const Value& key, bool soft) {
    bool found = false;
    Status s = controlling().seek(key, soft, &found);
    check(s, s.code() == Status::Code::Invalid ? TableOp::Write : TableOp::Read);
    m_found = found;
    return found;
}

void Table::setScope(const std::optional<Value>& top, const std::optional<Value>& bottom) {
    // A bound of the wrong kind is a data type error, as for a field write.
    Status s = controlling().setScope(top, bottom);
    check(s, s.code() == Status::Code::Invalid ? TableOp::Write : TableOp::Read);
}

uint64_t Table::keyCount() {
    uint64_t n = 0;
    check(controlling().keyCount(&n), TableOp::Read);
    return n;
}

uint64_t Table::keyPosition() {
    uint64_t n = 0;
    check(controlling().keyPosition(&n), TableOp::Read);
    return n;
}

uint64_t Table::totRec(bool main) {
    if (!main || orderCount() == 0 || m_controlling == 1) return keyCount();
    // The first order counted within the bounds now in force; its own
    // scope is left as it was.
    Order& first = *m_orders.front();
    const std::optional<Value> ownTop = first.scopeTop(), ownBottom = first.scopeBottom();
    uint64_t n = 0;
    Status s = first.setScope(scopeTop(), scopeBottom());
    if (!s) s = first.setScope(std::nullopt, std::nullopt);
    if (s) s = first.keyCount(&n);
    Status back = first.setScope(ownTop, ownBottom);
    check(s, TableOp::Read);
    check(back, TableOp::Read);
    return n;
}

// ---- Errors ----------------------------------------------------------------

void Table::check(const Status& s, TableOp op) const {
    if (s) return;
    // The index engine names its own codes; the table driver's follow the
    // operation.
    raiseError(s.genCode() ? s.toErrorInfo() : tableErrorInfo(s, op));
    // The handler let the operation go on (a soft failure outside the
    // waits that retry it): it is given up all the same.
    throw Abandoned(s.toString());
}

}  // namespace drav::data
