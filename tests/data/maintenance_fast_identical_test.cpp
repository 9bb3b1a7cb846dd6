// The maintenance reads each table once: its pack leaves the file as it is
// up to the first deleted record and hands every record it keeps to the
// memo's reclaim and to the build of every tag. Its files must be, byte for
// byte, those of the maintenance that rewrote the whole table and then read
// it again for the memo and once more for each tag; and it must write
// nothing of the table before its first deleted record.
#include "data/backup/Manutenzione.h"
#include "data/backup/MemoReclaim.h"
#include "data/dbf/TableLayout.h"
#include "data/upgrade/CreateDb.h"
#include "tests/data/backup_fixture.h"
#include "tests/data/upgrade_fixture.h"

#include <ctime>
#include <filesystem>
#include <functional>

namespace drav::data::testupgrade {
namespace {

using test::readFile;

// ---- The maintenance as it was -------------------------------------------------------

// The whole table file written again with its live records, its header
// with today's date and their count, and the end mark.
void packWhole(const std::string& path) {
    std::string bytes = readFile(path);
    ASSERT_GE(bytes.size(), 12u);
    auto le16 = [&](size_t at) {
        return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8;
    };
    const size_t header = le16(8), len = le16(10);
    std::string out = bytes.substr(0, header);
    for (size_t at = header; at + len <= bytes.size(); at += len)
        if (bytes[at] != '*') out.append(bytes, at, len);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    TableLayout::dateAndCount(static_cast<uint32_t>((out.size() - header) / len),
                              tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, out.data() + 1);
    out.push_back(kEofMark);
    test::writeFile(path, out);
}

// Table by table: packed whole, then one reading for the memo and one for
// each tag.
void maintainAsBefore() {
    for (const TableDef& def : schemaTables()) {
        packWhole(tableFileName(def.name));
        ScopedTable t(def.name, {}, false, false);
        t->check(reclaimMemo(t->file()), TableOp::Maintain);
        for (const std::string& name : def.tags) {
            const TagDef* tag = findTag(name);
            ordCondSet(tag->conditionText);
            ordBuild(tag->fileName(), tag->keyExpression);
        }
        t.close();
    }
}

// ---- The folder ------------------------------------------------------------------------

using Deleted = std::function<bool(int)>;  // record (from 1) -> marked deleted

// 7,000 runs (over two blocks of the pack's reading), a day's numbers
// running on, one in nine still unnumbered, one in eleven suspended, notes
// on some (deleted runs among them).
std::vector<OldRecord> runs(const Deleted& deleted) {
    std::vector<OldRecord> out;
    for (int r = 1; r <= 7000; ++r) {
        Values v{{"DATA", Date::fromYmd(2026, 1, 1).addDays(r / 300)},
                 {"NUMERO", double(r % 9 == 0 ? 0 : r % 300 + 1)},
                 {"ORA", std::string(r % 2 ? "09:30" : "15:05")},
                 {"CLIENTE", std::string("Cliente ") + std::to_string(r % 37)},
                 {"SOSPESO", r % 11 == 0}};
        if (r % 13 == 0) v["NOTMITT"] = std::string(10 + r % 150, char('a' + r % 26));
        if (r % 17 == 0) v["NOTDEST"] = std::string("Citofonare");
        out.push_back({v, deleted(r)});
    }
    return out;
}

std::vector<OldRecord> clients(const Deleted& deleted) {
    std::vector<OldRecord> out;
    for (int r = 1; r <= 40; ++r)
        out.push_back({{{"CLIENTE", std::string("Cliente ") + std::to_string(40 - r)},
                        {"NOTE", std::string(r * 7, 'n')},
                        {"FATTURAZ", std::string(r % 3 ? "" : "mensile")}},
                       deleted(r)});
    return out;
}

std::vector<OldRecord> couriers(const Deleted& deleted) {
    std::vector<OldRecord> out;
    const char* names[] = {"Rossi", "Bianchi", "Verdi", "Neri", "Gialli"};
    for (int r = 1; r <= 5; ++r)
        out.push_back({{{"NOMINATIVO", std::string(names[r - 1])},
                        {"SIGLA", std::string(4, char('A' + 5 - r))}},
                       deleted(r)});
    return out;
}

std::vector<OldRecord> books(const Deleted& deleted) {
    std::vector<OldRecord> out;
    for (int r = 1; r <= 30; ++r)
        out.push_back({{{"CLIENTE", std::string(std::to_string(r % 4))},
                        {"DATA", Date::fromYmd(2025, 12, 1).addDays(-r)}},
                       deleted(r)});
    return out;
}

std::vector<OldRecord> invoices(const Deleted& deleted) {
    std::vector<OldRecord> out;
    for (int r = 1; r <= 12; ++r)
        out.push_back(
            {{{"NUMERO", double(r)}, {"FATTURAZ", std::string(r * 20, 'f')}}, deleted(r)});
    return out;
}

// Every table written anew; `every` marks deleted records through them:
// spread through the runs, the first ones of a table, only the last one of
// another, all of a third; one table stays empty.
void writeFolder(bool withDeleted) {
    auto when = [&](Deleted d) -> Deleted {
        return withDeleted ? d : [](int) { return false; };
    };
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("CORSE.DBF", findTable("CORSE")->fields,
               runs(when([](int r) { return r == 3 || r % 97 == 0 || (r > 3100 && r < 3130); })));
    writeTable("CLIENTI.DBF", findTable("CLIENTI")->fields,
               clients(when([](int r) { return r % 4 == 1; })));
    writeTable("PONY.DBF", findTable("PONY")->fields, couriers(when([](int r) { return r == 5; })));
    writeTable("ABBONAM.DBF", findTable("ABBONAM")->fields,
               books(when([](int r) { return r <= 2; })));
    writeTable("FATTURE.DBF", findTable("FATTURE")->fields,
               invoices(when([](int r) { return r > 0; })));
    writeTable("DESTINAT.DBF", findTable("DESTINAT")->fields, {});
}

// ---- Comparing ---------------------------------------------------------------------------

void expectSameFiles(const std::string& before, const std::string& now) {
    const auto a = test::snapshot(before), b = test::snapshot(now);
    for (const auto& [name, bytes] : a) {
        auto it = b.find(name);
        if (it == b.end()) {
            ADD_FAILURE() << name << " missing";
            continue;
        }
        if (it->second == bytes) continue;
        size_t at = 0;
        while (at < bytes.size() && at < it->second.size() && bytes[at] == it->second[at]) ++at;
        ADD_FAILURE() << name << " differs from byte " << at << " (sizes " << bytes.size() << ", "
                      << it->second.size() << ")";
    }
    for (const auto& [name, bytes] : b)
        if (!a.count(name)) ADD_FAILURE() << name << " written only now";
}

using MaintenanceFast = UpgradeTest;

TEST_F(MaintenanceFast, WritesTheSameFilesAsReadingTheTableForEachStep) {
    for (bool withDeleted : {true, false}) {
        SCOPED_TRACE(withDeleted ? "records deleted through the tables" : "nothing deleted");
        writeFolder(withDeleted);
        test::TempDir before, now;
        namespace fs = std::filesystem;
        fs::copy(dir.path(), before.path(), fs::copy_options::recursive);
        fs::copy(dir.path(), now.path(), fs::copy_options::recursive);
        {
            test::ScopedChdir in(before.path());
            maintainAsBefore();
        }
        {
            test::ScopedChdir in(now.path());
            ASSERT_TRUE(manutenzione(false));
        }
        EXPECT_TRUE(errorLog.errors.empty());
        expectSameFiles(before.path(), now.path());
        if (withDeleted) {
            // The folder is what it should be, not only the same.
            test::ScopedChdir in(now.path());
            EXPECT_EQ(readTable("PONY.DBF").size(), 4u);
            EXPECT_TRUE(readTable("FATTURE.DBF").empty());
            EXPECT_EQ(tagEntries("PONY", "SIGLE"), (std::vector<uint32_t>{4, 3, 2, 1}));
        }
    }
}

// ---- What the pack writes ------------------------------------------------------------------

TEST_F(MaintenanceFast, ThePackWritesNothingOfTheTableBeforeItsFirstDeletedRecord) {
    ASSERT_TRUE(createDb(schemaTables()));
    const TableLayout layout = [] {
        TableLayout l;
        EXPECT_TRUE(TableLayout::fromFields("CORSE.DBF", findTable("CORSE")->fields, &l));
        return l;
    }();
    const uint64_t header = layout.headerLength(), len = layout.recordLength();
    const struct {
        int firstDeleted;  // 0: none
        uint32_t kept;
    } cases[] = {{0, 7000}, {5000, 6999}, {1, 6999}, {7000, 6999}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstDeleted);
        writeTable("CORSE.DBF", findTable("CORSE")->fields,
                   runs([&](int r) { return r == c.firstDeleted; }));
        std::vector<std::pair<uint64_t, size_t>> writes;
        auto previous = setWriteFault([&](const std::string& path, uint64_t offset, size_t n,
                                          size_t*) {
            if (path.size() >= 9 && path.compare(path.size() - 9, 9, "CORSE.DBF") == 0)
                writes.emplace_back(offset, n);
            return 0;
        });
        const bool done = manutenzione(false);
        setWriteFault(previous);
        ASSERT_TRUE(done);

        const uint64_t from = c.firstDeleted ? header + (c.firstDeleted - 1) * len : 0;
        const uint64_t end = header + c.kept * len;
        for (const auto& [offset, n] : writes) {
            const bool dateAndCount = offset == 1 && n == 7;
            const bool endMark = offset == end && n == 1;
            const bool moved = c.firstDeleted && offset >= from && offset + n <= end;
            EXPECT_TRUE(dateAndCount || endMark || moved) << n << " bytes at " << offset;
        }
        EXPECT_EQ(readFile("CORSE.DBF").size(), end + 1);
        EXPECT_EQ(readTable("CORSE.DBF").size(), c.kept);
    }
}

}  // namespace
}  // namespace drav::data::testupgrade
