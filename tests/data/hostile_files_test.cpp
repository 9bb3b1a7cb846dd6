// Files that contradict their layout are refused as corrupt, never read
// past their end and never crash the reader.
#include "data/dbf/TableErrors.h"
#include "data/dbf/TableFile.h"
#include "tests/data/DbfTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace drav::data {
namespace {

using namespace testutil;

// CODICE C 10 + NOTE M 10 with one record whose memo holds "ciao".
class OneRecordWithMemo : public CodiceNoteFiles {
protected:
    void SetUp() override {
        CodiceNoteFiles::SetUp();
        if (HasFatalFailure()) return;
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
        appendRow(t, {{0, std::string("A1")}, {1, std::string("ciao")}});
        ASSERT_TRUE(t.close());
        table = readFile(path);
        memo = readFile(memoPath);
    }
    std::string table, memo;
};

TEST_F(OneRecordWithMemo, BrokenTableHeadersAreCorruption) {
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
    };
    const Case cases[] = {
        {"truncated header", [](std::string& b) { b.resize(20); }},
        {"empty file", [](std::string& b) { b.clear(); }},
        {"header cut after the first field", [](std::string& b) { b.resize(70); }},
        {"header length too short", [](std::string& b) { putLe16(b, 8, 97); }},
        {"header length beyond the descriptors", [](std::string& b) { putLe16(b, 8, 130); }},
        {"header length beyond the file", [](std::string& b) { putLe16(b, 8, 65000); }},
        {"record length not matching the fields", [](std::string& b) { putLe16(b, 10, 22); }},
        {"absurd field count",
         [](std::string& b) {
             // The most descriptors a 16-bit header length can hold.
             b.resize(32 + 32 * 2046 + 1 + 100, '\0');
             putLe16(b, 8, 32 + 32 * 2046 + 1);
         }},
        {"not a table", [](std::string& b) { b[0] = 0x8B; }},
        {"no terminator", [](std::string& b) { b[96] = 'X'; }},
        {"unknown field type", [](std::string& b) { b[43] = 'Q'; }},
        {"memo field of the wrong length", [](std::string& b) { b[80] = 4; }},
        {"field name not in capitals", [](std::string& b) { b[32] = 'c'; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string b = table;
        c.damage(b);
        writeFile(path, b);
        TableFile t;
        Status s = t.open(path, File::Share::Shared, true);
        EXPECT_TRUE(s.isCorruption()) << s.toString();
        EXPECT_FALSE(t.isOpen());
        ErrorInfo e = tableErrorInfo(s, TableOp::Open);
        EXPECT_EQ(e.genCode, gen::Corruption);
        EXPECT_EQ(e.subCode, 1012);
        EXPECT_EQ(e.fileName, path);
    }
}

TEST_F(OneRecordWithMemo, BrokenMemosAreCorruptionAndAMissingMemoFileIsNamed) {
    struct Case {
        const char* name;
        std::function<void(std::string& table, std::string& memo)> damage;
    };
    const Case cases[] = {
        {"pointer outside the file",
         [](std::string& t, std::string&) { t.replace(109, 10, "     99999"); }},
        {"pointer into the header",
         [](std::string& t, std::string&) { t.replace(109, 10, "         3"); }},
        {"pointer not a number",
         [](std::string& t, std::string&) { t.replace(109, 10, "    1x    "); }},
        {"length beyond the file",
         [](std::string&, std::string& m) { putBe32(m, 1028, 0xFFFFFFF0u); }},
        {"length one past the file", [](std::string&, std::string& m) { putBe32(m, 1028, 57); }},
        {"not a value", [](std::string&, std::string& m) { putBe32(m, 1024, 7); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string tb = table, mb = memo;
        c.damage(tb, mb);
        writeFile(path, tb);
        writeFile(memoPath, mb);
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Shared, true));
        Value v;
        EXPECT_TRUE(t.getField(1, &v).isCorruption());
        EXPECT_EQ(std::get<std::string>(v), "");
        EXPECT_EQ(std::get<std::string>(t.fieldValue(1)), "");  // what an expression sees
    }

    writeFile(path, table);
    for (const std::string& bad : {std::string(), memo.substr(0, 600), [&] {
                                       std::string m = memo;
                                       m[7] = 0x20;  // block size 32
                                       return m;
                                   }()}) {
        writeFile(memoPath, bad);
        TableFile t;
        EXPECT_TRUE(t.open(path, File::Share::Shared, true).isCorruption());
    }

    std::remove(memoPath.c_str());
    TableFile t;
    Status s = t.open(path, File::Share::Shared, false);
    ASSERT_TRUE(s.isNotFound());
    EXPECT_EQ(s.file(), memoPath);
    ErrorInfo e = tableErrorInfo(s, TableOp::OpenMemo);
    EXPECT_EQ(e.genCode, gen::Open);
    EXPECT_EQ(e.osCode, oscode::FileNotFound);
    EXPECT_EQ(e.fileName, memoPath);
}

TEST_F(OneRecordWithMemo, RandomDamageNeverCrashes) {
    std::mt19937 rng(20260305);
    for (int round = 0; round < 300; ++round) {
        std::string tb = table, mb = memo;
        for (int k = 0; k < 4; ++k) {
            size_t at = rng() % (round % 2 ? tb.size() : 32);
            tb[at] = static_cast<char>(rng());
            size_t mat = rng() % mb.size();
            mb[mat] = static_cast<char>(rng());
        }
        if (round % 7 == 0) tb.resize(rng() % tb.size());
        writeFile(path, tb);
        writeFile(memoPath, mb);
        TableFile t;
        if (!t.open(path, File::Share::Exclusive, false)) continue;
        for (int i = 0; i < t.fieldCount(); ++i) {
            Value v;
            (void)t.getField(i, &v);
        }
        (void)t.skip();
        if (t.append()) {
            for (int i = 0; i < t.fieldCount(); ++i)
                (void)t.putField(i, t.field(i).type == 'M' || t.field(i).type == 'C'
                                        ? Value(std::string("x"))
                                        : Value());
        }
        (void)t.close();
    }
}

}  // namespace
}  // namespace drav::data
