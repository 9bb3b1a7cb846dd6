// The table access layer in one process: slots and aliases, file names,
// navigation in record-number order with its scope and seek, fields,
// errors, the scoped table, deleting, client codes and the disk checks.
#include "data/access/ScopedTable.h"
#include "data/access/TableAccess.h"
#include "tests/data/access_fixture.h"
#include "util/Paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace drav::data {
namespace {

using namespace testaccess;
using test::readFile;
using test::writeFile;

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<Row> sixWithTwoDeleted() {
    return {{"1", "A"}, {"2", "B", true}, {"3", "C"}, {"4", "D"}, {"5", "E"}, {"6", "F", true}};
}

// ---- Slots and aliases -------------------------------------------------------

TEST_F(AccessTest, SlotsAliasesAndTheLowestFreeSlot) {
    std::string path = clienti({{"1", "A"}});
    EXPECT_EQ(getNewAlias(), "ALIAS001");

    Table& a = dbOpen(true, dir.file("clienti"));  // the file name part in capitals
    EXPECT_EQ(a.slot(), 1);
    EXPECT_EQ(a.alias(), "CLIENTI");
    EXPECT_EQ(a.path(), path);
    EXPECT_TRUE(a.isShared());

    // The same table again under another alias, with a record of its own.
    Table& b = dbOpen(true, path, "sospesi");
    EXPECT_EQ(b.slot(), 2);
    EXPECT_EQ(b.alias(), "SOSPESI");
    EXPECT_EQ(currentSlot(), 2);
    b.skip();
    EXPECT_TRUE(b.eof());
    EXPECT_FALSE(a.eof());
    EXPECT_EQ(findAlias("Sospesi"), &b);

    EXPECT_EQ(getNewAlias(), "ALIAS003");
    EXPECT_EQ(currentSlot(), 2);  // getNewAlias leaves the current slot alone
    EXPECT_EQ(select(0), 3);

    // Closing another slot's table leaves the current slot current.
    dbClose("CLIENTI");
    EXPECT_EQ(tableIn(1), nullptr);
    EXPECT_EQ(currentSlot(), 3);
    EXPECT_EQ(getNewAlias(), "ALIAS001");

    // An alias in use is refused, and no slot is taken.
    EXPECT_THROW(dbOpen(true, path, "SOSPESI"), Abandoned);
    ASSERT_FALSE(errorLog.errors.empty());
    EXPECT_EQ(errorLog.errors.back().genCode, 18);
    EXPECT_EQ(lowestFreeSlot(), 1);

    // Opening in the current slot replaces what it holds.
    select(2);
    Table& c = dbOpen(false, path, "ALTRO");
    EXPECT_EQ(c.slot(), 2);
    EXPECT_EQ(findAlias("SOSPESI"), nullptr);

    // Nothing is current in a free slot.
    select(7);
    EXPECT_THROW(current(), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, 35);
}

TEST_F(AccessTest, ClosingDeletesTheSlotsViewFiles) {
    std::string path = clienti({});
    std::string inst = dir.file("INST") + "/";
    ASSERT_EQ(::mkdir(inst.c_str(), 0700), 0);
    std::string saved = instanceFolder();
    setInstanceFolder(inst);
    dbOpen(true, path, "UNO");
    dbOpen(true, path, "DUE");
    for (const char* f : {"\x7FVIEW1.NTX", "\x7FVIEW2.NTX", "\x7FVIEW9.NTX", "KEEP.NTX"})
        writeFile(inst + f, "x");
    EXPECT_EQ(viewFileName(2), inst + "\x7FVIEW2.NTX");

    dbClose("UNO");
    EXPECT_FALSE(exists(inst + "\x7FVIEW1.NTX"));
    EXPECT_TRUE(exists(inst + "\x7FVIEW2.NTX"));

    select(5);
    closeAll();
    EXPECT_TRUE(usedSlots().empty());
    EXPECT_EQ(currentSlot(), 1);
    EXPECT_FALSE(exists(inst + "\x7FVIEW2.NTX"));
    EXPECT_FALSE(exists(inst + "\x7FVIEW9.NTX"));
    EXPECT_TRUE(exists(inst + "KEEP.NTX"));
    EXPECT_FALSE(netUsed(path));  // really closed
    setInstanceFolder(saved);
}

TEST_F(AccessTest, FileNamesTheProgramMakesAreInCapitals) {
    struct Case {
        const char* name;
        const char* file;
    } cases[] = {
        {"clienti", "CLIENTI.DBF"},
        {"/dati/Mar.2026/corse", "/dati/Mar.2026/CORSE.DBF"},
        {"Corse.ntx", "CORSE.NTX"},
        {"net.", "NET"},
        {"/dati/tempdbf_", "/dati/TEMPDBF_.DBF"},
    };
    for (const Case& c : cases) EXPECT_EQ(tableFileName(c.name), c.file) << c.name;

    dbGen(dir.file("attivita"), {{"ATTIVITA", 'C', 20, 0}});
    EXPECT_TRUE(exists(dir.file("ATTIVITA.DBF")));
    EXPECT_FALSE(exists(dir.file("attivita.DBF")));
}

// ---- Navigation, scope and seek ----------------------------------------------

TEST_F(AccessTest, RecordOrderPassesOverDeletedRecords) {
    Table& t = dbOpen(true, clienti(sixWithTwoDeleted()));
    EXPECT_EQ(t.recno(), 1u);
    t.skip();
    EXPECT_EQ(t.recno(), 3u);
    t.skip(2);
    EXPECT_EQ(t.recno(), 5u);
    t.skip();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recno(), 7u);                           // past the last record
    EXPECT_EQ(t.text("CODICE"), std::string(10, ' '));  // a blank record
    t.skip(-1);
    EXPECT_EQ(t.recno(), 5u);
    t.goTop();
    t.skip(-1);
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recno(), 1u);
    t.goBottom();
    EXPECT_EQ(t.recno(), 5u);
    EXPECT_EQ(t.keyCount(), 4u);
    EXPECT_EQ(t.keyPosition(), 4u);
    EXPECT_EQ(t.totRec(), 4u);
    EXPECT_EQ(t.lastRec(), 6u);
    // goTo reaches a record by number, deleted or not.
    t.goTo(2);
    EXPECT_TRUE(t.deleted());
    t.goTo(99);
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.keyPosition(), 0u);
}

TEST_F(AccessTest, ScopeAndSeekBoundRecordOrder) {
    Table& t = dbOpen(true, clienti(sixWithTwoDeleted()));
    t.setScope(Value(2.0), Value(4.0));
    t.goTop();
    EXPECT_EQ(t.recno(), 3u);  // 2 is deleted
    t.skip(-1);
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recno(), 3u);
    t.goBottom();
    EXPECT_EQ(t.recno(), 4u);
    t.skip();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.keyCount(), 2u);
    EXPECT_EQ(t.totRec(false), 2u);
    EXPECT_EQ(t.scopeTop(), std::optional<Value>(2.0));

    struct Case {
        double key;
        bool soft;
        bool found;
        uint32_t recno;  // 0: end of table
    } cases[] = {
        {4, false, true, 4},  {2, false, false, 0}, {2, true, false, 3},
        {5, false, false, 0}, {5, true, false, 0},  {1, true, false, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(t.seek(c.key, c.soft), c.found) << c.key;
        EXPECT_EQ(t.found(), c.found);
        if (c.recno)
            EXPECT_EQ(t.recno(), c.recno) << c.key;
        else
            EXPECT_TRUE(t.eof()) << c.key;
    }

    t.clearScope();
    EXPECT_EQ(t.keyCount(), 4u);
    EXPECT_TRUE(t.seek(5.0));
    // A text is not a record number.
    EXPECT_THROW(t.seek(std::string("5")), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, gen::DataType);

    // An empty table is at both ends.
    dbClose();
    makeTable(dir.file("VUOTA.DBF"), {});
    Table& v = dbOpen(true, dir.file("VUOTA"));
    EXPECT_TRUE(v.eof());
    EXPECT_TRUE(v.bof());
    EXPECT_EQ(v.keyCount(), 0u);
}

// ---- Fields and errors -----------------------------------------------------------

TEST_F(AccessTest, FieldsByNameAndByPosition) {
    Table& t = dbOpen(true, clienti({{"7", "ROSSI"}}), {}, false);  // exclusive: no lock needed
    const int cliente = t.fieldPos("cliente");
    EXPECT_EQ(cliente, 1);
    EXPECT_EQ(t.fieldPos("NESSUNO"), -1);
    EXPECT_EQ(t.text(cliente), "ROSSI" + std::string(15, ' '));
    t.put("NOTE", std::string("Consegna al portiere"));
    t.put(0, std::string("         8"));
    t.commit();
    t.goTop();
    EXPECT_EQ(t.text("note"), "Consegna al portiere");
    EXPECT_EQ(t.text(0), "         8");

    EXPECT_THROW(t.get("NESSUNO"), Abandoned);
    EXPECT_EQ(errorLog.errors.back().operation, "CLIENTI->NESSUNO");
    EXPECT_THROW(t.number("CLIENTE"), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, gen::DataType);
    EXPECT_THROW(t.put("CLIENTE", 12.0), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, gen::DataType);
}

TEST_F(AccessTest, WritesToASharedTableNeedALock) {
    Table& t = dbOpen(true, clienti({{"7", "ROSSI"}}));
    EXPECT_THROW(t.put("CLIENTE", std::string("BIANCHI")), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, gen::LockRequired);
    dbLock(true);
    EXPECT_TRUE(t.hasRecordLock());
    t.put("CLIENTE", std::string("BIANCHI"));
    dbUnlock();  // writes the record before letting go
    EXPECT_FALSE(t.hasRecordLock());
    Table& other = dbOpen(true, t.path(), "ALTRO");
    EXPECT_EQ(other.text("CLIENTE"), "BIANCHI" + std::string(13, ' '));
}

TEST_F(AccessTest, OpenErrorsAbandonAndFreeTheSlot) {
    struct Case {
        const char* name;
        std::string bytes;  // "" : no file
        int genCode;
        int osCode;
    } cases[] = {
        {"MANCA", "", gen::Open, oscode::FileNotFound},
        {"ROTTA", std::string(40, 'x'), gen::Corruption, 0},
    };
    for (const Case& c : cases) {
        if (!c.bytes.empty()) writeFile(dir.file(std::string(c.name) + ".DBF"), c.bytes);
        size_t before = errorLog.errors.size();
        EXPECT_THROW(dbOpen(true, dir.file(c.name)), Abandoned) << c.name;
        ASSERT_EQ(errorLog.errors.size(), before + 1) << c.name;
        const ErrorInfo& e = errorLog.errors.back();
        EXPECT_EQ(e.genCode, c.genCode) << c.name;
        EXPECT_EQ(e.osCode, c.osCode) << c.name;
        EXPECT_EQ(e.fileName, dir.file(std::string(c.name) + ".DBF"));
        EXPECT_TRUE(usedSlots().empty()) << c.name;
    }
    // A table whose memo file is missing names the memo file.
    clienti({});
    ASSERT_EQ(::unlink(dir.file("CLIENTI.DBT").c_str()), 0);
    EXPECT_THROW(dbOpen(true, dir.file("CLIENTI")), Abandoned);
    EXPECT_EQ(errorLog.errors.back().fileName, dir.file("CLIENTI.DBT"));
}

TEST_F(AccessTest, ScopedTableClosesAndSelectsThePreviousSlotOnEveryWayOut) {
    std::string path = clienti({{"1", "A"}});
    select(4);
    {
        ScopedTable t(path);
        EXPECT_EQ(t.slot(), 1);
        EXPECT_EQ(currentSlot(), 1);
        EXPECT_TRUE(netUsed(path));
    }
    EXPECT_EQ(currentSlot(), 4);
    EXPECT_EQ(tableIn(1), nullptr);
    EXPECT_FALSE(netUsed(path));

    // An abandoned operation: the record it was writing under its lock is
    // written, the lock released, the table closed.
    try {
        ScopedTable t(path);
        dbLock(false);
        t->put("CLIENTE", std::string("SCRITTO"));
        throw Abandoned("test");
    } catch (const Abandoned&) {
    }
    EXPECT_EQ(currentSlot(), 4);
    EXPECT_TRUE(usedSlots().empty());
    ScopedTable again(path, {}, false);
    EXPECT_EQ(again->text("CLIENTE"), "SCRITTO" + std::string(13, ' '));

    // A table that cannot be opened leaves the current slot as it was.
    select(4);
    EXPECT_THROW(ScopedTable missing(dir.file("MANCA")), Abandoned);
    EXPECT_EQ(currentSlot(), 4);
}

// ---- Deleting ----------------------------------------------------------------------

TEST_F(AccessTest, DbDelMovesToTheNextRecordAndReleasesTheLocks) {
    std::vector<Row> rows = {{"1", "A"}, {"2", "B"}, {"3", "C", true}, {"4", "D"}};
    struct Case {
        uint32_t at;
        uint32_t next;  // 0: end of table
    } cases[] = {{2, 4}, {4, 0}, {1, 2}};
    for (const Case& c : cases) {
        Table& t = dbOpen(true, clienti(rows));
        t.goTo(c.at);
        dbDel();
        if (c.next)
            EXPECT_EQ(t.recno(), c.next) << c.at;
        else
            EXPECT_TRUE(t.eof()) << c.at;
        EXPECT_FALSE(t.hasFileLock());
        t.goTo(c.at);
        EXPECT_TRUE(t.deleted());
        EXPECT_EQ(t.keyCount(), 2u);
        closeAll();
        ::unlink(dir.file("CLIENTI.DBF").c_str());
        ::unlink(dir.file("CLIENTI.DBT").c_str());
    }
}

TEST_F(AccessTest, DelRecAsksFirstAndOnlyBeepsAtTheEnd) {
    Table& t = dbOpen(true, clienti({{"1", "A"}, {"2", "B"}}));
    t.goBottom();
    t.skip();
    EXPECT_FALSE(delRec());
    EXPECT_EQ(log().beeps, 1);
    EXPECT_TRUE(log().messages.empty());

    t.goTop();
    port.answer(2);  // Annulla
    EXPECT_FALSE(delRec());
    ASSERT_EQ(log().messages.size(), 1u);
    EXPECT_EQ(log().messages[0].text, "Confermi la cancellazione?");
    EXPECT_EQ(log().messages[0].mode, 2);
    EXPECT_EQ(t.keyCount(), 2u);

    port.answer(1);  // OK
    EXPECT_TRUE(delRec());
    EXPECT_EQ(t.recno(), 2u);
    EXPECT_EQ(t.keyCount(), 1u);
}

// ---- Client codes --------------------------------------------------------------------

TEST_F(AccessTest, NextCodeCountsFromTheLastLiveCode) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        const char* code;
    } cases[] = {
        {"first client", {}, "         1"},
        {"after the last", {{"1", "A"}, {"2", "B"}, {"3", "C"}}, "         4"},
        {"highest deleted", {{"1", "A"}, {"2", "B"}, {"3", "C", true}}, "         3"},
        {"blank codes passed over", {{"5", "A"}, {"", "B"}, {"", "C"}}, "         6"},
        {"not a number counts as 0", {{"9", "A"}, {"ABC", "B"}}, "         1"},
        {"codes not in order", {{"12", "A"}, {"4", "B"}}, "         5"},
    };
    for (const Case& c : cases) {
        clienti(c.rows);
        Table& t = dbOpen(true, dir.file("CLIENTI"));
        t.setScope(Value(1.0), Value(2.0));
        dbApp();
        const uint32_t added = t.recno();
        EXPECT_EQ(nextCode(), c.code) << c.what;
        EXPECT_EQ(t.recno(), added) << c.what;
        EXPECT_TRUE(t.hasFileLock()) << c.what;
        EXPECT_EQ(t.scopeBottom(), std::optional<Value>(2.0)) << c.what;
        closeAll();
        ::unlink(dir.file("CLIENTI.DBF").c_str());
        ::unlink(dir.file("CLIENTI.DBT").c_str());
    }
}

TEST_F(AccessTest, NextCodeWithoutLockReleasesTheLocks) {
    Table& t = dbOpen(true, clienti({{"41", "A"}}));
    dbApp();
    EXPECT_EQ(nextCode(false), "        42");
    EXPECT_FALSE(t.hasFileLock());
    EXPECT_FALSE(t.hasRecordLock());
}

// ---- Disks and files ------------------------------------------------------------------

TEST_F(AccessTest, DiskChecksBeforeCreatingATable) {
    EXPECT_FALSE(isFull(""));
    EXPECT_FALSE(isFull(dir.path()));
    EXPECT_TRUE(log().messages.empty());

    EXPECT_TRUE(isFull(dir.path(), UINT64_MAX));
    ASSERT_EQ(log().messages.size(), 1u);
    EXPECT_EQ(log().messages[0].text, "Spazio sul disco insufficiente.");
    EXPECT_TRUE(isFull(dir.file("NESSUNA")));
    EXPECT_EQ(log().messages.back().text, "Disco non pronto.");

    // A full disk abandons the creation after the message; nothing is made.
    EXPECT_THROW(dbGen(dir.file("PIENO"), clientFields(), UINT64_MAX), Abandoned);
    EXPECT_EQ(log().messages.back().text, "Spazio sul disco insufficiente.");
    EXPECT_FALSE(exists(dir.file("PIENO.DBF")));

    // Created with its memo file.
    dbGen(dir.file("NUOVA"), clientFields());
    EXPECT_TRUE(exists(dir.file("NUOVA.DBF")));
    EXPECT_TRUE(exists(dir.file("NUOVA.DBT")));
}

// A creation that cannot write its files whole leaves neither behind: a
// half-made table, or one without its memo, could never be opened, and the
// start-up check would stop on it at every start instead of making it anew.
TEST_F(AccessTest, ACreationThatFailsLeavesNoFileBehind) {
    for (const std::string failing : {"ROTTA.DBT", "ROTTA.DBF"}) {
        SCOPED_TRACE(failing);
        auto previous = setWriteFault([&](const std::string& path, uint64_t, size_t, size_t*) {
            return path.ends_with("/" + failing) ? ENOSPC : 0;
        });
        EXPECT_THROW(dbGen(dir.file("ROTTA"), clientFields()), Abandoned);
        setWriteFault(previous);
        EXPECT_FALSE(exists(dir.file("ROTTA.DBF")));
        EXPECT_FALSE(exists(dir.file("ROTTA.DBT")));
        ASSERT_FALSE(errorLog.errors.empty());
        EXPECT_EQ(errorLog.errors.back().subCode, kSubDiskFull);
    }
    // Made whole once the disk takes it.
    dbGen(dir.file("ROTTA"), clientFields());
    ScopedTable t(dir.file("ROTTA"));
    EXPECT_EQ(t->lastRec(), 0u);
}

TEST_F(AccessTest, NetUsedTellsWhetherAnotherOpenHoldsTheFile) {
    EXPECT_FALSE(netUsed(dir.file("CLIENTI")));  // no such file
    std::string path = clienti({});
    EXPECT_FALSE(netUsed(dir.file("CLIENTI")));
    EXPECT_FALSE(netUsed(path));
    dbOpen(true, path);
    EXPECT_TRUE(netUsed(dir.file("CLIENTI")));
    dbClose();
    EXPECT_FALSE(netUsed(path));
}

}  // namespace
}  // namespace drav::data

namespace drav::data {
namespace {

using namespace testaccess;

// An order that visits the records backwards, and notes the records whose
// writes it is told of.
class BackwardsOrder : public Order, public TableObserver {
public:
    BackwardsOrder(TableFile& f, std::vector<uint32_t>& written) : m_f(f), m_written(written) {}
    std::string name() const override { return "INDIETRO"; }
    std::string keyText() const override { return "-RECNO()"; }
    Status goTop() override { return m_f.goBottom(); }
    Status goBottom() override { return m_f.goTop(); }
    Status skip(int64_t n) override {
        return n > 0 && m_f.recno() == 1 ? m_f.goTo(0) : m_f.skip(-n);
    }
    Status seek(const Value&, bool, bool* found) override {
        *found = false;
        return m_f.goTo(0);
    }
    Status goToRecord(uint32_t) override { return Status::ok(); }
    bool bof() const override { return false; }
    Status setScope(const std::optional<Value>&, const std::optional<Value>&) override {
        return Status::ok();
    }
    std::optional<Value> scopeTop() const override { return std::nullopt; }
    std::optional<Value> scopeBottom() const override { return std::nullopt; }
    Status keyCount(uint64_t* n) override {
        *n = 99;
        return Status::ok();
    }
    Status keyPosition(uint64_t* n) override {
        *n = 0;
        return Status::ok();
    }
    std::string currentKey() const override { return {}; }
    TableObserver* observer() override { return this; }
    Status beforeChange(const RecordContext&, bool) override { return Status::ok(); }
    Status recordWritten(const RecordContext& r) override {
        m_written.push_back(r.recno());
        return Status::ok();
    }

private:
    TableFile& m_f;
    std::vector<uint32_t>& m_written;
};

TEST_F(AccessTest, NavigationGoesThroughTheControllingOrderAndItsKeysFollowEveryWrite) {
    Table& t = dbOpen(true, clienti({{"1", "A"}, {"2", "B"}, {"3", "C"}}));
    std::vector<uint32_t> written;
    t.addOrder(std::make_unique<BackwardsOrder>(t.file(), written));
    EXPECT_EQ(t.orderNumber(), 1);  // the first order added controls
    std::vector<uint32_t> seen;
    for (t.goTop(); !t.eof(); t.skip()) seen.push_back(t.recno());
    EXPECT_EQ(seen, (std::vector<uint32_t>{3, 2, 1}));
    EXPECT_EQ(t.totRec(), 99u);

    // Back in record-number order the tag still follows the writes,
    // including the one that closing the table completes.
    t.setOrder(0);
    EXPECT_EQ(t.totRec(false), 3u);
    EXPECT_EQ(t.totRec(), 99u);  // the first tag, whatever controls
    t.goTo(2);
    dbLock(true);
    t.put("CLIENTE", std::string("BB"));
    t.goTo(3);
    dbLock(true);
    t.put("CLIENTE", std::string("CC"));
    dbClose();
    EXPECT_EQ(written, (std::vector<uint32_t>{2, 3}));
}

}  // namespace
}  // namespace drav::data
