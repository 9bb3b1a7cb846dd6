// The index tags on the program's real tables: every tag of the schema built
// from its table file with the texts its header keeps, and the runs table
// written by two stations at once with its three tags kept current by both.
#include "data/cdx/IndexChecker.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/Child.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace drav::data {
namespace {

// Puts a value of the field's kind, made from n, into every field.
void fillRecord(TableFile& t, int n) {
    for (int i = 0; i < t.fieldCount(); ++i) {
        const FieldDef& f = t.field(i);
        Value v;
        switch (f.type) {
            case 'C':
                v = std::string(n % 2 ? "rossi " : "Verdi ") + std::to_string(n % 3);
                break;
            case 'M':
                v = std::string("nota ") + std::to_string(n);
                break;
            case 'N':
                v = static_cast<double>(n % 4);
                break;
            case 'D':
                v = Date::fromYmd(2024, 1, 1 + n % 5);
                break;
            case 'L':
                v = n % 2 == 0;
                break;
        }
        ASSERT_TRUE(t.putField(i, v)) << f.name;
    }
}

TEST(SchemaTags, EveryTagBuildsOnItsTableWithTheStoredTexts) {
    test::TempDir dir;
    for (const TagDef& def : schemaTags()) {
        const TableDef* table = findTable(def.table);
        ASSERT_TRUE(table) << def.table;
        std::string path = dir.file(def.table + ".DBF");
        if (!std::filesystem::exists(path)) {
            ASSERT_TRUE(TableFile::create(path, table->fields));
        }
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Exclusive, false)) << path;
        for (int n = 0; n < 6; ++n) {
            ASSERT_TRUE(t.append());
            fillRecord(t, n);
            ASSERT_TRUE(t.commit());
        }
        IndexBuildOptions o;
        o.keyText = def.keyText;
        o.conditionText = def.conditionText;
        o.shared = false;
        o.tableName = def.table;
        std::unique_ptr<IndexFile> f;
        auto scan = t.scan();
        Status s = IndexFile::create(dir.file(def.fileName()), *scan, o, f);
        ASSERT_TRUE(s) << def.name << ": " << s.toString();
        EXPECT_EQ(f->tag().name(), def.name);
        EXPECT_EQ(f->tag().keyType(), def.keyType) << def.name;
        EXPECT_EQ(f->tag().keyLength(), def.keyLength) << def.name;

        // Deleting a record takes its key out; the tag still matches the table.
        t.addObserver(&f->tag());
        ASSERT_TRUE(t.goTo(2));
        ASSERT_TRUE(t.deleteRecord());
        ASSERT_TRUE(t.commit());
        t.removeObserver(&f->tag());
        f.reset();
        EXPECT_EQ(IndexChecker::check(dir.file(def.fileName()), t, scan.get()),
                  std::vector<std::string>{})
            << def.name;
        ASSERT_TRUE(t.close());
    }
}

DRAV_TEST_CHILD(runsStation, args) {
    test::RunsStation st;
    if (!st.open(args[0])) return 2;
    test::childWriteLine("ready");
    if (test::childReadLine() != "go") return 3;
    for (int i = 0; i < 60; ++i) st.addRun(i % 3, 100 + i, i % 5 == 0);
    test::childWriteLine("done");
    return 0;
}

TEST(SchemaTags, TwoStationsWriteRunsAndEveryTagFollows) {
    test::TempDir dir;
    const TableDef* corse = findTable("CORSE");
    ASSERT_TRUE(TableFile::create(dir.file("CORSE.DBF"), corse->fields));
    {
        TableFile t;
        ASSERT_TRUE(t.open(dir.file("CORSE.DBF"), File::Share::Exclusive, false));
        auto scan = t.scan();
        for (const char* name : {"CORSE", "FUTURE", "SOSPESI"}) {
            const TagDef* def = findTag(name);
            ASSERT_TRUE(test::buildTag(dir.file(def->fileName()), *scan, def->keyText,
                                       def->conditionText, false));
        }
        ASSERT_TRUE(t.close());
    }
    test::RunsStation mine;
    ASSERT_TRUE(mine.open(dir.path()));
    test::ChildProcess other = test::startChild("runsStation", {dir.path()});
    ASSERT_EQ(other.readLine(), "ready");
    other.writeLine("go");
    for (int i = 0; i < 60; ++i) mine.addRun(i % 3, i % 4 == 0 ? 0 : i, false);
    ASSERT_EQ(other.readLine(), "done");
    ASSERT_EQ(other.wait(), 0);

    // A run of the other station gets a number here; one of ours is deleted.
    ASSERT_TRUE(mine.table.goTo(mine.table.knownCount()));
    ASSERT_TRUE(mine.table.lockRecord());
    ASSERT_TRUE(mine.table.putField(mine.table.fieldIndex("NUMERO"), Value(999.0)));
    ASSERT_TRUE(mine.table.goTo(1));
    ASSERT_TRUE(mine.table.lockRecord());
    ASSERT_TRUE(mine.table.deleteRecord());
    ASSERT_TRUE(mine.table.unlockAll());

    uint32_t count = 0;
    ASSERT_TRUE(mine.table.recCount(&count));
    EXPECT_EQ(count, 120u);
    auto scan = mine.table.scan();
    for (const char* name : {"CORSE", "FUTURE", "SOSPESI"})
        EXPECT_EQ(IndexChecker::check(dir.file(std::string(name) + ".NTX"), mine.table, scan.get()),
                  std::vector<std::string>{})
            << name;
    uint64_t keys = 0;
    ASSERT_TRUE(mine.tags[2]->tag().keyCount(&keys));
    EXPECT_EQ(keys, 119u);
}

}  // namespace
}  // namespace drav::data
