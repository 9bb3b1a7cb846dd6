// Building a tag: sorting in runs spilled to one temporary file, the tree
// written left to right, the stored texts, and the refusals of keys and
// conditions the file cannot hold.
#include "data/cdx/IndexChecker.h"
#include "data/os/File.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace drav::data {
namespace {

using test::MemTable;

std::vector<std::string> tempFiles(const std::string& folder) {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(folder)) {
        std::string name = e.path().filename().string();
        if (!name.empty() && name[0] == '\x7F') out.push_back(name);
    }
    return out;
}

// A scan that looks into the temporary folder while the last record is
// visited, when the build has spilled every run but the last.
class WatchedScan : public RecordScan {
public:
    WatchedScan(MemTable& t, std::string folder) : m_t(t), m_folder(std::move(folder)) {}
    const RecordContext& currentRecord() override { return m_t.currentRecord(); }
    uint32_t maxRecno() override { return m_t.maxRecno(); }
    Status forEach(const std::function<Status(const RecordContext&)>& visit) override {
        return m_t.forEach([&](const RecordContext& r) {
            if (r.recno() == m_t.count()) m_seen = tempFiles(m_folder);
            return visit(r);
        });
    }
    std::vector<std::string> m_seen;

private:
    MemTable& m_t;
    std::string m_folder;
};

class TagBuild : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(7);
        for (int i = 0; i < 6000; ++i) {
            Date d = Date::fromYmd(2024, 1, 1).addDays(static_cast<int>(rng() % 30));
            test::addRun(m_t, static_cast<int>(rng() % 12), d, "08:00", "", rng() % 9 == 0);
            if (rng() % 17 == 0) {
                m_t.setDeleted(true);
                ASSERT_TRUE(m_t.commit());
            }
        }
    }

    Status build(const std::string& file, size_t runBytes, IndexBuildOptions o,
                 std::unique_ptr<IndexFile>& out, RecordScan* scan = nullptr) {
        o.runBytes = runBytes;
        o.tempFolder = m_tmp.path();
        o.tableName = "CORSE";
        return IndexFile::create(m_dir.file(file), scan ? *scan : m_t, o, out);
    }
    static IndexBuildOptions sospesi() {
        IndexBuildOptions o;
        o.keyText = test::kSospesi.key;
        o.conditionText = test::kSospesi.condition;
        return o;
    }

    test::TempDir m_dir, m_tmp;
    MemTable m_t = test::runsTable();
};

// Runs of a few hundred pairs spill to one temporary file, gone after the
// build; the file is the same, byte for byte, as one sorted in memory.
TEST_F(TagBuild, SpilledRunsGiveTheSameFileAsOneRun) {
    std::unique_ptr<IndexFile> inMemory, spilled;
    ASSERT_TRUE(build("MEM.NTX", size_t(1) << 20, sospesi(), inMemory));
    WatchedScan scan(m_t, m_tmp.path());
    ASSERT_TRUE(build("SPILL.NTX", 3000, sospesi(), spilled, &scan));
    EXPECT_EQ(scan.m_seen.size(), 1u) << "one temporary file for all the runs";
    EXPECT_TRUE(tempFiles(m_tmp.path()).empty());
    inMemory.reset();
    spilled.reset();
    std::string a = test::readFile(m_dir.file("MEM.NTX"));
    std::string b = test::readFile(m_dir.file("SPILL.NTX"));
    ASSERT_EQ(a.size(), b.size());
    // Only the directory leaf, holding the tag's name, differs.
    EXPECT_EQ(a.substr(0, 1024), b.substr(0, 1024));
    EXPECT_EQ(a.substr(1536), b.substr(1536));
    EXPECT_EQ(IndexChecker::check(m_dir.file("SPILL.NTX"), m_t, &m_t), std::vector<std::string>{});
}

TEST_F(TagBuild, ConditionsViewsAndUniqueKeys) {
    struct Case {
        const char* key;
        const char* stored;     // condition text kept in the header
        const char* evaluated;  // the view's own condition, or null
        bool unique;
    };
    const Case cases[] = {
        {test::kCorse.key, test::kCorse.condition, nullptr, false},
        {test::kFuture.key, test::kFuture.condition, nullptr, false},
        {"RECNO()", "!DELETED()", "sospeso .AND. !DELETED()", false},
        {"DTOS( data )", "!DELETED()", nullptr, true},
        {".T.", "", nullptr, false},
    };
    for (const Case& c : cases) {
        IndexBuildOptions o;
        o.keyText = c.key;
        o.conditionText = c.stored;
        o.unique = c.unique;
        Expression view;
        if (c.evaluated) {
            ASSERT_TRUE(Expression::compile(c.evaluated, m_t, view));
            o.condition = &view;
        }
        std::unique_ptr<IndexFile> f;
        ASSERT_TRUE(build("\x7FVIEW3.NTX", 4000, o, f)) << c.key;
        EXPECT_EQ(f->tag().name(), "\x7FVIEW3");
        EXPECT_EQ(f->tag().conditionText(), c.stored);
        f.reset();
        EXPECT_EQ(IndexChecker::check(m_dir.file("\x7FVIEW3.NTX"), m_t, &m_t,
                                      c.evaluated ? &view : nullptr),
                  std::vector<std::string>{})
            << c.key;
    }
}

TEST_F(TagBuild, RefusedKeysAndConditionsCarryTheirCodes) {
    MemTable t({{"CLIENTE", 'C', 35, 0}, {"NOTE", 'M', 10, 0}, {"LUNGO", 'C', 200, 0}});
    t.append();
    ASSERT_TRUE(t.commit());
    struct Case {
        std::string key, condition;
        int gen, sub;
    };
    // "cliente" and a condition of 504 characters: 511 in all, one too many.
    const std::string longText(492, 'x');
    const Case cases[] = {
        {"UPPER( cliente", "", 33, 1026},           // no usable value
        {"note", "!DELETED()", 34, 1026},           // empty text: length 0
        {"lungo + lungo", "!DELETED()", 34, 1026},  // 400 bytes
        {"cliente", "'" + longText + "' $ cliente", 34, 1054},
        {"cliente", "cliente", 33, 1053},
        {"cliente", "DELETED(", 33, 1053},
    };
    for (const Case& c : cases) {
        IndexBuildOptions o;
        o.keyText = c.key;
        o.conditionText = c.condition;
        o.shared = false;
        std::unique_ptr<IndexFile> f;
        Status s = IndexFile::create(m_dir.file("X.NTX"), t, o, f);
        EXPECT_FALSE(s) << c.key;
        EXPECT_EQ(s.genCode(), c.gen) << c.key << " / " << c.condition;
        EXPECT_EQ(s.subCode(), c.sub) << c.key << " / " << c.condition;
        EXPECT_FALSE(f);
    }
    IndexBuildOptions o;
    o.keyText = "cliente";
    o.conditionText = "'" + longText.substr(1) + "' $ cliente";  // 510 in all
    std::unique_ptr<IndexFile> f;
    EXPECT_TRUE(IndexFile::create(m_dir.file("X.NTX"), t, o, f));
}

TEST_F(TagBuild, FileThatCannotBeCreatedIsACreateError) {
    IndexBuildOptions o = sospesi();
    std::unique_ptr<IndexFile> f;
    Status s = IndexFile::create(m_dir.file("NO/SUCH/DIR.NTX"), m_t, o, f);
    EXPECT_EQ(s.genCode(), 20);
    EXPECT_EQ(s.subCode(), 1006);
    // Held open by another handle: the caller may retry later.
    File other;
    ASSERT_TRUE(File::create(m_dir.file("BUSY.NTX"), File::Share::Shared, other));
    s = IndexFile::create(m_dir.file("BUSY.NTX"), m_t, o, f);
    EXPECT_TRUE(s.isBusy());
    EXPECT_EQ(s.genCode(), 20);
    EXPECT_EQ(s.subCode(), 1006);
}

// The sort's own failures end the program, naming the temporary file step.
TEST_F(TagBuild, SortFailuresAreIntegrityErrors) {
    test::ThrowOnFatal fatal;
    std::unique_ptr<IndexFile> f;
    IndexBuildOptions o = sospesi();
    o.runBytes = 3000;
    o.tempFolder = m_dir.file("MISSING");
    try {
        (void)IndexFile::create(m_dir.file("A.NTX"), m_t, o, f);
        ADD_FAILURE() << "no temporary folder";
    } catch (const test::FatalError& e) {
        EXPECT_EQ(e.number, 9301u);
        EXPECT_EQ(e.text, "zq_cdxSortWritePage: Can't create temporary file.");
    }
    auto previous = setWriteFault([](const std::string& path, uint64_t, size_t, size_t*) {
        return path.find("\x7FSORT") != std::string::npos ? 28 : 0;
    });
    try {
        (void)build("B.NTX", 3000, sospesi(), f);
        ADD_FAILURE() << "temporary file write refused";
    } catch (const test::FatalError& e) {
        EXPECT_EQ(e.number, 9302u);
    }
    setWriteFault(previous);
    EXPECT_TRUE(tempFiles(m_tmp.path()).empty());
    // The index file itself cannot be written: its own integrity error.
    previous = setWriteFault([](const std::string& path, uint64_t, size_t, size_t* allowed) {
        *allowed = 100;
        return path.find("C.NTX") != std::string::npos ? -1 : 0;
    });
    try {
        (void)build("C.NTX", 3000, sospesi(), f);
        ADD_FAILURE() << "index page write cut short";
    } catch (const test::FatalError& e) {
        EXPECT_EQ(e.number, 1011u);
        EXPECT_EQ(e.text.substr(0, 28), "Write in index page failed.\n");
    }
    setWriteFault(previous);
}

}  // namespace
}  // namespace drav::data
