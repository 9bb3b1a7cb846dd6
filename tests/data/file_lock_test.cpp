// Share modes and byte-range locks between opens of one file, in this
// process and in a second one.
#include "data/os/File.h"
#include "tests/support/Child.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using test::TempDir;

constexpr uint64_t kRec = 4000000000ULL;

// Opens the file with the given share mode, says "open", then waits for a
// line and ends (closing the file).
DRAV_TEST_CHILD(holdOpen, args) {
    File f;
    Status s = File::open(args[0], args[1] == "x" ? File::Share::Exclusive : File::Share::Shared,
                          false, f);
    if (!s) {
        test::childWriteLine(s.isBusy() ? "busy" : "error");
        return 1;
    }
    if (args.size() > 2) {
        if (!f.lock(std::stoull(args[2]), 1, true)) return 2;
    }
    test::childWriteLine("open");
    test::childReadLine();
    return 0;
}

TEST(File, ShareModesConflictWithinOneProcess) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    File a;
    ASSERT_TRUE(File::create(path, File::Share::Shared, a));
    File b, c;
    EXPECT_TRUE(File::open(path, File::Share::Shared, false, b));
    EXPECT_TRUE(File::open(path, File::Share::Exclusive, false, c).isBusy());
    a.close();
    b.close();
    EXPECT_TRUE(File::open(path, File::Share::Exclusive, false, c));
    EXPECT_TRUE(File::open(path, File::Share::Shared, true, b).isBusy());
    EXPECT_TRUE(File::open(dir.file("NONE.DBF"), File::Share::Shared, false, b).isNotFound());
}

TEST(File, ShareModesAndLocksConflictAcrossProcesses) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    {
        File f;
        ASSERT_TRUE(File::create(path, File::Share::Shared, f));
    }
    test::ChildProcess child = test::startChild("holdOpen", {path, "s", std::to_string(kRec + 7)});
    ASSERT_EQ(child.readLine(), "open");

    File mine;
    EXPECT_TRUE(File::open(path, File::Share::Exclusive, false, mine).isBusy());
    ASSERT_TRUE(File::open(path, File::Share::Shared, false, mine));
    EXPECT_TRUE(mine.lock(kRec + 7, 1, true).isBusy());
    EXPECT_TRUE(mine.isLockedElsewhere(kRec + 7, 1));
    EXPECT_TRUE(mine.lock(kRec + 8, 1, true));
    EXPECT_FALSE(mine.isLockedElsewhere(kRec + 8, 1));  // own locks do not count

    child.writeLine("go");
    EXPECT_EQ(child.wait(), 0);
    EXPECT_TRUE(mine.lock(kRec + 7, 1, true));  // released when the child closed the file
}

TEST(File, ReadOnlyRefusesWritesAndShortReadsAreCorruption) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    File f;
    ASSERT_TRUE(File::create(path, File::Share::Exclusive, f));
    ASSERT_TRUE(f.write(0, "abc", 3));
    f.close();
    ASSERT_TRUE(File::open(path, File::Share::Shared, true, f));
    EXPECT_FALSE(f.write(0, "x", 1));
    char buf[8];
    EXPECT_TRUE(f.readExact(0, buf, 3));
    EXPECT_TRUE(f.readExact(0, buf, 4).isCorruption());
}

TEST(File, WriteFaultHook) {
    TempDir dir;
    File f;
    ASSERT_TRUE(File::create(dir.file("T.DBF"), File::Share::Exclusive, f));
    auto previous = setWriteFault([](const std::string&, uint64_t, size_t, size_t* allowed) {
        *allowed = 2;
        return -1;
    });
    Status s = f.write(0, "abcdef", 6);
    setWriteFault(previous);
    EXPECT_FALSE(s);
    uint64_t size = 0;
    ASSERT_TRUE(f.size(&size));
    EXPECT_EQ(size, 2u);
}

}  // namespace
}  // namespace drav::data
