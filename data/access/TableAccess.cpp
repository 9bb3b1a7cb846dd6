// Table operations. Sections: file names; waiting; opening and closing;
// locks, appending and deleting; numbering and counting; seek and scope;
// disks and files.
#include "data/access/TableAccess.h"

#include "data/access/OwnWaitMessage.h"

#include "util/Error.h"
#include "util/FileHelpers.h"
#include "util/Messages.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "util/UserPort.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <thread>
#include <utility>

namespace drav::data {
namespace {

using namespace std::chrono_literals;

std::chrono::milliseconds g_quietPeriod = 3000ms;
constexpr auto kQuietPoll = 1ms;  // between the silent attempts
constexpr auto kBusyPoll = 10ms;  // between the attempts behind the message
constexpr auto kOpenPoll = 20ms;  // between the attempts of a waiting open

}  // namespace

// ---- File names ------------------------------------------------------------

std::string tableFileName(std::string_view name) {
    std::string file = upperAscii(fileNameOf(name));
    if (!file.empty() && file.back() == '.')
        file.pop_back();
    else if (cFileExt(file).empty())
        file += ".DBF";
    return folderOf(name) + file;
}

std::string tagFileName(std::string_view name) {
    std::string file = upperAscii(fileNameOf(name));
    if (cFileExt(file).empty()) file += ".NTX";
    return folderOf(name) + file;
}

std::string viewFileName(int slot) {
    return instanceFolder() + "\x7FVIEW" + std::to_string(slot) + ".NTX";
}

// ---- Waiting ---------------------------------------------------------------

namespace {

// Tries until attempt() succeeds: silently for the quiet period, then behind
// the busy message.
void waitUntil(const std::function<bool()>& attempt) {
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < g_quietPeriod) {
        std::this_thread::sleep_for(kQuietPoll);
        if (attempt()) return;
    }
    OwnWaitMessage busy(QStringLiteral("Il sistema è momentaneamente occupato..."), {}, false);
    while (!attempt()) std::this_thread::sleep_for(kBusyPoll);
}

// A soft failure goes to the error handler once per wait; a handler that
// does not let it fail softly abandons the operation.
void tellHandlerSoftly(const ErrorInfo& e) {
    if (raiseError(e) != ErrorOutcome::Fail) throw Abandoned(e.description + ": " + e.fileName);
}

TableOp openOp(const Status& s) {
    return cFileExt(s.file()) == "DBT" ? TableOp::OpenMemo : TableOp::Open;
}

// Frees a slot on every way out unless dismissed.
class SlotRelease {
public:
    explicit SlotRelease(int slot) : m_slot(slot) {}
    ~SlotRelease() {
        if (m_slot) removeTable(m_slot);
    }
    void dismiss() { m_slot = 0; }

private:
    int m_slot;
};

constexpr int kAliasInUse = 18;

void deleteViewFile(int slot) {
    if (!instanceFolder().empty()) ::unlink(viewFileName(slot).c_str());
}

void closeSlot(int slot) {
    Table* t = tableIn(slot);
    if (!t) return;
    SlotRelease release(slot);
    forgetView(slot);
    // The view's file is closed with the table before it goes.
    struct DeleteView {
        int slot;
        ~DeleteView() { deleteViewFile(slot); }
    } deleteView{slot};
    t->close(true);
}

}  // namespace

std::chrono::milliseconds TEST_setLockQuietPeriod(std::chrono::milliseconds period) {
    return std::exchange(g_quietPeriod, period);
}

// ---- Opening and closing ---------------------------------------------------

Table& dbOpen(bool newSlot, std::string_view table, std::string_view alias, bool shared,
              bool readOnly) {
    const std::string path = tableFileName(table);
    const std::string name = alias.empty() ? cFileNoExt(path) : upperAscii(alias);
    int slot = newSlot ? lowestFreeSlot() : currentSlot();
    closeSlot(slot);
    if (findAlias(name)) {
        ErrorInfo e;
        e.subsystem = "DBCMD";
        e.genCode = kAliasInUse;
        e.operation = name;
        raiseError(std::move(e));
        throw Abandoned("alias already in use: " + name);
    }
    select(slot);
    // The slot is taken now, while the open may still wait.
    Table& t = placeTable(slot, name);
    SlotRelease release(slot);

    Status s = t.tryOpen(path, shared, readOnly);
    if (s.isBusy()) {
        tellHandlerSoftly(tableErrorInfo(s, openOp(s)));
        OwnWaitMessage wait(shared ? QStringLiteral("E' in corso un'operazione di sistema...")
                                   : QStringLiteral("Spegnere tutti i terminali..."),
                            shared ? QStringLiteral("Attendere") : QStringLiteral("Attenzione"),
                            true);
        do {
            userPort().processEvents();
            // Window events may run other screens' code; the slot must still
            // be ours.
            if (tableIn(slot) != &t) throw Abandoned("slot taken while opening " + path);
            std::this_thread::sleep_for(kOpenPoll);
            s = t.tryOpen(path, shared, readOnly);
        } while (s.isBusy());
    }
    t.check(s, openOp(s));
    release.dismiss();
    select(slot);
    return t;
}

void dbClose(std::string_view alias) {
    Table* t = alias.empty() ? tableIn(currentSlot()) : findAlias(alias);
    if (t) closeSlot(t->slot());
}

void closeAll() {
    // Every slot is emptied even when closing one of them reports an error.
    struct Finish {
        ~Finish() {
            for (int slot : usedSlots()) removeTable(slot);
            select(1);
            if (!instanceFolder().empty())
                for (const std::string& f : wildExp({instanceFolder() + "\x7FVIEW*.NTX"}))
                    ::unlink((instanceFolder() + f).c_str());
        }
    } finish;
    for (int slot : usedSlots()) {
        try {
            closeSlot(slot);
        } catch (const Abandoned&) {
            // The handler has shown what went wrong; the other tables
            // still have to be closed.
        }
    }
}

// ---- Locks, appending and deleting -----------------------------------------

void dbLock(Table& t, bool record) {
    auto attempt = [&] {
        Status s = record ? t.tryLockRecord() : t.tryLockFile();
        if (s.isBusy()) return false;
        t.check(s, TableOp::Lock);
        return true;
    };
    if (attempt()) return;
    // Waiting for the whole table while holding record locks of it would
    // keep out another station that holds a record lock and waits the same.
    if (!record) t.releaseRecordLocks();
    waitUntil(attempt);
}

void dbLock(bool record) {
    dbLock(current(), record);
}

void dbUnlock() {
    current().unlock();
}

void dbApp() {
    Table& t = current();
    dbLock(t, false);
    bool told = false;
    auto attempt = [&] {
        Status s = t.tryAppend();
        if (s.isBusy()) {
            if (!told) tellHandlerSoftly(tableErrorInfo(s, TableOp::Append));
            told = true;
            return false;
        }
        t.check(s, TableOp::Append);
        return true;
    };
    if (!attempt()) waitUntil(attempt);
    dbLock(t, true);
}

namespace {

// Releases the table's locks when an error cuts an operation short, so that
// no lock outlives the operation that took it.
class UnlockOnError {
public:
    explicit UnlockOnError(Table& t) : m_table(t), m_uncaught(std::uncaught_exceptions()) {}
    ~UnlockOnError() {
        if (std::uncaught_exceptions() > m_uncaught && m_table.isOpen())
            (void)m_table.file().unlockAll();
    }

private:
    Table& m_table;
    int m_uncaught;
};

}  // namespace

void dbDel(bool commit) {
    Table& t = current();
    if (t.eof()) return;
    const uint32_t recno = t.recno();
    dbLock(t, false);
    UnlockOnError guard(t);
    t.skip(1);
    const uint32_t next = t.eof() ? t.lastRec() + 1 : t.recno();
    // Back by number rather than by a step back, so that the record marked
    // is the one that was current even if it had left the order.
    t.goTo(recno);
    t.markDeleted();
    if (commit) {
        t.commit();
        t.goTo(recno);
    }
    t.goTo(next);
    t.unlock();
}

bool delRec() {
    Table& t = current();
    if (t.eof()) {
        userPort().beep();
        return false;
    }
    if (!msgAsk(QStringLiteral("Confermi la cancellazione?"), 2)) return false;
    dbDel();
    return true;
}

void dbCommit() {
    current().commit();
}

void dbRecall() {
    current().recall();
}

// ---- Numbering and counting ------------------------------------------------

namespace {

// The numeric value at the start of a text, as the codes are read: leading
// blanks, an optional sign, digits; anything else counts as 0.
double leadingNumber(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    double v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
    return negative ? -v : v;
}

bool blank(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

std::string nextCode(bool lock) {
    Table& t = current();
    const int codice = t.needField("CODICE");
    const uint32_t was = t.eof() ? t.lastRec() + 1 : t.recno();
    if (lock) dbLock(t, false);
    UnlockOnError guard(t);
    // Record-number order over the whole table, whatever order and scope the
    // caller has: the codes grow with the appends.
    TableFile& f = t.file();
    t.check(f.goBottom(), TableOp::Read);
    while (!f.eof() && blank(t.text(codice)) && !f.bof()) t.check(f.skip(-1), TableOp::Read);
    double last = f.eof() || blank(t.text(codice)) ? 0 : leadingNumber(t.text(codice));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10.0f", std::floor(last) + 1);
    t.goTo(was);
    if (lock)
        dbLock(t, true);
    else
        t.unlock();
    return buf;
}

uint64_t totRec(bool main) {
    return current().totRec(main);
}

uint64_t keyCount() {
    return current().keyCount();
}

// ---- Seek and scope --------------------------------------------------------

bool dbSeek(const Value& key, bool soft) {
    return current().seek(key, soft);
}

void dbSetScope(const std::optional<Value>& top, const std::optional<Value>& bottom) {
    current().setScope(top, bottom);
}

// ---- Disks and files -------------------------------------------------------

void sUnlock() {}

bool isFull(std::string_view folder, uint64_t minFree) {
    if (folder.empty()) return false;
    sUnlock();
    if (!isReady(folder)) return true;
    struct statvfs vfs {};
    std::string f(folder);
    if (::statvfs(f.c_str(), &vfs) != 0) return false;  // isReady has just seen it
    uint64_t free = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    if (free >= minFree) return false;
    msgInfo(QStringLiteral("Spazio sul disco insufficiente."));
    return true;
}

void dbGen(std::string_view name, const std::vector<FieldDef>& fields, uint64_t minFree) {
    const std::string path = tableFileName(name);
    const std::string folder = folderOf(path);
    if (isFull(folder.empty() ? "." : folder, minFree)) throw Abandoned("no room for " + path);
    Status s = TableFile::create(path, fields);
    if (s) return;
    raiseError(tableErrorInfo(s, TableOp::Create));
    throw Abandoned(s.toString());
}

bool netUsed(std::string_view file) {
    std::string path = tableFileName(file);
    File f;
    Status s = File::open(path, File::Share::Exclusive, true, f);
    if (s) return false;  // closed again as f goes
    return !s.isNotFound();
}

}  // namespace drav::data
