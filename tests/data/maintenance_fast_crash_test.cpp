// A pack stopped half way by a failed write: the maintenance reports the
// error and goes no further, and the table still opens with every live
// record in it, whole. What it leaves: the records before the first
// deleted one as they were, the file as long as before, and from the first
// deleted record on some live records twice (at their new place and still
// at their old one), never more of them than there were deleted records;
// a write cut inside a record leaves that one place mixed.
#include "data/backup/Manutenzione.h"
#include "data/upgrade/CreateDb.h"
#include "tests/data/upgrade_fixture.h"

#include <cerrno>
#include <map>

namespace drav::data::testupgrade {
namespace {

using test::readFile;

struct Records {
    size_t header = 0, length = 0;
    std::vector<std::string> all;  // every record of the file, deleted ones included
};

Records recordsOf(const std::string& bytes) {
    Records out;
    auto le16 = [&](size_t at) {
        return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8;
    };
    out.header = le16(8);
    out.length = le16(10);
    for (size_t at = out.header; at + out.length <= bytes.size(); at += out.length)
        out.all.push_back(bytes.substr(at, out.length));
    return out;
}

using MaintenanceFastCrash = UpgradeTest;

TEST_F(MaintenanceFastCrash, AnInterruptedPackLeavesEveryLiveRecordInTheTable) {
    ASSERT_TRUE(createDb(schemaTables()));
    // 7,000 runs, each its own requester: over two blocks of the pack's
    // reading, so that it moves records in several writes.
    auto isDeleted = [](int r) { return r >= 1000 && r % 50 == 0; };
    std::vector<OldRecord> rows;
    for (int r = 1; r <= 7000; ++r)
        rows.push_back({{{"CLIENTE", "Corsa " + std::to_string(r)},
                         {"NUMERO", double(r % 300 + 1)},
                         {"DATA", Date::fromYmd(2026, 2, 1)}},
                        isDeleted(r)});

    const struct {
        const char* what;
        int failing;          // the record write of the pack that fails (from 1)
        long allowedRecords;  // -1: nothing written; else records written before the cut
        bool midRecord;       // the cut falls inside a record
    } cases[] = {
        {"first write refused", 1, -1, false},
        {"second write refused", 2, -1, false},
        {"second write cut between records", 2, 40, false},
        {"second write cut inside a record", 2, 40, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeTable("CORSE.DBF", findTable("CORSE")->fields, rows);
        const std::string before = readFile("CORSE.DBF");
        const Records old = recordsOf(before);
        std::vector<std::string> live;
        for (const std::string& r : old.all)
            if (r[0] != '*') live.push_back(r);
        const size_t deleted = old.all.size() - live.size();
        errorLog.errors.clear();

        int recordWrites = 0;
        auto previous = setWriteFault([&](const std::string& path, uint64_t offset, size_t,
                                          size_t* allowed) {
            if (path.find("CORSE.DBF") == std::string::npos || offset < old.header) return 0;
            if (++recordWrites != c.failing) return 0;
            if (c.allowedRecords < 0) return EIO;
            *allowed = c.allowedRecords * old.length + (c.midRecord ? old.length / 2 : 0);
            return -1;
        });
        const bool done = manutenzione(false);
        setWriteFault(previous);
        EXPECT_FALSE(done);
        ASSERT_FALSE(errorLog.errors.empty());
        EXPECT_EQ(errorLog.errors.back().genCode, gen::Write);
        EXPECT_TRUE(usedSlots().empty());

        const std::string after = readFile("CORSE.DBF");
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(after.substr(0, old.header), before.substr(0, old.header));
        const Records now = recordsOf(after);
        ASSERT_EQ(now.all.size(), old.all.size());
        // Up to the first deleted record nothing was touched.
        for (int r = 1; r < 1000; ++r) ASSERT_EQ(now.all[r - 1], old.all[r - 1]) << r;

        std::map<std::string, int> seen;
        size_t visible = 0;
        for (const std::string& r : now.all)
            if (r[0] != '*') {
                ++seen[r];
                ++visible;
            }
        size_t whole = 0;
        for (const std::string& r : live) {
            EXPECT_GE(seen[r], 1) << "lost: " << r.substr(0, 60);
            whole += seen[r];
        }
        EXPECT_LE(visible - whole, c.midRecord ? 1u : 0u);  // mixed places
        EXPECT_LE(whole - live.size(), deleted);            // records there twice

        // The table opens and reads, every record of it.
        EXPECT_EQ(readTable("CORSE.DBF").size(), old.all.size());
    }
}

}  // namespace
}  // namespace drav::data::testupgrade
