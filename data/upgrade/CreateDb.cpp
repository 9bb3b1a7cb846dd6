// The start-up check and upgrade of the data folder (see CreateDb.h).
//
//   1. Helpers: names, files, the layout comparison, the wait box
//   2. needUpd
//   3. modiTab: copying the records, replacing the files
//   4. createDb
#include "data/upgrade/CreateDb.h"

#include "data/access/OwnWaitMessage.h"
#include "data/access/ScopedTable.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/backup/Manutenzione.h"
#include "data/dbf/TableFile.h"
#include "data/upgrade/ConvDato.h"
#include "data/upgrade/ReplaceFile.h"
#include "util/Cp1252.h"
#include "util/Error.h"
#include "util/FileHelpers.h"
#include "util/Messages.h"
#include "util/NetMarker.h"
#include "util/Text.h"
#include "util/UserPort.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

namespace drav::data {
namespace {

// ---- 1. Helpers --------------------------------------------------------------------

const QString kChecking = QStringLiteral("Verifica archivi in corso...");
const QString kUpdating = QStringLiteral("Aggiornamento archivi in corso...");

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool hasMemoField(const std::vector<FieldDef>& fields) {
    for (const FieldDef& f : fields)
        if (f.type == 'M') return true;
    return false;
}

bool hasMemoField(const Table& t) {
    for (int i = 0; i < t.fieldCount(); ++i)
        if (t.fieldDef(i).type == 'M') return true;
    return false;
}

bool layoutDiffers(const Table& t, const std::vector<FieldDef>& fields) {
    for (const FieldDef& f : fields) {
        int pos = t.fieldPos(f.name);
        if (pos < 0) return true;
        const FieldDef& have = t.fieldDef(pos);
        if (have.type != f.type || have.length != f.length || have.decimals != f.decimals)
            return true;
    }
    return false;
}

// The old field a new field takes its value from: the first, in old field
// order, whose name begins with the new field's name; -1 when none does.
int sourceField(const Table& old, const FieldDef& f) {
    const std::string prefix = upperAscii(f.name);
    for (int i = 0; i < old.fieldCount(); ++i)
        if (upperAscii(old.fieldDef(i).name).starts_with(prefix)) return i;
    return -1;
}

// The wait box of the check: closed on every way out.
class CheckWaitBox {
public:
    CheckWaitBox() { waitMsg(kChecking); }
    ~CheckWaitBox() { waitClose(); }
    CheckWaitBox(const CheckWaitBox&) = delete;
    CheckWaitBox& operator=(const CheckWaitBox&) = delete;
};

// Selects the slot again on every way out.
class KeepSlot {
public:
    KeepSlot() : m_slot(currentSlot()) {}
    ~KeepSlot() { select(m_slot); }
    KeepSlot(const KeepSlot&) = delete;
    KeepSlot& operator=(const KeepSlot&) = delete;

private:
    int m_slot;
};

}  // namespace

// ---- 2. needUpd ----------------------------------------------------------------------

bool needUpd(std::string_view table, const std::vector<FieldDef>& fields) {
    KeepSlot keep;
    ScopedTable t(table, {}, true, true);
    return layoutDiffers(*t, fields);
}

// ---- 3. modiTab -----------------------------------------------------------------------

namespace {

// TEMPDBF_ serves every table: while another station rebuilds a table with
// it, this one waits, as for a table held elsewhere.
void waitForRebuildTable(const std::string& tempPath) {
    if (!netUsed(tempPath)) return;
    OwnWaitMessage wait(QStringLiteral("E' in corso un'operazione di sistema..."),
                        QStringLiteral("Attendere"), true);
    while (netUsed(tempPath)) {
        userPort().processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Appends every live record of the old table, in record order, to the new
// one, each field converted from its source.
void copyRecords(Table& old, Table& nu, const std::vector<FieldDef>& fields) {
    std::vector<int> source(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) source[i] = sourceField(old, fields[i]);
    for (old.goTop(); !old.eof(); old.skip(1)) {
        nu.check(nu.file().append(), TableOp::Append);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (source[i] < 0) continue;
            nu.put(static_cast<int>(i),
                   convDato(old.get(source[i]), old.fieldDef(source[i]), fields[i]));
        }
    }
    nu.check(nu.file().flush(), TableOp::Write);
}

// Replaces one file; false after the failure message.
bool replaceOne(const std::string& from, const std::string& to, bool copy, File& held) {
    if (replaceFile(from, to, copy, held)) return true;
    QString text = copy ? QStringLiteral("Impossibile copiare il file ")
                        : QStringLiteral("Impossibile rinominare il file ");
    text += fromCp1252(upperAscii(fileNameOf(from))) + QStringLiteral(" in ") +
            fromCp1252(upperAscii(fileNameOf(to))) + QStringLiteral(".");
    msgInfo(text);
    return false;
}

}  // namespace

bool modiTab(std::string_view table, const std::vector<FieldDef>& fields) {
    const std::string tablePath = tableFileName(table);
    const std::string memoPath = TableFile::memoPathFor(tablePath);
    const std::string tempPath = folderOf(tablePath) + kRebuildTable + ".DBF";
    const std::string tempMemo = TableFile::memoPathFor(tempPath);
    const bool copy = networkMode();

    KeepSlot keep;
    // With the network-mode marker, the copies put in place stay held until
    // the old table is let go.
    File heldTable, heldMemo;
    bool created = false;
    bool ok = false;
    try {
        ScopedTable old(table, "OLD", false, true);
        // Another station may have rebuilt it while this one waited.
        if (!layoutDiffers(*old, fields)) return true;

        waitForRebuildTable(tempPath);
        dbGen(tempPath, fields);
        created = true;
        if (hasMemoField(fields) && hasMemoField(*old) && fileExists(memoPath))
            old->check(copyInto(memoPath, tempMemo), TableOp::Create);

        {
            ScopedTable nu(tempPath, "NEW", false, false);
            copyRecords(*old, *nu, fields);
            if (fileExists(tempMemo) && !replaceOne(tempMemo, memoPath, copy, heldMemo)) {
                // nothing replaced yet
            } else if (!replaceOne(tempPath, tablePath, copy, heldTable)) {
                // the old table with a memo that still holds all its texts
            } else {
                ok = true;
            }
        }
        if (ok && !hasMemoField(fields)) ::unlink(memoPath.c_str());
    } catch (const Abandoned&) {
        ok = false;
    }
    if (created) {
        // Gone already where they were renamed into place.
        ::unlink(tempPath.c_str());
        ::unlink(tempMemo.c_str());
    }
    return ok;
}

// ---- 4. createDb -------------------------------------------------------------------------

namespace {

// A TEMPDBF_ that no station holds was left by a rebuild that stopped. The
// old table was whole all along, so it is never the only copy of anything;
// it goes, unless a table is missing (then it is left for whoever needs it).
void removeStaleRebuild(const std::vector<TableDef>& tables) {
    const std::string tempPath = std::string(kRebuildTable) + ".DBF";
    if (!fileExists(tempPath) || netUsed(tempPath)) return;
    for (const TableDef& t : tables)
        if (!fileExists(tableFileName(t.name))) return;
    ::unlink(tempPath.c_str());
    ::unlink(TableFile::memoPathFor(tempPath).c_str());
}

}  // namespace

bool createDb(const std::vector<TableDef>& tables, bool forceMaintenance) {
    bool maintenance = forceMaintenance;
    try {
        CheckWaitBox wait;
        removeStaleRebuild(tables);
        for (const TableDef& t : tables) {
            const std::string path = tableFileName(t.name);
            if (!fileExists(path)) {
                waitUpdate(kUpdating);
                dbGen(t.name, t.fields);
                maintenance = true;
                continue;
            }
            if (netUsed(path)) continue;
            if (!t.fields.empty() && needUpd(t.name, t.fields)) {
                waitUpdate(kUpdating);
                if (!modiTab(t.name, t.fields)) return false;
                maintenance = true;
            }
        }
        for (const TableDef& t : tables)
            for (const std::string& tag : t.tags)
                if (!fileExists(tagFileName(tag))) maintenance = true;
    } catch (const Abandoned&) {
        return false;
    }
    // A maintenance that failed leaves tables unpacked or index files
    // missing; the screens would fail on them one by one.
    return !maintenance || maintainTables(tables, false);
}

}  // namespace drav::data
