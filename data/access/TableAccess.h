// The table operations every screen uses: opening and closing tables in
// slots, locking, appending, deleting, numbering new clients, counting, and
// the disk checks made before a file is created.
//
// Sections: file names; opening and closing; locks, appending and deleting;
// numbering and counting; seek and scope; index tags; views; disks and
// files; test hooks. The typed search of the lists is in KeySearch.h.
//
// Waiting for other stations. Nothing here reports a lock or a share mode
// held by another station to its caller: the operation waits until it
// succeeds.
//   dbOpen   a sharing violation goes to the error handler as a soft
//            failure; then, with the active window disabled, the wait box
//            says "E' in corso un'operazione di sistema..." ("Attendere")
//            for a shared open or "Spegnere tutti i terminali..."
//            ("Attenzione") for an exclusive one, and the open is tried
//            again, window events handled between attempts, until it works.
//   dbLock   3 seconds of silent attempts, then "Il sistema è
//   dbApp    momentaneamente occupato..." until granted; the window is not
//            serviced meanwhile (no screen code runs in the middle of a
//            lock).
// Every wait polls: nothing blocks in the kernel, so the station keeps
// answering for the locks it holds. The wait message that was shown before
// comes back afterwards.
//
// Deadlocks between stations. Before a station waits for the whole-table
// lock it gives up its own record locks on that table (writing the record
// first): two stations each holding a record lock and waiting for the file
// lock would otherwise wait for each other for ever. A record lock always
// gives up the station's other record locks of the table first. Locks held
// on other tables are kept: the numbering steps need them; the business
// operations take their whole-table locks in one fixed order.
//
// Ownership: a screen opens its tables with ScopedTable (ScopedTable.h),
// which closes them and selects the slot that was current on every way out.
#pragma once

#include "data/access/Slots.h"
#include "data/access/Table.h"
#include "data/access/ViewCondition.h"
#include "data/schema/FieldDef.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

// ---- File names ------------------------------------------------------------

// The file of a table name: the name part (not the folder) in capitals,
// ".DBF" added when it has no extension; a name ending in "." keeps no
// extension ("NET." is the file "NET").
std::string tableFileName(std::string_view name);
// The file of an index tag name: the name part in capitals, ".NTX" added
// when it has no extension.
std::string tagFileName(std::string_view name);
// The view index file of a slot in the instance folder: 0x7F, "VIEW", the
// slot number, ".NTX".
std::string viewFileName(int slot);

// ---- Opening and closing ---------------------------------------------------

// Opens the table in the current slot (closing what it holds) or, with
// newSlot, in the lowest free slot, which becomes current; the alias is the
// table's name when none is given. Waits while another station holds the
// file in a conflicting way; any other failure goes to the error handler
// and abandons the caller's operation.
Table& dbOpen(bool newSlot, std::string_view table, std::string_view alias = {}, bool shared = true,
              bool readOnly = false);
// Closes the table of the alias (the current table when none is given) and
// deletes its slot's view file; the current slot stays current. Nothing
// when no table has the alias.
void dbClose(std::string_view alias = {});
// Closes every table, selects slot 1 and deletes this instance's view files.
void closeAll();

// ---- Locks, appending and deleting (the current table) ---------------------

// Record mode locks the current record, otherwise the whole table; returns
// when the lock is held.
void dbLock(bool record);
void dbLock(Table& table, bool record);
void dbUnlock();
// Appends a blank record and leaves it current with the whole-table lock and
// its record lock held; the caller writes, commits and unlocks.
void dbApp();
// Marks the current record deleted under the whole-table lock, writes it
// (commit true), moves to the record that followed it in the controlling
// order (end of table when none) and releases the locks. Nothing at end of
// table.
void dbDel(bool commit = true);
// Asks "Confermi la cancellazione?"; OK deletes with dbDel. At end of table
// only a beep. True when the record was deleted.
bool delRec();
void dbCommit();
void dbRecall();

// ---- Numbering and counting ------------------------------------------------

// The next client code of CLIENTI, right after dbApp with the new blank
// record current: the CODICE of the last live record that has one, plus 1,
// right-aligned in 10 characters ("         1" for the first client).
// With lock, the whole-table lock is taken (and kept) and the new record
// locked again; without, the locks are released.
std::string nextCode(bool lock = true);
// The keys of the first tag (main) or of the controlling order, within
// their scope.
uint64_t totRec(bool main = true);
uint64_t keyCount();

// ---- Seek and scope (the current table's controlling order) ----------------

bool dbSeek(const Value& key, bool soft = false);
void dbSetScope(const std::optional<Value>& top, const std::optional<Value>& bottom);

// ---- Index tags (the current table) ----------------------------------------

// Opens the tag file (tagFileName) with the table, shared when the table is
// shared, after the tags already open; the first tag added controls. A
// missing or unreadable file goes to the error handler (open error 21,
// corruption 32) and abandons the caller's operation.
void ordAdd(std::string_view tagFile);
// Makes the order of that number (0: record-number order) or tag name
// controlling; the current record stays current. Returns the number of the
// order that controlled before. A name or number the table does not have
// is an error for the handler.
int ordSetFocus(int order);
int ordSetFocus(std::string_view tagName);

// The condition of the next ordBuild, used by that build only: the text
// stored in the tag ("" for none), the condition the build evaluates
// instead of the text when given (and that then keeps the tag's keys while
// it stays open), and whether the build visits only the records of the
// controlling order within its scope, in its order, instead of every record.
void ordCondSet(std::string conditionText, std::optional<ViewCondition> condition = std::nullopt,
                bool withinScope = false);
// Builds the tag of the file (tagFileName; the tag is named after the file)
// over the current table with the build condition set just before, and
// makes it the controlling order. The key text is stored without any
// "FIELD -> ". An existing file is rebuilt from scratch; a copy of it open
// with this table is closed first. Shared when the table is shared.
// Failures (key or condition of the wrong type, a file that cannot be
// made) go to the error handler and abandon.
void ordBuild(std::string_view tagFile, std::string_view keyText, bool unique = false);

// ---- Views (the current table) ---------------------------------------------
//
// A view narrows the slot's table to the records of a condition through a
// private index tag in the instance folder (viewFileName), never shared:
// two instances building views on the same table and slot each have their
// own file. While it is open it follows the table's writes with its real
// condition: a record edited so that it no longer meets it leaves the view.

struct ViewOptions {
    // The key of the view's order; absent: the controlling order's key
    // ("RECNO()" in record-number order, so the rows keep their physical
    // order).
    std::optional<std::string> keyText{};
    // Without the wait message "Elaborazione in corso..."; absent: quiet
    // while a wait message is shown.
    std::optional<bool> quiet{};
    bool unique = false;       // one record per key value
    bool withinScope = false;  // only the controlling order's records in its scope
    bool keepOrder = false;    // dbClearView returns to the order in control then
};

// Replaces the slot's view by a new one over the records meeting the
// condition, makes it controlling with the scope bounds in force before,
// and goes to its first record. The order that controlled before (unless
// keepOrder) is remembered for dbClearView.
void dbSetView(const ViewCondition& condition, const ViewOptions& options = {});
// Removes the slot's view and deletes its file; the remembered order (or,
// with keepOrder, the order in control, unless that is the view itself)
// controls again with the scope bounds in force; goes to the first record.
// Without a view only the scope is set again and the first record reached.
// A step that fails is reported and the whole sequence tried again, three
// times at most.
void dbClearView(bool keepOrder = false);
// For dbOpen and dbClose: the slot's table is gone, and with it what its
// view remembered.
void forgetView(int slot);

// ---- Disks and files -------------------------------------------------------

// Creates the table file (and its memo file) after checking its folder with
// isFull; a full or missing disk abandons the caller's operation after the
// message.
void dbGen(std::string_view name, const std::vector<FieldDef>& fields, uint64_t minFree = 8192);
// False for an empty folder. True when the folder is not there (after
// "Disco non pronto."), or when its file system has less than minFree bytes
// free (after "Spazio sul disco insufficiente."). Else false.
bool isFull(std::string_view folder, uint64_t minFree = 8192);
// True when the file (".DBF" added without an extension) exists and cannot
// be opened exclusively: another station has it open.
bool netUsed(std::string_view file);
// The station semaphore: no operation holds it once the program runs, so
// there is nothing to release.
void sUnlock();

// ---- Test hooks ------------------------------------------------------------

// The silent part of the lock waits (3 seconds in the program). Returns the
// previous value.
std::chrono::milliseconds TEST_setLockQuietPeriod(std::chrono::milliseconds period);

}  // namespace drav::data
