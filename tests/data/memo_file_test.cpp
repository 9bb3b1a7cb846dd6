// The memo file: block counts, the bytes of a value, reuse of released
// blocks, a free list that cannot be trusted.
#include "data/dbf/MemoFile.h"
#include "data/dbf/TableFile.h"
#include "tests/data/DbfTestUtil.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace testutil;

class MemoTable : public CodiceNoteFiles {
protected:
    void SetUp() override {
        CodiceNoteFiles::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    }
    uint32_t block(uint32_t recno) {
        EXPECT_TRUE(t.goTo(recno));
        std::string b(t.fieldBytes(1));
        return b == std::string(10, ' ') ? 0 : static_cast<uint32_t>(std::stoul(b));
    }
    void put(uint32_t recno, const std::string& value) {
        ASSERT_TRUE(t.goTo(recno));
        ASSERT_TRUE(t.putField(1, value));
    }
    std::vector<MemoFile::Run> runs(uint32_t* next) {
        std::vector<MemoFile::Run> r;
        EXPECT_TRUE(t.memo()->freeRuns(&r, next));
        return r;
    }
    std::string runsText() {
        uint32_t next = 0;
        std::string s;
        for (const auto& r : runs(&next))
            s += std::to_string(r.first) + "+" + std::to_string(r.count) + " ";
        return s + "next " + std::to_string(next);
    }
    TableFile t;
};

TEST_F(MemoTable, A56ByteTextTakesOneBlockAnd57TakeTwo) {
    appendRow(t, {{1, std::string(56, 'a')}});
    appendRow(t, {{1, std::string(57, 'b')}});
    EXPECT_EQ(t.fieldBytes(1), "        17");
    std::string m = readFile(memoPath);
    ASSERT_EQ(m.size(), 1024u + 64 + 128);
    EXPECT_EQ(m.substr(1024, 8), std::string("\0\0\0\x01\0\0\0\x38", 8));
    EXPECT_EQ(m.substr(1032, 56), std::string(56, 'a'));
    EXPECT_EQ(m.substr(1088, 8), std::string("\0\0\0\x01\0\0\0\x39", 8));
    EXPECT_EQ(be32(m, 0), 19u);
    EXPECT_EQ(MemoFile::blocksFor(56), 1u);
    EXPECT_EQ(MemoFile::blocksFor(57), 2u);
    ASSERT_TRUE(t.goTo(1));
    EXPECT_EQ(text(t, 1), std::string(56, 'a'));
    EXPECT_EQ(std::string(readFile(path).substr(98 + 11, 10)), "        16");
}

TEST_F(MemoTable, ReleasedBlocksAreReusedOnlyAfterTheRecordMovedAway) {
    appendRow(t, {{1, std::string(150, 'a')}});  // blocks 16-18
    appendRow(t, {{1, std::string(10, 'b')}});   // block 19
    EXPECT_EQ(runsText(), "next 20");

    put(1, "short");
    // Until the record is written the file still points at 16-18: they stay taken.
    EXPECT_EQ(block(1), 20u);
    EXPECT_EQ(runsText(), "16+3 next 21");  // goTo wrote the record, releasing the old value

    put(2, std::string(100, 'c'));  // 2 blocks: the smallest free run that holds them
    EXPECT_EQ(t.fieldBytes(1), "        16");
    ASSERT_TRUE(t.commit());
    EXPECT_EQ(runsText(), "18+2 next 21");  // 18 left over, 19 released: one run

    // A value replaced twice before the record is written frees the middle one at once.
    put(2, std::string(200, 'd'));  // 4 blocks: at the end, 21-24
    ASSERT_TRUE(t.putField(1, std::string("e")));
    EXPECT_EQ(t.fieldBytes(1), "        18");
    EXPECT_EQ(runsText(), "19+1 next 21");  // 21-24 free again, and given back to the file
    ASSERT_TRUE(t.commit());
    EXPECT_EQ(runsText(), "16+2 19+1 next 21");
    ASSERT_TRUE(t.goTo(1));
    EXPECT_EQ(text(t, 1), "short");
    ASSERT_TRUE(t.goTo(2));
    EXPECT_EQ(text(t, 1), "e");

    // Blocks freed at the end of the file go back to the file system.
    put(1, "");
    EXPECT_EQ(t.fieldBytes(1), "          ");
    ASSERT_TRUE(t.commit());
    EXPECT_EQ(runsText(), "16+2 next 19");
    EXPECT_EQ(readFile(memoPath).size(), 19u * 64);
}

TEST_F(MemoTable, AFreeListThatContradictsTheFileIsIgnored) {
    appendRow(t, {{1, std::string("keep me")}});  // block 16
    ASSERT_TRUE(t.close());
    std::string m = readFile(memoPath);
    putBe32(m, 523, 1);
    putBe32(m, 527, 16);  // claims the live block 16 and more beyond the end is free
    putBe32(m, 531, 5);
    writeFile(memoPath, m);
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    appendRow(t, {{1, std::string("new")}});
    EXPECT_EQ(t.fieldBytes(1), "        17");
    ASSERT_TRUE(t.goTo(1));
    EXPECT_EQ(text(t, 1), "keep me");
}

TEST_F(MemoTable, PackKeepsMemosAndZapEmptiesTheMemoFile) {
    appendRow(t, {{0, std::string("uno")}, {1, std::string("nota uno")}});
    appendRow(t, {{0, std::string("due")}, {1, std::string("nota due")}});
    appendRow(t, {{0, std::string("tre")}, {1, std::string("nota tre")}});
    ASSERT_TRUE(t.goTo(2));
    ASSERT_TRUE(t.deleteRecord());
    ASSERT_TRUE(t.pack());
    ASSERT_TRUE(t.goTo(2));
    EXPECT_EQ(text(t, 0), "tre       ");
    EXPECT_EQ(text(t, 1), "nota tre");
    ASSERT_TRUE(t.zap());
    ASSERT_TRUE(t.close());
    std::string m = readFile(memoPath);
    ASSERT_EQ(m.size(), 1024u);
    EXPECT_EQ(be32(m, 0), 16u);
    EXPECT_EQ(m.substr(523), std::string(501, '\0'));
}

}  // namespace
}  // namespace drav::data
