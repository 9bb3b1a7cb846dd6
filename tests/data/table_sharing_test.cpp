// Several stations on one table: real second processes appending, locking
// and writing memos at the same time.
#include "data/dbf/TableErrors.h"
#include "data/dbf/TableFile.h"
#include "tests/data/DbfTestUtil.h"
#include "tests/support/Child.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace drav::data {
namespace {

using namespace testutil;
using test::ChildProcess;
using test::startChild;

std::vector<FieldDef> idSeqMemo() {
    return {{"ID", 'C', 4, 0}, {"SEQ", 'N', 6, 0}, {"NOTE", 'M', 10, 0}};
}

// Appends args[2] records tagged with its id args[1], once told "go".
DRAV_TEST_CHILD(appender, args) {
    TableFile t;
    if (!t.open(args[0], File::Share::Shared, false)) return 1;
    test::childWriteLine("ready");
    test::childReadLine();
    int count = std::stoi(args[2]);
    for (int i = 1; i <= count; ++i) {
        Status s = t.append();
        if (!s) return 2;
        if (!t.putField(0, args[1]) || !t.putField(1, double(i))) return 3;
        if (!t.unlockAll()) return 4;
    }
    return t.close() ? 0 : 5;
}

TEST(TableSharing, StationsAppendingAtOnceLoseNothing) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, idSeqMemo()));
    const int stations = 4, each = 150;
    std::vector<ChildProcess> children;
    for (int i = 0; i < stations; ++i)
        children.push_back(
            startChild("appender", {path, "S" + std::to_string(i), std::to_string(each)}));
    for (auto& c : children) ASSERT_EQ(c.readLine(), "ready");
    for (auto& c : children) c.writeLine("go");
    for (auto& c : children) EXPECT_EQ(c.wait(), 0);

    std::string b = readFile(path);
    EXPECT_EQ(le32(b, 4), uint32_t(stations * each));
    EXPECT_EQ(b.size(), 130u + stations * each * 21 + 1);
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, true));
    std::map<std::string, int> last;  // each station's records in its own order
    uint32_t seen = 0;
    for (; !t.eof(); (void)t.skip()) {
        ++seen;
        std::string id = text(t, 0);
        int seq = static_cast<int>(std::get<double>(t.fieldValue(1)));
        EXPECT_EQ(seq, last[id] + 1) << id << " at record " << t.recno();
        last[id] = seq;
    }
    EXPECT_EQ(seen, uint32_t(stations * each));
    EXPECT_EQ(last.size(), size_t(stations));
    for (const auto& [id, seq] : last) EXPECT_EQ(seq, each) << id;
}

// Holds the file lock, appends one record under it and says its number;
// releases on "go".
DRAV_TEST_CHILD(fileLockAppender, args) {
    TableFile t;
    if (!t.open(args[0], File::Share::Shared, false) || !t.lockFile()) return 1;
    if (!t.append() || !t.putField(0, std::string("FL")) || !t.commit()) return 2;
    test::childWriteLine(std::to_string(t.recno()));
    test::childReadLine();
    return t.close() ? 0 : 3;
}

TEST(TableSharing, FileLockHolderAppendsWhileOthersAreKeptOut) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, idSeqMemo()));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Shared, false));
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.unlockAll());

    ChildProcess child = startChild("fileLockAppender", {path});
    ASSERT_EQ(child.readLine(), "2");
    EXPECT_TRUE(t.lockRecord(1).isBusy());
    EXPECT_TRUE(t.lockRecord(2).isBusy());
    EXPECT_TRUE(t.lockFile().isBusy());
    Status s = t.append();
    ASSERT_TRUE(s.isBusy());
    ErrorInfo e = tableErrorInfo(s, TableOp::Append);
    EXPECT_EQ(e.genCode, gen::AppendLock);
    EXPECT_TRUE(e.canDefault);
    uint32_t n = 0;
    ASSERT_TRUE(t.recCount(&n));
    EXPECT_EQ(n, 2u);  // the refused append added nothing

    child.writeLine("go");
    EXPECT_EQ(child.wait(), 0);
    ASSERT_TRUE(t.goTo(2));
    EXPECT_TRUE(t.lockRecord());
    EXPECT_EQ(text(t, 0), "FL  ");
    EXPECT_TRUE(t.append());
    EXPECT_EQ(t.recno(), 3u);
}

// The lock bytes as another station's system sees them: they are the whole
// agreement between copies of the program, so the offsets are fixed here by
// number. Record r: 1 byte at 4,000,000,000 + r. File lock: from
// 4,000,000,001 to 4,294,967,295. Header and append lock: 4,000,000,000,
// held only while a record is appended.
TEST(TableSharing, LockBytesSitAtTheirAgreedOffsets) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, idSeqMemo()));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Shared, false));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.unlockAll());
    File other;  // another open file description: conflicts like another station
    ASSERT_TRUE(File::open(path, File::Share::Shared, false, other));

    ASSERT_TRUE(t.lockRecord(5));
    EXPECT_TRUE(other.isLockedElsewhere(4000000005ULL, 1));
    EXPECT_FALSE(other.isLockedElsewhere(4000000004ULL, 1));
    EXPECT_FALSE(other.isLockedElsewhere(4000000006ULL, 1));
    EXPECT_FALSE(other.isLockedElsewhere(4000000000ULL, 1));  // no header lock at rest

    ASSERT_TRUE(t.unlockAll());
    EXPECT_FALSE(other.isLockedElsewhere(4000000005ULL, 1));
    ASSERT_TRUE(t.lockFile());
    for (uint64_t at : {4000000001ULL, 4000000005ULL, 4147483648ULL, 4294967295ULL})
        EXPECT_TRUE(other.isLockedElsewhere(at, 1)) << at;
    EXPECT_FALSE(other.isLockedElsewhere(4000000000ULL, 1));
    EXPECT_FALSE(other.isLockedElsewhere(4294967296ULL + 1, 1));
    ASSERT_TRUE(t.unlockAll());
    for (uint64_t at : {4000000001ULL, 4294967295ULL}) EXPECT_FALSE(other.isLockedElsewhere(at, 1));

    // A record lock held by another station keeps the file lock out.
    ASSERT_TRUE(other.lock(4000000003ULL, 1, true));
    EXPECT_TRUE(t.lockFile().isBusy());
    EXPECT_TRUE(t.lockRecord(3).isBusy());
    EXPECT_TRUE(t.lockRecord(2));
    ASSERT_TRUE(other.unlock(4000000003ULL, 1));

    // An append waits for the header lock another station holds.
    ASSERT_TRUE(t.unlockAll());
    ASSERT_TRUE(other.lock(4000000000ULL, 1, true));
    std::atomic<bool> appended = false;
    std::thread appender([&] {
        EXPECT_TRUE(t.append());
        appended = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(appended);
    ASSERT_TRUE(other.unlock(4000000000ULL, 1));
    appender.join();
    EXPECT_TRUE(appended);
    EXPECT_EQ(t.recno(), 7u);
    EXPECT_TRUE(other.isLockedElsewhere(4000000007ULL, 1));
    EXPECT_FALSE(other.isLockedElsewhere(4000000000ULL, 1));
}

// A station driven line by line: "append TEXT", "set RECNO TEXT", "lock RECNO".
DRAV_TEST_CHILD(station, args) {
    TableFile t;
    if (!t.open(args[0], File::Share::Shared, false)) return 1;
    test::childWriteLine("ready");
    for (std::string line; !(line = test::childReadLine()).empty();) {
        std::istringstream in(line);
        std::string cmd, value;
        uint32_t recno = 0;
        in >> cmd;
        if (cmd == "append") {
            in >> value;
            bool ok = t.append() && t.putField(0, value) && t.unlockAll();
            test::childWriteLine(ok ? std::to_string(t.recno()) : "error");
        } else if (cmd == "set") {
            in >> recno >> value;
            if (!t.goTo(recno)) return 2;
            Status s = t.lockRecord();
            if (s.isBusy()) {
                test::childWriteLine("busy");
                continue;
            }
            bool ok = s && t.putField(0, value) && t.unlockAll();
            test::childWriteLine(ok ? "ok" : "error");
        }
    }
    return t.close() ? 0 : 3;
}

TEST(TableSharing, WhatOtherStationsWriteIsSeenOnTheNextMove) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, idSeqMemo()));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Shared, false));
    EXPECT_TRUE(t.eof());
    ChildProcess other = startChild("station", {path});
    ASSERT_EQ(other.readLine(), "ready");

    other.writeLine("append uno");
    ASSERT_EQ(other.readLine(), "1");
    ASSERT_TRUE(t.goTo(1));  // beyond the count this station knew
    EXPECT_EQ(text(t, 0), "uno ");
    other.writeLine("append due");
    ASSERT_EQ(other.readLine(), "2");
    ASSERT_TRUE(t.goBottom());
    EXPECT_EQ(t.recno(), 2u);
    EXPECT_EQ(text(t, 0), "due ");
    EXPECT_EQ(le32(readFile(path), 4), 2u);  // the header follows each append

    other.writeLine("set 1 UNO");
    ASSERT_EQ(other.readLine(), "ok");
    ASSERT_TRUE(t.skip(-1));
    EXPECT_EQ(text(t, 0), "UNO ");

    // This station's lock keeps the other one out of record 1 only.
    ASSERT_TRUE(t.lockRecord());
    other.writeLine("set 1 nope");
    EXPECT_EQ(other.readLine(), "busy");
    other.writeLine("set 2 DUE");
    EXPECT_EQ(other.readLine(), "ok");
    // Once locked here, the record is read afresh before it is changed.
    ASSERT_TRUE(t.lockRecord(2));
    ASSERT_TRUE(t.goTo(2));
    EXPECT_EQ(text(t, 0), "DUE ");
    other.writeLine("");
    EXPECT_EQ(other.wait(), 0);
}

std::string memoText(const std::string& id, uint32_t recno, int round) {
    std::string s = id + ":" + std::to_string(recno) + ":" + std::to_string(round) + ":";
    return s + std::string((round * 37 + recno * 11) % 300, static_cast<char>('a' + round % 26));
}

// Rewrites the memos of records args[1]..args[2] args[3] times.
DRAV_TEST_CHILD(memoWriter, args) {
    TableFile t;
    if (!t.open(args[0], File::Share::Shared, false)) return 1;
    test::childWriteLine("ready");
    test::childReadLine();
    uint32_t first = std::stoul(args[1]), last = std::stoul(args[2]);
    int rounds = std::stoi(args[3]);
    for (int round = 1; round <= rounds; ++round)
        for (uint32_t r = first; r <= last; ++r) {
            if (!t.goTo(r) || !t.lockRecord()) return 2;
            if (!t.putField(2, memoText("w", r, round)) || !t.unlockAll()) return 3;
        }
    return t.close() ? 0 : 4;
}

TEST(TableSharing, StationsWritingMemosAtOnceNeverShareBlocks) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, idSeqMemo()));
    const uint32_t records = 40;
    const int rounds = 15;
    {
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
        for (uint32_t i = 0; i < records; ++i) appendRow(t, {});
    }
    std::vector<ChildProcess> children;
    children.push_back(startChild("memoWriter", {path, "1", "20", std::to_string(rounds)}));
    children.push_back(startChild("memoWriter", {path, "21", "40", std::to_string(rounds)}));
    for (auto& c : children) ASSERT_EQ(c.readLine(), "ready");
    for (auto& c : children) c.writeLine("go");
    for (auto& c : children) EXPECT_EQ(c.wait(), 0);

    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, true));
    std::set<uint32_t> used;
    for (uint32_t r = 1; r <= records; ++r) {
        ASSERT_TRUE(t.goTo(r));
        std::string expected = memoText("w", r, rounds);
        EXPECT_EQ(text(t, 2), expected) << r;
        uint32_t first = static_cast<uint32_t>(std::stoul(std::string(t.fieldBytes(2))));
        for (uint32_t b = first; b < first + MemoFile::blocksFor(expected.size()); ++b)
            EXPECT_TRUE(used.insert(b).second) << "block " << b << " used twice";
    }
    std::vector<MemoFile::Run> runs;
    uint32_t next = 0;
    ASSERT_TRUE(t.memo()->freeRuns(&runs, &next));
    for (const auto& run : runs)
        for (uint32_t b = run.first; b < run.first + run.count; ++b)
            EXPECT_FALSE(used.count(b)) << "free block " << b << " holds a value";
    EXPECT_LE(*used.rbegin(), next - 1);
}

}  // namespace
}  // namespace drav::data
