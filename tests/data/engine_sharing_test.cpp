// Two stations on the runs table and its tags: what one writes, the other
// sees at its next look, because the change counter of each index file
// moved and its cached pages were dropped.
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/Child.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

const char* const kTags[] = {"CORSE", "FUTURE", "SOSPESI"};
const Date kDay = Date::fromYmd(2024, 3, 4);

// The writer: numbers record 3 (a future run), deletes record 4, recalls
// nothing; each step once told.
DRAV_TEST_CHILD(runsWriter, args) {
    test::RunsStation st;
    if (!st.open(args[0])) return 2;
    test::childWriteLine("ready");
    if (test::childReadLine() != "go") return 3;
    Status s =
        st.edit(3, [&] { return st.table.putField(st.table.fieldIndex("NUMERO"), Value(77.0)); });
    if (s) s = st.edit(4, [&] { return st.table.deleteRecord(); });
    if (!s) return 4;
    test::childWriteLine("done");
    return 0;
}

TEST(EngineSharing, AReaderSeesAWritersChangeThroughTheChangeCounter) {
    test::ThrowOnFatal fatalThrows;
    test::TempDir dir;
    ASSERT_TRUE(TableFile::create(dir.file("CORSE.DBF"), findTable("CORSE")->fields));
    {
        TableFile t;
        ASSERT_TRUE(t.open(dir.file("CORSE.DBF"), File::Share::Exclusive, false));
        // Records 1..300 on one day; every third one a future run.
        for (int i = 1; i <= 300; ++i) {
            ASSERT_TRUE(t.append());
            ASSERT_TRUE(t.putField(t.fieldIndex("NUMERO"), Value(double(i % 3 == 0 ? 0 : i))));
            ASSERT_TRUE(t.putField(t.fieldIndex("DATA"), Value(kDay)));
            char ora[8];
            std::snprintf(ora, sizeof ora, "%02d:%02d", i / 60, i % 60);
            ASSERT_TRUE(t.putField(t.fieldIndex("ORA"), Value(std::string(ora))));
        }
        auto scan = t.scan();
        for (const char* name : kTags) {
            const TagDef* def = findTag(name);
            ASSERT_TRUE(test::buildTag(dir.file(def->fileName()), *scan, def->keyText,
                                       def->conditionText, false));
        }
        ASSERT_TRUE(t.close());
    }
    test::RunsStation reader;
    ASSERT_TRUE(reader.open(dir.path()));
    // Look first, so that the reader's pages are cached.
    IndexTag& corse = reader.tag(0);
    IndexTag& future = reader.tag(1);
    ASSERT_TRUE(corse.setScope(Value(kDay.dtos()), Value(kDay.dtos())));
    uint64_t before = 0;
    ASSERT_TRUE(corse.keyCount(&before));
    EXPECT_EQ(before, 200u);
    bool found = false;
    ASSERT_TRUE(future.seek(Value(kDay.dtos() + "00:03"), false, &found));
    ASSERT_TRUE(found);
    EXPECT_EQ(future.recno(), 3u);
    const uint32_t counters[] = {reader.tags[0]->changeCounter(), reader.tags[1]->changeCounter()};

    test::ChildProcess writer = test::startChild("runsWriter", {dir.path()});
    ASSERT_EQ(writer.readLine(), "ready");
    writer.writeLine("go");
    ASSERT_EQ(writer.readLine(), "done");
    ASSERT_EQ(writer.wait(), 0);

    // Record 3 moved from FUTURE to CORSE, record 4 (numbered) left CORSE.
    uint64_t after = 0;
    ASSERT_TRUE(corse.keyCount(&after));
    EXPECT_EQ(after, before);
    EXPECT_GT(reader.tags[0]->changeCounter(), counters[0]);
    ASSERT_TRUE(future.seek(Value(kDay.dtos() + "00:03"), false, &found));
    EXPECT_FALSE(found);
    EXPECT_GT(reader.tags[1]->changeCounter(), counters[1]);
    ASSERT_TRUE(corse.seek(Value(kDay.dtos() + " 77"), false, &found));
    ASSERT_TRUE(found);
    EXPECT_EQ(corse.recno(), 3u);
    ASSERT_TRUE(corse.seek(Value(kDay.dtos() + "  4"), false, &found));
    EXPECT_FALSE(found);
    // The table record itself is read again from the file.
    ASSERT_TRUE(reader.table.goTo(3));
    Value v;
    ASSERT_TRUE(reader.table.getField(reader.table.fieldIndex("NUMERO"), &v));
    EXPECT_EQ(std::get<double>(v), 77.0);
    ASSERT_TRUE(reader.table.goTo(4));
    EXPECT_TRUE(reader.table.deleted());
}

}  // namespace
}  // namespace drav::data
