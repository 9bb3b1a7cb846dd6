// Views of one process: built on record-number order and on a tag with its
// scope, removed back to the order and scope before, following the writes
// with their real condition, from code or from a condition text, with and
// without their wait message.
#include "tests/data/access_tags_fixture.h"
#include "util/Messages.h"
#include "util/Text.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace testaccess;

const QString kWorking = QStringLiteral("Elaborazione in corso...");

// The clients whose name begins with R (any case).
bool beginsWithR(const RecordContext& r) {
    Value v = r.fieldValue(r.fieldIndex("CLIENTE"));
    const std::string& s = std::get<std::string>(v);
    return !s.empty() && (s[0] == 'R' || s[0] == 'r');
}

TEST_F(TagsTest, AViewOnRecordNumberOrderKeepsThePhysicalOrder) {
    Table& t = dbOpen(true, clienti({{"1", "Rossi"},
                                     {"2", "Bianchi"},
                                     {"3", "Rota"},
                                     {"4", "Rosa", true},
                                     {"5", "Ricci"},
                                     {"6", "Verdi"}}));
    select(0);  // the view of slot 1, while slot 1 is not the lowest free one
    select(t.slot());
    dbSetView(beginsWithR);
    EXPECT_EQ(t.recno(), 1u) << "not on the first record";
    EXPECT_EQ(t.controlling().keyText(), "RECNO()");
    EXPECT_EQ(walk(), (std::vector<uint32_t>{1, 3, 5}));  // Rosa is deleted
    EXPECT_TRUE(exists(viewFileName(t.slot())));
    EXPECT_EQ(viewFileName(t.slot()), instance + "\x7FVIEW1.NTX");
    EXPECT_EQ(keyCount(), 3u);
    EXPECT_EQ(log().waitTexts, std::vector<QString>{kWorking});
    EXPECT_FALSE(log().waitOpen);

    dbClearView();
    EXPECT_EQ(t.orderNumber(), 0);
    EXPECT_EQ(t.orderCount(), 0);
    EXPECT_FALSE(exists(viewFileName(t.slot())));
    EXPECT_EQ(walk(), (std::vector<uint32_t>{1, 2, 3, 5, 6}));
}

TEST_F(TagsTest, ClearingAViewRestoresTheOrderAndScopeInControlBefore) {
    makeSchemaTable("CORSE");
    Table& t = openWithTags("CORSE");
    const Date day = Date::fromYmd(2026, 3, 5), next = Date::fromYmd(2026, 3, 6);
    uint32_t a = addRun(day, 2, "09:00", false, "ABCD");
    uint32_t b = addRun(day, 1, "08:00", false, "EFGH");
    uint32_t c = addRun(next, 1, "08:00", false, "ABCD");
    uint32_t d = addRun(day, 3, "10:00", false, "ABCD");
    uint32_t future = addRun(day, 0, "11:00", false, "ABCD");  // not in CORSE
    ordSetFocus("CORSE");
    dbSetScope(day.dtos(), day.dtos());

    // Shown while another wait message is up: quiet, and that one stays.
    waitMsg(QStringLiteral("Stampa in corso..."));
    log().waitTexts.clear();
    dbSetView(ViewCondition::fromText("pony1 == \"ABCD\""), {.withinScope = true});
    EXPECT_TRUE(log().waitTexts.empty());
    EXPECT_EQ(curMsg(), QStringLiteral("Stampa in corso..."));
    waitClose();

    // The view: the day's runs of ABCD in the order of CORSE, the day's
    // bounds kept; the table's first tag still counts the whole day.
    EXPECT_EQ(walk(), (std::vector<uint32_t>{a, d}));
    EXPECT_EQ(keyCount(), 2u);
    EXPECT_EQ(totRec(), 3u);
    EXPECT_EQ(t.scopeTop(), std::optional<Value>(day.dtos()));

    // A second view replaces the first. Built from the whole table, it has
    // the future run too (CORSE's key, not its condition), still bounded
    // by the day.
    dbSetView(ViewCondition::fromText("pony1 = \"ABCD\""), {.quiet = true});
    EXPECT_EQ(walk(), (std::vector<uint32_t>{future, a, d}));
    dbSetScope(std::nullopt, std::nullopt);
    EXPECT_EQ(walk(), (std::vector<uint32_t>{future, a, d, c}));
    // Dates and texts written by the search forms.
    dbSetView(ViewCondition::fromText("data >= " + mkStr(next) + " .AND. " +
                                      mkStr(std::string("ABCD")) + " $ pony1"),
              {.quiet = true});
    EXPECT_EQ(walk(), (std::vector<uint32_t>{c}));
    dbSetScope(day.dtos(), day.dtos());

    dbClearView();
    EXPECT_EQ(t.controlling().name(), "CORSE");
    EXPECT_EQ(t.scopeTop(), std::optional<Value>(day.dtos()));
    EXPECT_EQ(t.scopeBottom(), std::optional<Value>(day.dtos()));
    EXPECT_EQ(t.recno(), b);  // the first record
    EXPECT_EQ(t.orderCount(), 3);

    // Keep order: back to the order in control when the view was removed;
    // without it, to the one remembered when the view was made.
    ordSetFocus("SOSPESI");
    dbSetScope(std::nullopt, std::nullopt);
    struct Case {
        bool keepOrderOnSet;
        const char* selectAfter;  // an order selected while the view is up
        bool keepOrderOnClear;
        const char* expected;
    } cases[] = {
        {false, nullptr, false, "SOSPESI"},
        {false, "FUTURE", false, "SOSPESI"},
        {false, "FUTURE", true, "FUTURE"},
        {false, nullptr, true, "SOSPESI"},  // the view itself was in control
    };
    for (const Case& k : cases) {
        ordSetFocus("SOSPESI");
        dbSetView(beginsWithR, {.quiet = true, .keepOrder = k.keepOrderOnSet});
        if (k.selectAfter) ordSetFocus(k.selectAfter);
        dbClearView(k.keepOrderOnClear);
        EXPECT_EQ(t.controlling().name(), k.expected);
        EXPECT_EQ(t.orderCount(), 3);
    }
    // Removing a view that is not there leaves the order as it is.
    ordSetFocus("FUTURE");
    dbClearView();
    EXPECT_EQ(t.controlling().name(), "FUTURE");
}

TEST_F(TagsTest, AViewFollowsTheWritesWithItsRealCondition) {
    Table& t = dbOpen(true, clienti({{"1", "Rossi"}, {"2", "Bianchi"}, {"3", "Rota"}}));
    dbSetView(beginsWithR, {.keyText = "UPPER( cliente )", .quiet = true});
    ASSERT_EQ(walk(), (std::vector<uint32_t>{1, 3}));

    // Edited out of the condition: out of the view.
    t.goTo(1);
    dbLock(true);
    t.put("CLIENTE", std::string("Verdi"));
    t.commit();
    dbUnlock();
    EXPECT_EQ(walk(), (std::vector<uint32_t>{3}));
    // Edited into it: in the view, in its key's place.
    t.goTo(2);
    dbLock(true);
    t.put("CLIENTE", std::string("Riva"));
    t.commit();
    dbUnlock();
    EXPECT_EQ(walk(), (std::vector<uint32_t>{2, 3}));
    // Added: in when it meets the condition.
    for (const char* name : {"Zeta", "Ricci"}) {
        dbApp();
        t.put("CLIENTE", std::string(name));
        t.commit();
        dbUnlock();
    }
    EXPECT_EQ(walk(), (std::vector<uint32_t>{5, 2, 3}));
    // Deleted: out, and the table moves to the next record of the view.
    t.goTo(2);
    dbDel();
    EXPECT_EQ(t.recno(), 3u);
    EXPECT_EQ(walk(), (std::vector<uint32_t>{5, 3}));
    EXPECT_EQ(keyCount(), 2u);
}

TEST_F(TagsTest, ViewConditionTextsAsTheSearchFormsWriteThem) {
    Table& t = dbOpen(
        true,
        clienti({{"1", "Rossi \"Il Bar\""}, {"2", "Bianchi"}, {"3", "Rota"}, {"4", "rossini"}}));
    struct Case {
        std::string condition;
        std::vector<uint32_t> records;
    } cases[] = {
        {mkStr(std::string("ROSSI")) + " $ UPPER( cliente )", {1, 4}},
        {mkStr(std::string("\"Il Bar\"")) + " $ cliente", {1}},
        {"cliente = " + mkStr(std::string("Rota")) + " .OR. codice == \"2         \"", {2, 3}},
        {"!( " + mkStr(std::string("o")) + " $ cliente )", {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.condition);
        dbSetView(ViewCondition::fromText(c.condition), {.quiet = true});
        EXPECT_EQ(walk(), c.records);
    }
    // A text that is not a condition: the handler hears of it, the view
    // in force stays.
    for (const char* bad : {"cliente +", "cliente", "manca == 1"}) {
        EXPECT_THROW(dbSetView(ViewCondition::fromText(bad), {.quiet = true}), Abandoned) << bad;
        EXPECT_EQ(walk(), (std::vector<uint32_t>{2})) << bad;
    }
    (void)t;
}

TEST_F(TagsTest, UniqueViewsKeepOneRecordPerKey) {
    dbOpen(true, clienti({{"1", "Rossi"}, {"2", "Bianchi"}, {"3", "ROSSI"}, {"4", "Bianchi"}}));
    dbSetView([](const RecordContext&) { return true; },
              {.keyText = "UPPER( FIELD -> cliente )", .quiet = true, .unique = true});
    EXPECT_EQ(walk(), (std::vector<uint32_t>{2, 1}));
    EXPECT_EQ(current().controlling().keyText(), "UPPER( cliente )");
}

// Without an instance folder (the temporary folder could not take one at
// start) a view cannot be made: the search is given up with the message
// for a missing path, naming the temporary folder, and the table stays as
// it was; the program goes on.
TEST_F(TagsTest, WithoutAnInstanceFolderTheViewIsGivenUp) {
    Table& t = dbOpen(true, clienti({{"1", "Rossi"}, {"2", "Bianchi"}}));
    setInstanceFolder("");
    EXPECT_THROW(dbSetView(beginsWithR), Abandoned);
    setInstanceFolder(instance);
    ASSERT_FALSE(errorLog.errors.empty());
    const ErrorInfo& e = errorLog.errors.back();
    EXPECT_EQ(e.osCode, 3);  // path not found: the handler says "Percorso ... non trovato."
    EXPECT_EQ(e.fileName, tempFolder() + "/");
    EXPECT_EQ(t.orderNumber(), 0);
    EXPECT_EQ(walk(), (std::vector<uint32_t>{1, 2}));
}

}  // namespace
}  // namespace drav::data
