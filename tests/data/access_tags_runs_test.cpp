// Index tags through the access layer on the program's own tables: the runs
// seen through tags CORSE, FUTURE and SOSPESI, seeks and scopes, counts and
// positions within a day, the invoices in adding order, keys following the
// writes of a table opened shared, and the rules of adding, selecting and
// building tags.
#include "data/cdx/IndexChecker.h"
#include "data/dbf/TableScan.h"
#include "tests/data/access_tags_fixture.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace testaccess;

const Date kDay = Date::fromYmd(2026, 3, 5);
const Date kNextDay = Date::fromYmd(2026, 3, 6);

class RunsTest : public TagsTest {
protected:
    void SetUp() override {
        TagsTest::SetUp();
        makeSchemaTable("CORSE");
        openWithTags("CORSE");
        future = addRun(kDay, 0, "10:00");           // 1
        twelve = addRun(kDay, 12, "09:00");          // 2
        suspended = addRun(kDay, 3, "11:30", true);  // 3
        nextDay = addRun(kNextDay, 5, "08:00");      // 4
        first = addRun(kDay, 1, "07:45");            // 5
    }
    uint32_t future, twelve, suspended, nextDay, first;
};

TEST_F(RunsTest, EachTagShowsItsRunsInItsOrderBothWays) {
    struct Case {
        const char* tag;
        std::vector<uint32_t> order;
    } cases[] = {
        // Numbered runs by day and number; the future run has no key here.
        {"CORSE", {first, suspended, twelve, nextDay}},
        // Only the run without a number.
        {"FUTURE", {future}},
        // Every run, the suspended one after the others.
        {"SOSPESI", {future, first, twelve, nextDay, suspended}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        ordSetFocus(c.tag);
        EXPECT_EQ(walk(), c.order);
        EXPECT_EQ(walkBack(), c.order);
        EXPECT_EQ(keyCount(), c.order.size());
        EXPECT_EQ(totRec(false), c.order.size());
        EXPECT_EQ(totRec(), 4u);  // the first tag, CORSE, without a scope
    }
    // A run edited from the future to a number moves from FUTURE to CORSE.
    Table& t = current();
    t.goTo(future);
    dbLock(true);
    t.put("NUMERO", 7.0);
    t.commit();
    dbUnlock();
    ordSetFocus("FUTURE");
    EXPECT_EQ(walk(), std::vector<uint32_t>{});
    ordSetFocus("CORSE");
    EXPECT_EQ(walk(), (std::vector<uint32_t>{first, suspended, future, twelve, nextDay}));
}

TEST_F(RunsTest, SeekFindsExactKeysPrefixesAndTheNextKeyWhenSoft) {
    Table& t = current();
    ordSetFocus("CORSE");
    const std::string day = kDay.dtos();
    struct Case {
        std::string key;
        bool soft;
        bool found;
        uint32_t recno;  // 0: end of table
    } cases[] = {
        {day + "  3", false, true, suspended},      // a whole key
        {day, false, true, first},                  // a prefix: the day's first run
        {day + "  4", false, false, 0},             // missing: end of table
        {day + "  4", true, false, twelve},         // soft: the next key
        {kNextDay.dtos() + "  6", true, false, 0},  // nothing greater
        {"2025", true, false, first},               // before every key
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + (c.soft ? " soft" : ""));
        EXPECT_EQ(dbSeek(c.key, c.soft), c.found);
        if (c.recno)
            EXPECT_EQ(t.recno(), c.recno);
        else
            EXPECT_TRUE(t.eof());
    }
    // A key of another kind is a data type error.
    EXPECT_THROW(dbSeek(12.0), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, gen::DataType);

    // Through SOSPESI the suspended runs are the keys beginning with "S".
    ordSetFocus("SOSPESI");
    EXPECT_TRUE(dbSeek(std::string("S")));
    EXPECT_EQ(t.recno(), suspended);
}

TEST_F(RunsTest, ADaysScopeBoundsMovesCountsPositionsAndSeeks) {
    Table& t = current();
    ordSetFocus("CORSE");
    dbSetScope(kDay.dtos(), kDay.dtos());
    EXPECT_EQ(keyCount(), 3u);
    EXPECT_EQ(totRec(), 3u);
    EXPECT_EQ(walk(), (std::vector<uint32_t>{first, suspended, twelve}));
    EXPECT_EQ(walkBack(), (std::vector<uint32_t>{first, suspended, twelve}));

    std::vector<uint64_t> positions;
    for (t.goTop(); !t.eof(); t.skip()) positions.push_back(t.keyPosition());
    EXPECT_EQ(positions, (std::vector<uint64_t>{1, 2, 3}));
    EXPECT_EQ(t.keyPosition(), 0u);  // end of table

    // Back from end of table: the last of the day; back past the first: bof.
    t.skip(-1);
    EXPECT_EQ(t.recno(), twelve);
    t.goTop();
    t.skip(-1);
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recno(), first);

    // Seeks stay inside the scope.
    EXPECT_FALSE(dbSeek(kNextDay.dtos()));
    EXPECT_TRUE(t.eof());
    EXPECT_FALSE(dbSeek(kDay.dtos() + " 99", true));
    EXPECT_TRUE(t.eof());

    // A new run of the day joins the scope in its place.
    uint32_t two = addRun(kDay, 2, "12:00");
    EXPECT_EQ(keyCount(), 4u);
    t.goTo(two);
    EXPECT_EQ(t.keyPosition(), 2u);
    t.skip();
    EXPECT_EQ(t.recno(), suspended);

    // An empty scope is at both ends.
    dbSetScope(std::string("2030"), std::string("2030"));
    t.goTop();
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(keyCount(), 0u);
}

TEST_F(TagsTest, InvoicesFollowTheOrderInWhichTheyWereAdded) {
    makeSchemaTable("FATTURE");
    Table& t = openWithTags("FATTURE");
    struct Invoice {
        double numero;
        Date data;
    } invoices[] = {{3, Date::fromYmd(2026, 2, 1)},
                    {1, Date::fromYmd(2026, 1, 1)},
                    {2, Date::fromYmd(2025, 12, 1)}};
    for (const Invoice& i : invoices) {
        dbApp();
        t.put("NUMERO", i.numero);
        t.put("DATA", i.data);
        t.commit();
        dbUnlock();
    }
    EXPECT_EQ(walk(), (std::vector<uint32_t>{1, 2, 3}));
    t.goTo(2);
    dbDel();
    EXPECT_EQ(t.recno(), 3u);
    EXPECT_EQ(walk(), (std::vector<uint32_t>{1, 3}));
    EXPECT_TRUE(dbSeek(true));
    EXPECT_EQ(t.recno(), 1u);
}

// The tags kept by one slot are read by another slot of the same table:
// each has its own handles on the files, as two stations do.
TEST_F(RunsTest, KeysFollowAppendsEditsDeletesAndRecallsOfASharedTable) {
    Table& writer = current();
    Table& reader = openWithTags("CORSE", "SOSPESI");
    auto countsSeenByReader = [&] {
        std::vector<uint64_t> out;
        for (const char* tag : {"CORSE", "FUTURE", "SOSPESI"}) {
            select(reader.slot());
            ordSetFocus(tag);
            out.push_back(keyCount());
        }
        select(writer.slot());
        return out;
    };
    ASSERT_EQ(countsSeenByReader(), (std::vector<uint64_t>{4, 1, 5}));

    uint32_t r = addRun(kNextDay, 0, "15:00");  // a future run
    EXPECT_EQ(countsSeenByReader(), (std::vector<uint64_t>{4, 2, 6}));

    writer.goTo(r);
    dbLock(true);
    writer.put("NUMERO", 9.0);  // numbered: from FUTURE to CORSE
    writer.commit();
    dbUnlock();
    EXPECT_EQ(countsSeenByReader(), (std::vector<uint64_t>{5, 1, 6}));

    writer.goTo(r);
    dbDel();
    EXPECT_EQ(countsSeenByReader(), (std::vector<uint64_t>{4, 1, 5}));

    writer.goTo(r);
    dbLock(true);
    writer.recall();
    writer.commit();
    dbUnlock();
    EXPECT_EQ(countsSeenByReader(), (std::vector<uint64_t>{5, 1, 6}));
    select(reader.slot());
    ordSetFocus("CORSE");
    EXPECT_TRUE(dbSeek(kNextDay.dtos() + "  9"));
    EXPECT_EQ(reader.recno(), r);

    // Every tree holds exactly the keys of the table.
    closeAll();
    TableFile table;
    ASSERT_TRUE(table.open(tablePath("CORSE"), File::Share::Shared, true));
    TableScan scan(table);
    for (const char* tag : {"CORSE.NTX", "FUTURE.NTX", "SOSPESI.NTX"})
        EXPECT_EQ(IndexChecker::check(dir.file(tag), table, &scan), std::vector<std::string>{})
            << tag;
}

TEST_F(RunsTest, TagsAreAddedSelectedAndRebuiltByName) {
    closeAll();
    Table& t = dbOpen(true, tablePath("CORSE"), {}, false);
    EXPECT_EQ(t.orderNumber(), 0);
    ordAdd(dir.file("sospesi"));  // the file SOSPESI.NTX
    ordAdd(dir.file("Future.ntx"));
    EXPECT_EQ(t.orderNumber(), 1);  // the first added controls
    EXPECT_EQ(t.controlling().name(), "SOSPESI");
    EXPECT_EQ(ordSetFocus("future"), 1);
    EXPECT_EQ(t.controlling().name(), "FUTURE");
    EXPECT_EQ(ordSetFocus(0), 2);
    EXPECT_EQ(t.controlling().keyText(), "RECNO()");

    struct Bad {
        std::function<void()> call;
        int genCode;
    } bad[] = {
        {[&] { ordAdd(dir.file("MANCA")); }, gen::Open},
        {[&] { ordSetFocus("CLIENTI"); }, gen::NotIndexed},
        {[&] { ordSetFocus(3); }, gen::NotIndexed},
    };
    for (const Bad& b : bad) {
        EXPECT_THROW(b.call(), Abandoned);
        EXPECT_EQ(errorLog.errors.back().genCode, b.genCode);
    }
    EXPECT_EQ(t.orderCount(), 2);

    // Rebuilding a file the table has open closes that copy first; the key
    // text is stored without "FIELD -> ".
    ordSetFocus("SOSPESI");
    ordCondSet("!DELETED()");
    ordBuild(dir.file("SOSPESI"), "FIELD -> ora");
    EXPECT_EQ(t.orderCount(), 2);
    EXPECT_EQ(t.controlling().name(), "SOSPESI");
    EXPECT_EQ(t.controlling().keyText(), "ora");
    EXPECT_EQ(walk(), (std::vector<uint32_t>{first, nextDay, twelve, future, suspended}));

    // Within the scope: only the controlling order's records in its scope.
    ordSetFocus("SOSPESI");
    dbSetScope(std::string("08"), std::string("10"));
    ordCondSet("!DELETED()", std::nullopt, true);
    ordBuild(dir.file("MATTINA"), "FIELD -> ora");
    EXPECT_EQ(walk(), (std::vector<uint32_t>{nextDay, twelve, future}));
    EXPECT_TRUE(exists(dir.file("MATTINA.NTX")));

    // A key that is not a value is refused before any file is made.
    ordCondSet("");
    EXPECT_THROW(ordBuild(dir.file("ERRATO"), "manca + 1"), Abandoned);
    EXPECT_EQ(errorLog.errors.back().genCode, gen::DataType);
    EXPECT_FALSE(exists(dir.file("ERRATO.NTX")));
}

}  // namespace
}  // namespace drav::data
