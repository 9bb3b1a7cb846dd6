// Going straight to a key position (a list's scroll thumb dropped anywhere):
// the same record as stepping there from the top, within a scope, past the
// end, and over a key whose record was deleted where the tag was not open.
#include "tests/data/access_tags_fixture.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace testaccess;

TEST_F(TagsTest, GoingToAPositionMatchesSteppingThere) {
    makeSchemaTable("CORSE");
    Table& t = openWithTags("CORSE");
    // Three days of 700 runs: many leaves per day.
    const Date days[] = {Date::fromYmd(2026, 3, 4), Date::fromYmd(2026, 3, 5),
                         Date::fromYmd(2026, 3, 6)};
    for (const Date& d : days)
        for (int n = 1; n <= 700; ++n) addRun(d, n, "08:00");

    auto stepTo = [&](uint64_t p) {
        t.goTop();
        t.skip(static_cast<int64_t>(p) - 1);
        return t.eof() ? 0u : t.recno();
    };
    auto jumpTo = [&](uint64_t p) {
        t.goToPosition(p);
        return t.eof() ? 0u : t.recno();
    };

    for (bool scoped : {false, true}) {
        SCOPED_TRACE(scoped ? "one day" : "whole tag");
        if (scoped) dbSetScope(days[1].dtos(), days[1].dtos());
        const uint64_t count = keyCount();
        ASSERT_EQ(count, scoped ? 700u : 2100u);
        for (uint64_t p : {uint64_t(1), uint64_t(2), uint64_t(57), uint64_t(350), count - 1, count}) {
            EXPECT_EQ(jumpTo(p), stepTo(p)) << "position " << p;
            EXPECT_EQ(t.keyPosition(), p);
        }
        EXPECT_EQ(jumpTo(count + 1), 0u);
        EXPECT_TRUE(t.eof());
    }

    // A record deleted through another handle without the tags open keeps
    // its key: the jump lands on the next live record, as stepping does.
    dbSetScope(std::nullopt, std::nullopt);
    t.goToPosition(800);
    const uint32_t gone = t.recno();
    {
        Table& bare = dbOpen(true, tablePath("CORSE"), "NUDA");
        bare.goTo(gone);
        dbLock(true);
        bare.markDeleted();
        bare.commit();
        dbUnlock();
        dbClose();
    }
    select(t.slot());
    EXPECT_EQ(jumpTo(800), stepTo(800));
    EXPECT_NE(t.recno(), gone);
}

}  // namespace
}  // namespace drav::data
