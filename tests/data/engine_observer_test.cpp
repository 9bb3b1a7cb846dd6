// The table and the tags that follow it: a failing observer never leaves
// another one with a change it was told of but not of its write.
#include "data/cdx/IndexChecker.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

// Counts what it hears; fails the calls it is told to fail.
struct Probe : TableObserver {
    int before = 0, written = 0;
    bool failBefore = false, failWritten = false;
    Status beforeChange(const RecordContext&, bool) override {
        ++before;
        return failBefore ? Status::ioError("probe", 5, "refused") : Status::ok();
    }
    Status recordWritten(const RecordContext&) override {
        ++written;
        return failWritten ? Status::ioError("probe", 5, "refused") : Status::ok();
    }
};

struct Case {
    const char* name;
    bool failBefore, failWritten;
};

// Whichever call fails, and wherever the failing observer stands, the tag
// hears every change and every write: its keys match the records after a
// run of edits, and no change is reported twice (which would end the
// program with an integrity error).
TEST(EngineObservers, AFailingObserverLeavesTheOthersPaired) {
    test::ThrowOnFatal fatalThrows;
    for (const Case& c : {Case{"written fails", false, true}, Case{"before fails", true, false},
                          Case{"both fail", true, true}}) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string path = dir.file("CORSE.DBF");
        ASSERT_TRUE(TableFile::create(path, findTable("CORSE")->fields));
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Shared, false));
        const TagDef* def = findTag("FUTURE");
        auto scan = t.scan();
        auto tag =
            test::buildTag(dir.file("FUTURE.NTX"), *scan, def->keyText, def->conditionText, true);
        ASSERT_TRUE(tag);
        Probe first, last;
        first.failBefore = last.failBefore = c.failBefore;
        first.failWritten = last.failWritten = c.failWritten;
        t.addObserver(&first);
        t.addObserver(&tag->tag());
        t.addObserver(&last);

        const int ora = t.fieldIndex("ORA");
        for (int i = 0; i < 5; ++i) {
            Status s = t.append();
            EXPECT_EQ(s.isOk(), !c.failBefore) << s.toString();
            (void)t.putField(ora, std::string("10:0") + std::to_string(i));
            EXPECT_EQ(t.unlockAll().isOk(), !c.failWritten);
        }
        ASSERT_TRUE(t.goTo(2));
        ASSERT_TRUE(t.lockRecord());
        (void)t.putField(ora, std::string("07:00"));  // refused when before fails
        (void)t.putField(ora, std::string("07:00"));  // the record is already changed
        (void)t.unlockAll();
        ASSERT_TRUE(t.goTo(3));
        ASSERT_TRUE(t.lockRecord());
        (void)t.deleteRecord();
        (void)t.unlockAll();

        EXPECT_EQ(first.before, first.written);
        EXPECT_EQ(last.before, last.written);
        EXPECT_EQ(last.before, 7);
        t.removeObserver(&first);
        t.removeObserver(&last);
        t.removeObserver(&tag->tag());
        tag.reset();
        EXPECT_EQ(IndexChecker::check(dir.file("FUTURE.NTX"), t, scan.get()),
                  std::vector<std::string>{});
    }
}

// Zapping a table whose current record was changed writes that record
// first, so that its tags hear of the write they were promised.
TEST(EngineObservers, ZapAfterAnUnwrittenChangeKeepsTheTagsPaired) {
    test::ThrowOnFatal fatalThrows;
    test::TempDir dir;
    const std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"NOME", 'C', 10, 0}}));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    Probe probe;
    t.addObserver(&probe);
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.putField(0, std::string("ROSSI")));
    ASSERT_TRUE(t.zap());
    EXPECT_EQ(probe.before, 1);
    EXPECT_EQ(probe.written, 1);
    uint32_t n = 1;
    ASSERT_TRUE(t.recCount(&n));
    EXPECT_EQ(n, 0u);
    t.removeObserver(&probe);
}

}  // namespace
}  // namespace drav::data
