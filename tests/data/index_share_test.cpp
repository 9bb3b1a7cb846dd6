// Index files shared between stations, with real second processes: a
// reader's cached pages give way when another station's change counter
// moves, two writers at once keep every key, share modes, and the lock
// counters' integrity errors.
#include "data/cdx/CdxFormat.h"
#include "data/cdx/IndexChecker.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/Child.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

namespace drav::data {
namespace {

using test::MemTable;

std::unique_ptr<IndexFile> openShared(const std::string& path, const RecordContext& fields,
                                      bool shared = true) {
    IndexOpenOptions o;
    o.shared = shared;
    o.tableName = "CORSE";
    std::unique_ptr<IndexFile> f;
    Status s = IndexFile::open(path, fields, o, f);
    if (!s) test::childWriteLine("open failed: " + s.toString());
    return f;
}

// A second station: opens the runs tag, says "ready", waits for "go", then
// adds `count` keys "<prefix><n>" for records base.. each under its own
// write lock, and says "done".
DRAV_TEST_CHILD(addKeys, args) {
    MemTable fields = test::runsTable();
    auto f = openShared(args[0], fields);
    if (!f) return 2;
    test::childWriteLine("ready");
    if (test::childReadLine() != "go") return 3;
    const std::string prefix = args[1];
    const uint32_t base = static_cast<uint32_t>(std::stoul(args[2]));
    const int count = std::stoi(args[3]);
    for (int i = 0; i < count; ++i) {
        std::string key = prefix + std::to_string(base + i);
        key.resize(11, ' ');
        if (!f->tag().addKey(key, base + static_cast<uint32_t>(i))) return 4;
    }
    test::childWriteLine("done");
    return 0;
}

// Holds the file open exclusively until told to go.
DRAV_TEST_CHILD(holdExclusive, args) {
    MemTable fields = test::runsTable();
    auto f = openShared(args[0], fields, false);
    if (!f) return 2;
    test::childWriteLine("ready");
    test::childReadLine();
    return 0;
}

// Closes the file while holding its read lock: the integrity error ends
// the process.
DRAV_TEST_CHILD(closeLocked, args) {
    setFatalHandler([](unsigned n, const std::string& text) {
        test::childWriteLine(std::to_string(n) + " " + text.substr(0, text.find('\n')));
    });
    MemTable fields = test::runsTable();
    auto f = openShared(args[0], fields);
    if (!f) return 2;
    if (!f->lockRead()) return 3;
    delete f.release();
    return 0;
}

class SharedRuns : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 400; ++i)
            test::addRun(m_t, 1 + i % 100, Date::fromYmd(2024, 5, 1).addDays(i / 100), "08:00");
        m_path = m_dir.file("CORSE.NTX");
        m_file = test::buildTag(m_path, m_t, test::kCorse.key, test::kCorse.condition, true);
        ASSERT_TRUE(m_file);
    }

    test::TempDir m_dir;
    MemTable m_t = test::runsTable();
    std::string m_path;
    std::unique_ptr<IndexFile> m_file;
};

TEST_F(SharedRuns, ReaderSeesAnotherStationsKeysThroughItsCache) {
    IndexTag& tag = m_file->tag();
    ASSERT_TRUE(tag.goTop());
    ASSERT_TRUE(tag.skip(3));
    const std::string here = tag.currentKey();
    const uint32_t counter = m_file->changeCounter();
    uint64_t before = 0;
    ASSERT_TRUE(tag.keyCount(&before));

    // The other station adds five keys, the first one right after ours
    // (same key, higher record number), each under its own write lock.
    test::ChildProcess other = test::startChild("addKeys", {m_path, here, "990000", "5"});
    ASSERT_EQ(other.readLine(), "ready");
    other.writeLine("go");
    ASSERT_EQ(other.readLine(), "done");
    ASSERT_EQ(other.wait(), 0);

    // Same key as ours with "990000" after it sorts right behind ours only
    // when the pages cached before were dropped and read again.
    ASSERT_TRUE(tag.next());
    EXPECT_EQ(tag.recno(), 990000u);
    EXPECT_EQ(m_file->changeCounter(), counter + 5) << "one step per released write lock";
    uint64_t after = 0;
    ASSERT_TRUE(tag.keyCount(&after));
    EXPECT_EQ(after, before + 5);

    // And our own write moves the counter for the others by one.
    ASSERT_TRUE(tag.addKey(std::string(11, '9'), 7));
    EXPECT_EQ(m_file->changeCounter(), counter + 6);
    std::string bytes = test::readFile(m_path);
    EXPECT_EQ(cdx::getBe32(reinterpret_cast<const uint8_t*>(bytes.data() + 8)), counter + 6);
}

TEST_F(SharedRuns, TwoWritersAtOnceKeepEveryKey) {
    test::ChildProcess a = test::startChild("addKeys", {m_path, "2025A", "100000", "300"});
    test::ChildProcess b = test::startChild("addKeys", {m_path, "2025B", "200000", "300"});
    ASSERT_EQ(a.readLine(), "ready");
    ASSERT_EQ(b.readLine(), "ready");
    a.writeLine("go");
    b.writeLine("go");
    // Meanwhile this station reads and writes too.
    for (int i = 0; i < 100; ++i) {
        std::string key = "2025C" + std::to_string(300000 + i);
        ASSERT_TRUE(m_file->tag().addKey(key, 300000 + static_cast<uint32_t>(i)));
        uint64_t n = 0;
        ASSERT_TRUE(m_file->tag().keyCount(&n));
    }
    EXPECT_EQ(a.readLine(), "done");
    EXPECT_EQ(b.readLine(), "done");
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);

    std::set<uint32_t> recs;
    for (uint32_t r : test::recnosInOrder(m_file->tag())) recs.insert(r);
    EXPECT_EQ(recs.size(), 400u + 300 + 300 + 100);
    for (uint32_t r : {1u, 400u, 100000u, 100299u, 200000u, 200299u, 300000u, 300099u})
        EXPECT_TRUE(recs.count(r)) << r;
    EXPECT_EQ(IndexChecker::check(m_path, m_t), std::vector<std::string>{});
}

TEST_F(SharedRuns, ShareModesOfTheFile) {
    m_file.reset();
    test::ChildProcess holder = test::startChild("holdExclusive", {m_path});
    ASSERT_EQ(holder.readLine(), "ready");
    IndexOpenOptions o;
    std::unique_ptr<IndexFile> f;
    Status s = IndexFile::open(m_path, m_t, o, f);
    EXPECT_TRUE(s.isBusy());
    EXPECT_EQ(s.genCode(), 21);
    EXPECT_EQ(s.subCode(), 1003);
    holder.writeLine("go");
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_TRUE(IndexFile::open(m_path, m_t, o, f));
    s = IndexFile::open(m_dir.file("NONE.NTX"), m_t, o, f);
    EXPECT_TRUE(s.isNotFound());
    EXPECT_EQ(s.genCode(), 21);
}

// The index lock bytes as another station sees them, fixed here by number: a
// reader holds one byte of the pool 4,294,901,760 to 4,294,967,295 shared,
// a writer the pool and the byte below it. Nested locks touch the file once.
TEST_F(SharedRuns, LockBytesSitAtTheirAgreedOffsets) {
    File other;  // another open file description: conflicts like another station
    ASSERT_TRUE(File::open(m_path, File::Share::Shared, true, other));
    const uint64_t below = 4294901759ULL, pool = 4294901760ULL, poolSize = 65536;
    EXPECT_FALSE(other.isLockedElsewhere(below, poolSize + 1));

    ASSERT_TRUE(m_file->lockRead());
    ASSERT_TRUE(m_file->lockRead());
    EXPECT_TRUE(other.isLockedElsewhere(pool, poolSize));
    EXPECT_FALSE(other.isLockedElsewhere(below, 1));
    // Shared: another reader still gets a byte of the pool, a writer none.
    EXPECT_TRUE(other.lock(pool, poolSize, false));
    ASSERT_TRUE(other.unlock(pool, poolSize));
    m_file->unlockRead();
    EXPECT_TRUE(other.isLockedElsewhere(pool, poolSize));  // still held once
    m_file->unlockRead();
    EXPECT_FALSE(other.isLockedElsewhere(below, poolSize + 1));

    ASSERT_TRUE(m_file->lockWrite());
    for (uint64_t at : std::initializer_list<uint64_t>{below, pool, 4294934528ULL, 4294967295ULL})
        EXPECT_TRUE(other.isLockedElsewhere(at, 1)) << at;
    EXPECT_FALSE(other.isLockedElsewhere(below - 1, 1));
    EXPECT_FALSE(other.lock(pool + 7, 1, false));  // a reader waits for the writer
    m_file->unlockWrite();
    EXPECT_FALSE(other.isLockedElsewhere(below, poolSize + 1));
}

// The change counter moves by one per released write lock that wrote
// something, and only on a shared file: an exclusive file keeps it.
TEST_F(SharedRuns, ChangeCounterMovesOnlyForSharedWrites) {
    auto counterOnDisk = [&] {
        std::string b = test::readFile(m_path);
        return cdx::getBe32(reinterpret_cast<const uint8_t*>(b.data() + 8));
    };
    const uint32_t start = counterOnDisk();
    ASSERT_TRUE(m_file->lockWrite());
    m_file->unlockWrite();  // nothing written
    EXPECT_EQ(counterOnDisk(), start);
    ASSERT_TRUE(m_file->lockWrite());
    ASSERT_TRUE(m_file->tag().addKey(std::string(11, '8'), 501));
    ASSERT_TRUE(m_file->tag().addKey(std::string(11, '9'), 502));
    m_file->unlockWrite();  // two keys under one lock: one step
    EXPECT_EQ(counterOnDisk(), start + 1);

    m_file.reset();
    m_file = openShared(m_path, m_t, false);
    ASSERT_TRUE(m_file);
    ASSERT_TRUE(m_file->tag().addKey(std::string(11, '7'), 503));
    m_file.reset();
    EXPECT_EQ(counterOnDisk(), start + 1);
    EXPECT_EQ(IndexChecker::check(m_path, m_t), std::vector<std::string>{});
}

TEST_F(SharedRuns, LockCountersOutOfStepAreIntegrityErrors) {
    test::ThrowOnFatal fatal;
    auto expectFatal = [](unsigned number, const std::string& text, auto&& action) {
        try {
            action();
            ADD_FAILURE() << "no integrity error " << number;
        } catch (const test::FatalError& e) {
            EXPECT_EQ(e.number, number);
            EXPECT_EQ(e.text.substr(0, e.text.find('\n')), text);
        }
    };
    IndexFile& f = *m_file;
    expectFatal(9106, "zq_cdxIndexUnLockRead: bad count of locks.", [&] { f.unlockRead(); });
    expectFatal(9106, "zq_cdxIndexUnLockWrite: bad count of locks.", [&] { f.unlockWrite(); });
    expectFatal(9103, "zq_cdxIndexPageRead on not locked index file.",
                [&] { f.page(2560, 11, ' '); });
    ASSERT_TRUE(f.lockRead());
    expectFatal(9105, "zq_cdxIndexLockWrite: writeLock after readLock.",
                [&] { (void)f.lockWrite(); });
    f.unlockRead();
    ASSERT_TRUE(f.lockWrite());
    ASSERT_TRUE(f.lockRead());  // a reader inside the writer is fine
    expectFatal(9105, "zq_cdxIndexUnLockWrite: writeUnLock before readUnLock.",
                [&] { f.unlockWrite(); });
    f.unlockRead();
    f.unlockWrite();

    IndexOpenOptions o;
    o.readOnly = true;
    std::unique_ptr<IndexFile> ro;
    ASSERT_TRUE(IndexFile::open(m_path, m_t, o, ro));
    expectFatal(9101, "zq_cdxIndexLockWrite: readonly index.",
                [&] { (void)ro->tag().addKey(std::string(11, 'x'), 1); });

    test::ChildProcess child = test::startChild("closeLocked", {m_path});
    EXPECT_EQ(child.readLine(), "9104 zq_cdxIndexFree: index file still locked.");
    EXPECT_EQ(child.wait(), 1);
}

}  // namespace
}  // namespace drav::data
