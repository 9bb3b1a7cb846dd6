// The runs table with its memo file and its three tags against a model kept
// in memory: thousands of random appends, edits (a run numbered or put back
// among the future ones, its day, its suspension, its notes), deletes,
// recalls, and now and then the pack and tag rebuild of the maintenance.
// After every batch each tag must list exactly the model's records in the
// model's order, pass the index checker, and every field and memo must read
// back as the model says.
#include "data/cdx/IndexChecker.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace drav::data {
namespace {

struct RunRow {
    int numero = 0;
    Date data;
    std::string ora, cliente, notmitt, notdest;
    bool sospeso = false, deleted = false;
};

std::string str3(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%3d", n);
    return b;
}

std::string pad(std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
}

// The key each tag gives a run, or nothing when the run is not in it.
std::optional<std::string> keyFor(const std::string& tag, const RunRow& r) {
    if (r.deleted) return std::nullopt;
    if (tag == "CORSE")
        return r.numero ? std::optional(r.data.dtos() + str3(r.numero)) : std::nullopt;
    if (tag == "FUTURE")
        return r.numero ? std::nullopt : std::optional(r.data.dtos() + pad(r.ora, 5));
    return std::string(r.sospeso ? "S" : " ") + r.data.dtos() + str3(r.numero);
}

const char* const kTags[] = {"CORSE", "FUTURE", "SOSPESI"};

class Differential : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("CORSE.DBF");
        ASSERT_TRUE(TableFile::create(path, findTable("CORSE")->fields));
        rebuild();
    }
    void TearDown() override { closeAll(); }

    void openAll(bool shared) {
        m_shared = shared;
        ASSERT_TRUE(table.open(path, shared ? File::Share::Shared : File::Share::Exclusive, false));
        for (const char* name : kTags) {
            IndexOpenOptions o;
            o.shared = shared;
            o.tableName = "CORSE";
            std::unique_ptr<IndexFile> f;
            Status s = IndexFile::open(dir.file(std::string(name) + ".NTX"), table, o, f);
            ASSERT_TRUE(s) << s.toString();
            table.addObserver(&f->tag());
            tags.push_back(std::move(f));
        }
    }
    void closeAll() {
        ASSERT_TRUE(table.close());
        for (auto& f : tags) table.removeObserver(&f->tag());
        tags.clear();
    }

    // The maintenance: exclusive, pack, every tag built again from scratch.
    void rebuild(bool pack = false) {
        ASSERT_TRUE(table.open(path, File::Share::Exclusive, false));
        if (pack) {
            ASSERT_TRUE(table.pack());
            model.erase(std::remove_if(model.begin(), model.end(),
                                       [](const RunRow& r) { return r.deleted; }),
                        model.end());
        }
        auto scan = table.scan();
        for (const char* name : kTags) {
            const TagDef* def = findTag(name);
            ASSERT_TRUE(test::buildTag(dir.file(def->fileName()), *scan, def->keyText,
                                       def->conditionText, false));
        }
        ASSERT_TRUE(table.close());
    }

    Status lockCurrent() { return table.lockRecord(); }

    void put(const char* field, const Value& v) {
        Status s = table.putField(table.fieldIndex(field), v);
        ASSERT_TRUE(s) << field << ": " << s.toString();
    }

    std::string randomText(size_t maxLength) {
        static const char letters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz\xE0\xE8";
        std::string s(rng() % (maxLength + 1), ' ');
        for (char& c : s) c = letters[rng() % (sizeof letters - 1)];
        return s;
    }
    // Memo lengths around the block edges (56 bytes fill one block exactly).
    std::string randomMemo() {
        static const size_t lengths[] = {0, 0, 0, 1, 55, 56, 57, 119, 120, 121, 300, 1000};
        std::string s = randomText(0);
        size_t n = lengths[rng() % std::size(lengths)];
        for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + rng() % 26));
        return s;
    }
    int randomNumero() { return rng() % 3 == 0 ? 0 : 1 + static_cast<int>(rng() % 999); }
    Date randomDay() { return Date::fromYmd(2024, 3, 1).addDays(static_cast<int>(rng() % 15)); }
    std::string randomOra() {
        char b[8];
        std::snprintf(b, sizeof b, "%02d:%02d", static_cast<int>(rng() % 24),
                      static_cast<int>(rng() % 60));
        return b;
    }

    void append() {
        RunRow r;
        r.numero = randomNumero();
        r.data = randomDay();
        r.ora = randomOra();
        r.cliente = randomText(35);
        r.sospeso = rng() % 5 == 0;
        r.notmitt = randomMemo();
        r.notdest = rng() % 4 == 0 ? randomMemo() : "";
        ASSERT_TRUE(table.append());
        put("NUMERO", double(r.numero));
        put("DATA", r.data);
        put("ORA", r.ora);
        put("CLIENTE", r.cliente);
        put("SOSPESO", r.sospeso);
        put("NOTMITT", r.notmitt);
        if (!r.notdest.empty()) put("NOTDEST", r.notdest);
        ASSERT_TRUE(table.unlockAll());
        model.push_back(r);
        ASSERT_EQ(table.knownCount(), model.size());
    }

    // One random change of an existing record under its lock.
    void edit() {
        uint32_t recno = 1 + static_cast<uint32_t>(rng() % model.size());
        RunRow& r = model[recno - 1];
        ASSERT_TRUE(table.goTo(recno));
        ASSERT_TRUE(lockCurrent());
        switch (rng() % 7) {
            case 0:  // a future run gets a number, a numbered one goes back
                r.numero = r.numero ? 0 : 1 + static_cast<int>(rng() % 999);
                put("NUMERO", double(r.numero));
                break;
            case 1:
                r.data = rng() % 10 ? randomDay() : Date();
                put("DATA", r.data);
                break;
            case 2:
                r.sospeso = !r.sospeso;
                put("SOSPESO", r.sospeso);
                break;
            case 3:
                r.notmitt = randomMemo();
                put("NOTMITT", r.notmitt);
                if (rng() % 2) {  // changed twice before the write
                    r.notmitt = randomMemo();
                    put("NOTMITT", r.notmitt);
                }
                break;
            case 4:
                if (!r.deleted) {
                    r.deleted = true;
                    ASSERT_TRUE(table.deleteRecord());
                }
                break;
            case 5:
                if (r.deleted) {
                    r.deleted = false;
                    ASSERT_TRUE(table.recall());
                }
                break;
            case 6:  // several fields, the key moving twice
                r.numero = randomNumero();
                r.data = randomDay();
                r.ora = randomOra();
                r.notdest = randomMemo();
                put("NUMERO", double(r.numero));
                put("DATA", r.data);
                put("ORA", r.ora);
                put("NOTDEST", r.notdest);
                break;
        }
        // Written by the move to another record or by the release.
        if (rng() % 2) {
            ASSERT_TRUE(table.goTo(1 + static_cast<uint32_t>(rng() % model.size())));
        }
        ASSERT_TRUE(table.unlockAll());
    }

    // The checker reads the files on its own: the tags must be in them,
    // sound, and hold exactly the keys of the records.
    void checkFiles(TableFile& t) {
        auto scan = t.scan();
        for (const char* name : kTags)
            EXPECT_EQ(IndexChecker::check(dir.file(std::string(name) + ".NTX"), t, scan.get()),
                      std::vector<std::string>{})
                << name;
    }
    void checkClosedFiles() {
        TableFile t;
        ASSERT_TRUE(t.open(path, File::Share::Shared, true));
        checkFiles(t);
    }

    void verify(const std::string& when) {
        SCOPED_TRACE(when);
        ASSERT_TRUE(table.commit());
        for (size_t i = 0; i < tags.size(); ++i) {
            const std::string name = kTags[i];
            std::vector<std::pair<std::string, uint32_t>> expected;
            for (uint32_t r = 1; r <= model.size(); ++r)
                if (auto k = keyFor(name, model[r - 1])) expected.emplace_back(*k, r);
            std::sort(expected.begin(), expected.end());
            std::vector<uint32_t> want;
            for (const auto& e : expected) want.push_back(e.second);
            EXPECT_EQ(test::recnosInOrder(tags[i]->tag()), want) << name;
            uint64_t count = 0;
            ASSERT_TRUE(tags[i]->tag().keyCount(&count));
            EXPECT_EQ(count, want.size()) << name;
        }
        if (m_shared) checkFiles(table);
        uint32_t count = 0;
        ASSERT_TRUE(table.recCount(&count));
        ASSERT_EQ(count, model.size());
        for (uint32_t r = 1; r <= model.size(); ++r) {
            const RunRow& m = model[r - 1];
            ASSERT_TRUE(table.goTo(r));
            Value v;
            ASSERT_EQ(table.deleted(), m.deleted) << r;
            ASSERT_TRUE(table.getField(table.fieldIndex("NUMERO"), &v));
            ASSERT_EQ(std::get<double>(v), m.numero) << r;
            ASSERT_TRUE(table.getField(table.fieldIndex("DATA"), &v));
            ASSERT_EQ(std::get<Date>(v), m.data) << r;
            ASSERT_TRUE(table.getField(table.fieldIndex("NOTMITT"), &v));
            ASSERT_EQ(std::get<std::string>(v), m.notmitt) << r;
            ASSERT_TRUE(table.getField(table.fieldIndex("NOTDEST"), &v));
            ASSERT_EQ(std::get<std::string>(v), m.notdest) << r;
        }
    }

    test::TempDir dir;
    std::string path;
    TableFile table;
    std::vector<std::unique_ptr<IndexFile>> tags;
    std::vector<RunRow> model;
    std::mt19937 rng{20240301};
    bool m_shared = true;
};

TEST_F(Differential, RandomWorkOnTheRunsTableKeepsEveryTagExact) {
    test::ThrowOnFatal fatalThrows;
    const int batches = 36, perBatch = 120;
    for (int b = 0; b < batches; ++b) {
        // Mostly as a station works (shared, locks), now and then alone.
        openAll(b % 6 != 5);
        for (int i = 0; i < perBatch; ++i) {
            if (model.empty() || rng() % 5 < 2)
                append();
            else
                edit();
            if (HasFatalFailure()) return;
        }
        verify("batch " + std::to_string(b) + (m_shared ? " shared" : " exclusive"));
        if (HasFatalFailure()) return;
        closeAll();
        if (!m_shared) checkClosedFiles();
        if (b % 9 == 8) {
            rebuild(true);
            openAll(true);
            verify("pack after batch " + std::to_string(b));
            closeAll();
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
}  // namespace drav::data
