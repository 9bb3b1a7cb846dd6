// The table driver in one process: the bytes it writes, navigation over
// deleted records, field values, exclusive appends and the header, observers,
// scans, pack and zap.
#include "data/dbf/TableErrors.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/DbfTestUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <fstream>

namespace drav::data {
namespace {

using namespace testutil;

TEST(TableFile, CreateWritesTheHeaderAndAnEmptyMemoFile) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, codiceNote()));
    std::string b = readFile(path);
    ASSERT_EQ(b.size(), 99u);
    EXPECT_EQ(static_cast<uint8_t>(b[0]), 0xF5);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), tm.tm_year);
    EXPECT_EQ(static_cast<uint8_t>(b[2]), tm.tm_mon + 1);
    EXPECT_EQ(static_cast<uint8_t>(b[3]), tm.tm_mday);
    EXPECT_EQ(le32(b, 4), 0u);
    EXPECT_EQ(le16(b, 8), 98);
    EXPECT_EQ(le16(b, 10), 21);
    EXPECT_EQ(b.substr(12, 20), std::string(20, '\0'));
    EXPECT_EQ(b.substr(32, 11), std::string("CODICE\0\0\0\0\0", 11));
    EXPECT_EQ(b[43], 'C');
    EXPECT_EQ(b.substr(44, 4), std::string(4, '\0'));
    EXPECT_EQ(b[48], 10);
    EXPECT_EQ(b[49], 0);
    EXPECT_EQ(b.substr(50, 14), std::string(14, '\0'));
    EXPECT_EQ(b.substr(64, 11), std::string("NOTE\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(b[75], 'M');
    EXPECT_EQ(b[80], 10);
    EXPECT_EQ(b[96], 0x0D);
    EXPECT_EQ(b[97], 0x00);
    EXPECT_EQ(b[98], 0x1A);

    std::string m = readFile(dir.file("T.DBT"));
    ASSERT_EQ(m.size(), 1024u);
    EXPECT_EQ(m.substr(0, 8), std::string("\0\0\0\x10\0\0\0\x40", 8));
    for (size_t i = 8; i < 15; ++i)  // the writer's seven-letter signature
        EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(m[i]))) << i;
    EXPECT_EQ(m[15], '\0');
    EXPECT_EQ(m.substr(16, 496), std::string(496, '\0'));
    EXPECT_EQ(m.substr(512, 11), std::string("FlexFile3\x03\0", 11));
    EXPECT_EQ(m.substr(523), std::string(501, '\0'));

    // Without memo fields: version 0x03 and no memo file.
    ASSERT_TRUE(TableFile::create(dir.file("A.DBF"), {{"ATTIVITA", 'C', 20, 0}}));
    EXPECT_EQ(static_cast<uint8_t>(readFile(dir.file("A.DBF"))[0]), 0x03);
    EXPECT_FALSE(std::ifstream(dir.file("A.DBT")).good());
}

TEST(TableFile, CreateRefusesFieldListsThatCannotMakeATable) {
    TempDir dir;
    std::vector<FieldDef> tooMany;
    for (int i = 0; i < 2047; ++i) tooMany.push_back({"F" + std::to_string(i), 'L', 1, 0});
    const std::vector<std::vector<FieldDef>> bad = {
        {},
        tooMany,
        {{"NOMEBENLUNGO", 'C', 10, 0}},  // 12 characters
        {{"A B", 'C', 10, 0}},
        {{"X", 'Q', 1, 0}},
        {{"X", 'N', 4, 3}},  // no room for the digit before the point
        {{"X", 'D', 6, 0}},
        {{"X", 'C', 0, 0}},
        {{"X", 'C', 40000, 0}, {"Y", 'C', 30000, 0}},
    };
    for (const auto& fields : bad) {
        Status s = TableFile::create(dir.file("T.DBF"), fields);
        EXPECT_EQ(s.code(), Status::Code::Invalid) << fields.size();
        EXPECT_EQ(tableErrorInfo(s, TableOp::Create).genCode, gen::Create);
    }
    tooMany.pop_back();
    EXPECT_TRUE(TableFile::create(dir.file("T.DBF"), tooMany));  // 2046 is the limit
    TableFile t;
    EXPECT_TRUE(t.open(dir.file("T.DBF"), File::Share::Exclusive, true));
    EXPECT_EQ(t.fieldCount(), 2046);
}

TEST(TableFile, EveryScheduledTableRoundTripsItsLayout) {
    TempDir dir;
    for (const TableDef& def : schemaTables()) {
        std::string path = dir.file(def.name + ".DBF");
        ASSERT_TRUE(TableFile::create(path, def.fields)) << def.name;
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Shared, true)) << def.name;
        EXPECT_EQ(t.layout().fields(), def.fields) << def.name;
    }
}

TEST(TableFile, FieldValuesOfEveryType) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"NOME", 'C', 5, 0},
                                         {"IMPORTO", 'N', 7, 2},
                                         {"DATA", 'D', 8, 0},
                                         {"FATTO", 'L', 1, 0},
                                         {"NOTE", 'M', 10, 0},
                                         {"PREZZO", 'N', 4, 2}}));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    ASSERT_TRUE(t.append());
    // A new record reads blank: "", 0, empty date, false, empty memo.
    Value v;
    ASSERT_TRUE(t.getField(1, &v));
    EXPECT_EQ(std::get<double>(v), 0.0);
    ASSERT_TRUE(t.getField(2, &v));
    EXPECT_TRUE(std::get<Date>(v).isEmpty());
    ASSERT_TRUE(t.getField(3, &v));
    EXPECT_FALSE(std::get<bool>(v));
    EXPECT_EQ(text(t, 4), "");

    ASSERT_TRUE(t.putField(0, std::string("Rossi Mario")));  // cut to 5
    ASSERT_TRUE(t.putField(1, -12.5));
    ASSERT_TRUE(t.putField(2, Date::fromYmd(2026, 3, 5)));
    ASSERT_TRUE(t.putField(3, true));
    ASSERT_TRUE(t.putField(4, std::string("riga uno\r\nriga due")));
    Status w = t.putField(5, 123.45);
    EXPECT_TRUE(w.isDataWidth());
    EXPECT_EQ(tableErrorInfo(w, TableOp::Write).genCode, gen::DataWidth);
    EXPECT_EQ(t.putField(3, std::string("T")).code(), Status::Code::Invalid);  // not a logical
    ASSERT_TRUE(t.close());

    std::string b = readFile(path);
    size_t hdr = 32 + 6 * 32 + 2;
    EXPECT_EQ(b.substr(hdr, 1 + 5 + 7 + 8 + 1 + 10 + 4),
              std::string(" Rossi -12.5020260305T        16****"));
    EXPECT_EQ(b.size(), hdr + 36 + 1);
    EXPECT_EQ(b.back(), 0x1A);

    ASSERT_TRUE(t.open(path, File::Share::Shared, true));
    EXPECT_EQ(text(t, 0), "Rossi");
    EXPECT_EQ(text(t, 4), "riga uno\r\nriga due");
    ASSERT_TRUE(t.getField(5, &v));
    EXPECT_EQ(std::get<double>(v), 0.0);  // asterisks read as zero
    EXPECT_EQ(t.fieldBytes(1), " -12.50");
    EXPECT_EQ(t.putField(0, std::string("x")).code(), Status::Code::Invalid);  // read-only
}

TEST(TableFile, LogicalsReadTheLettersOtherWritersUse) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"OK", 'L', 1, 0}}));
    std::string b = readFile(path);
    b.pop_back();
    for (char c : std::string("TtYyFN ?")) b += std::string(" ") + c;
    putLe16(b, 4, 8);
    writeFile(path, b);
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, true));
    std::string seen;
    for (; !t.eof(); (void)t.skip()) seen += std::get<bool>(t.fieldValue(0)) ? '1' : '0';
    EXPECT_EQ(seen, "11110000");
}

class TenRecords : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("T.DBF");
        ASSERT_TRUE(TableFile::create(path, {{"N", 'N', 3, 0}}));
        ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
        for (int i = 1; i <= 10; ++i) appendRow(t, {{0, double(i)}});
    }
    void remove(std::initializer_list<int> recnos) {
        for (int r : recnos) {
            ASSERT_TRUE(t.goTo(r));
            ASSERT_TRUE(t.deleteRecord());
        }
        ASSERT_TRUE(t.commit());
    }
    std::string walk(bool backward = false) {
        std::string s;
        EXPECT_TRUE(backward ? t.goBottom() : t.goTop());
        while (!(backward ? t.bof() : t.eof())) {
            s += std::to_string(t.recno()) + " ";
            EXPECT_TRUE(t.skip(backward ? -1 : 1));
        }
        return s;
    }
    TempDir dir;
    std::string path;
    TableFile t;
};

TEST_F(TenRecords, NavigationPassesOverDeletedRecords) {
    remove({1, 4, 5, 10});
    EXPECT_EQ(walk(), "2 3 6 7 8 9 ");
    EXPECT_EQ(walk(true), "9 8 7 6 3 2 ");
    // Past the end: end of table on the record after the last; back from there: the last visible.
    ASSERT_TRUE(t.goBottom());
    ASSERT_TRUE(t.skip());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recno(), 11u);
    ASSERT_TRUE(t.skip(-1));
    EXPECT_EQ(t.recno(), 9u);
    // Before the start: beginning of table, staying on the first visible record.
    ASSERT_TRUE(t.goTop());
    ASSERT_TRUE(t.skip(-1));
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recno(), 2u);
    ASSERT_TRUE(t.skip(3));
    EXPECT_EQ(t.recno(), 7u);
    // goTo reaches a deleted record; numbers beyond the count are end of table.
    ASSERT_TRUE(t.goTo(4));
    EXPECT_TRUE(t.deleted());
    ASSERT_TRUE(t.goTo(99));
    EXPECT_TRUE(t.eof());
    uint32_t n = 0;
    ASSERT_TRUE(t.recCount(&n));
    EXPECT_EQ(n, 10u);  // deleted records still count until the table is packed
}

TEST_F(TenRecords, AllDeletedIsAnEmptyTable) {
    remove({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_TRUE(t.goTop());
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    ASSERT_TRUE(t.goBottom());
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    ASSERT_TRUE(t.goTo(3));
    ASSERT_TRUE(t.recall());
    EXPECT_EQ(walk(), "3 ");
}

TEST_F(TenRecords, PackKeepsLiveRecordsInOrderAndZapEmpties) {
    remove({2, 5, 6});
    ASSERT_TRUE(t.pack());
    EXPECT_EQ(walk(), "1 2 3 4 5 6 7 ");
    std::string values;
    for ((void)t.goTop(); !t.eof(); (void)t.skip()) values += t.fieldBytes(0);
    EXPECT_EQ(values, "  1  3  4  7  8  9 10");
    ASSERT_TRUE(t.close());
    std::string b = readFile(path);
    EXPECT_EQ(le32(b, 4), 7u);
    EXPECT_EQ(b.size(), 66u + 7 * 4 + 1);
    EXPECT_EQ(b.back(), 0x1A);

    ASSERT_TRUE(t.open(path, File::Share::Shared, false));
    EXPECT_EQ(t.pack().code(), Status::Code::Invalid);  // needs the table alone
    EXPECT_EQ(tableErrorInfo(t.zap(), TableOp::Maintain).genCode, gen::Exclusive);
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    ASSERT_TRUE(t.zap());
    EXPECT_TRUE(t.eof() && t.bof());
    ASSERT_TRUE(t.close());
    b = readFile(path);
    EXPECT_EQ(le32(b, 4), 0u);
    EXPECT_EQ(b.size(), 67u);
    EXPECT_EQ(b.back(), 0x1A);
}

TEST(TableFile, ExclusiveAppendStaysInMemoryUntilCommitAndHeaderUntilFlush) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"C", 'C', 3, 0}}));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.putField(0, std::string("abc")));
    EXPECT_EQ(readFile(path).size(), 67u);  // nothing written yet
    ASSERT_TRUE(t.append());                // leaving the first writes it
    std::string b = readFile(path);
    EXPECT_EQ(b.substr(66, 4), " abc");
    EXPECT_EQ(le32(b, 4), 0u);  // header at flush
    ASSERT_TRUE(t.flush());
    b = readFile(path);
    EXPECT_EQ(le32(b, 4), 2u);
    EXPECT_EQ(b.substr(66), std::string(" abc    \x1A"));
    ASSERT_TRUE(t.close());
}

// The header's date of last write and its record count follow every append:
// at once in a shared table, at the flush in an exclusive one.
TEST(TableFile, AppendsRewriteTheHeaderDateAndCount) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"C", 'C', 3, 0}}));
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    const std::string today = {static_cast<char>(tm.tm_year), static_cast<char>(tm.tm_mon + 1),
                               static_cast<char>(tm.tm_mday)};
    const std::string longAgo = {static_cast<char>(99), 1, 2};
    for (File::Share share : {File::Share::Shared, File::Share::Exclusive}) {
        SCOPED_TRACE(share == File::Share::Shared ? "shared" : "exclusive");
        std::string b = readFile(path);
        b.replace(1, 3, longAgo);
        writeFile(path, b);
        TableFile t;
        ASSERT_TRUE(t.open(path, share, false));
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.putField(0, std::string("abc")));
        ASSERT_TRUE(t.commit());
        b = readFile(path);
        if (share == File::Share::Shared) {
            EXPECT_EQ(b.substr(1, 3), today);
            EXPECT_EQ(le32(b, 4), 1u);
        } else {
            EXPECT_EQ(b.substr(1, 3), longAgo);
            EXPECT_EQ(le32(b, 4), 1u);  // still the shared append's count
            ASSERT_TRUE(t.flush());
            b = readFile(path);
            EXPECT_EQ(b.substr(1, 3), today);
            EXPECT_EQ(le32(b, 4), 2u);
        }
        ASSERT_TRUE(t.close());
    }
}

TEST(TableFile, RecordsBeyondALaggingHeaderAreKept) {
    // A station that stopped between writing its record and rewriting the
    // header leaves the count one short; the file size is the truth.
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"C", 'C', 3, 0}}));
    std::string b = readFile(path);
    b.pop_back();
    b += " one two\x1A";
    writeFile(path, b);  // header still says 0 records
    for (File::Share share : {File::Share::Exclusive, File::Share::Shared}) {
        TableFile t;
        ASSERT_TRUE(t.open(path, share, false));
        uint32_t n = 0;
        ASSERT_TRUE(t.recCount(&n));
        EXPECT_EQ(n, 2u);
        ASSERT_TRUE(t.goBottom());
        EXPECT_EQ(text(t, 0), "two");
    }
    // A half-written last record is not a record.
    writeFile(path, b.substr(0, b.size() - 3));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, true));
    EXPECT_EQ(t.knownCount(), 1u);
}

// Records what a tag would see.
class Recorder : public TableObserver {
public:
    Status beforeChange(const RecordContext& r, bool appended) override {
        log += "before(" + std::to_string(r.recno()) + (appended ? ",new" : "") + "," +
               std::string(r.fieldBytes(0)) + (r.deleted() ? ",del" : "") + ") ";
        return Status::ok();
    }
    Status recordWritten(const RecordContext& r) override {
        log += "written(" + std::to_string(r.recno()) + "," + std::string(r.fieldBytes(0)) +
               (r.deleted() ? ",del" : "") + ") ";
        return Status::ok();
    }
    std::string log;
};

TEST(TableFile, ObserversSeeEachChangeOnceBeforeAndOnceWritten) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"C", 'C', 2, 0}, {"D", 'C', 2, 0}}));
    for (File::Share share : {File::Share::Exclusive, File::Share::Shared}) {
        SCOPED_TRACE(share == File::Share::Shared ? "shared" : "exclusive");
        TableFile t;
        ASSERT_TRUE(t.open(path, share, false));
        ASSERT_TRUE(t.zap().isOk() || share == File::Share::Shared);
        uint32_t base = t.knownCount();
        Recorder rec;
        t.addObserver(&rec);
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.putField(0, std::string("ab")));
        ASSERT_TRUE(t.putField(1, std::string("cd")));
        ASSERT_TRUE(t.commit());
        ASSERT_TRUE(t.commit());  // nothing changed: nothing to tell
        std::string n = std::to_string(base + 1);
        EXPECT_EQ(rec.log, "before(" + n + ",new,  ) written(" + n + ",ab) ");

        rec.log.clear();
        ASSERT_TRUE(t.append());  // a blank record is written and told even if untouched
        ASSERT_TRUE(t.goTo(base + 1));
        std::string m = std::to_string(base + 2);
        EXPECT_EQ(rec.log, "before(" + m + ",new,  ) written(" + m + ",  ) ");

        rec.log.clear();
        ASSERT_TRUE(t.lockRecord());
        ASSERT_TRUE(t.putField(0, std::string("xy")));
        ASSERT_TRUE(t.deleteRecord());
        ASSERT_TRUE(t.unlockAll());  // writes before releasing
        EXPECT_EQ(rec.log, "before(" + n + ",ab) written(" + n + ",xy,del) ");
        t.removeObserver(&rec);
        ASSERT_TRUE(t.lockRecord());
        ASSERT_TRUE(t.recall());
        ASSERT_TRUE(t.close());
        EXPECT_EQ(rec.log, "before(" + n + ",ab) written(" + n + ",xy,del) ");
    }
}

TEST(TableFile, SharedWritesNeedTheRecordOrTheFileLock) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"C", 'C', 2, 0}}));
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Shared, false));
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.append());  // record 1 written and its lock released
    EXPECT_TRUE(t.hasRecordLock(2));
    EXPECT_FALSE(t.hasRecordLock(1));
    ASSERT_TRUE(t.goTo(1));
    Status s = t.putField(0, std::string("no"));
    EXPECT_EQ(tableErrorInfo(s, TableOp::Write).genCode, gen::LockRequired);
    EXPECT_EQ(tableErrorInfo(t.deleteRecord(), TableOp::Write).genCode, gen::LockRequired);
    ASSERT_TRUE(t.lockRecord());
    EXPECT_FALSE(t.hasRecordLock(2));                          // one record lock at a time
    EXPECT_EQ(t.lockRecord(3).code(), Status::Code::Invalid);  // would block the next append
    EXPECT_TRUE(t.putField(0, std::string("ok")));
    ASSERT_TRUE(t.unlockAll());
    ASSERT_TRUE(t.lockFile());
    ASSERT_TRUE(t.goTo(2));
    EXPECT_TRUE(t.putField(0, std::string("fl")));
    ASSERT_TRUE(t.close());
    EXPECT_EQ(readFile(path).substr(66), " ok fl\x1A");
}

TEST(TableFile, ScanVisitsEveryRecordInPhysicalOrder) {
    TempDir dir;
    std::string path = dir.file("T.DBF");
    ASSERT_TRUE(TableFile::create(path, {{"N", 'N', 6, 0}, {"F", 'C', 331, 0}}));  // 337 bytes
    TableFile t;
    ASSERT_TRUE(t.open(path, File::Share::Exclusive, false));
    const uint32_t total = 7000;  // several read blocks
    for (uint32_t i = 1; i <= total; ++i) {
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.putField(0, double(i)));
        if (i % 3 == 0) {
            ASSERT_TRUE(t.deleteRecord());
        }
    }
    // The last append is still only in memory: the scan writes it first.
    auto scan = t.scan();
    EXPECT_EQ(scan->maxRecno(), total);
    EXPECT_EQ(&scan->currentRecord(), static_cast<const RecordContext*>(&t));
    uint32_t expected = 1, deleted = 0;
    Status s = scan->forEach([&](const RecordContext& r) {
        EXPECT_EQ(r.recno(), expected);
        EXPECT_EQ(std::get<double>(r.fieldValue(0)), double(expected));
        deleted += r.deleted();
        ++expected;
        return Status::ok();
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(expected, total + 1);
    EXPECT_EQ(deleted, total / 3);
    // A failure stops the scan and comes back.
    int visits = 0;
    Status stop = scan->forEach([&](const RecordContext&) {
        return ++visits == 5 ? Status::invalid("T", "stop") : Status::ok();
    });
    EXPECT_EQ(stop.what(), "stop");
    EXPECT_EQ(visits, 5);
}

}  // namespace
}  // namespace drav::data
