// Damaged and hostile index files: headers that cannot be loaded are
// refused at open as a corrupt file; pages met later end the program with
// the integrity error, never a crash or an endless walk; the checker names
// the damage. Finally, random bytes flipped in a sound file, over and over.
#include "data/cdx/CdxFormat.h"
#include "data/cdx/CdxPage.h"
#include "data/cdx/IndexChecker.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace drav::data {
namespace {

using namespace cdx;
using test::MemTable;

void put16(std::string& b, size_t at, uint16_t v) {
    putLe16(reinterpret_cast<uint8_t*>(&b[at]), v);
}
void put32(std::string& b, size_t at, uint32_t v) {
    putLe32(reinterpret_cast<uint8_t*>(&b[at]), v);
}
uint32_t get32(const std::string& b, size_t at) {
    return getLe32(reinterpret_cast<const uint8_t*>(&b[at]));
}

class Damaged : public ::testing::Test {
protected:
    // Clients with 35-byte names: a tree of a root, interior pages and leaves.
    void SetUp() override {
        std::mt19937 rng(3);
        for (int i = 0; i < 4000; ++i) {
            m_t.append();
            std::string name;
            for (int k = 0; k < 20; ++k) name += static_cast<char>('A' + rng() % 26);
            m_t.setText("CLIENTE", name);
            ASSERT_TRUE(m_t.commit());
        }
        m_path = m_dir.file("CLIENTI.NTX");
        ASSERT_TRUE(test::buildTag(m_path, m_t, "UPPER( cliente )", "!DELETED()"));
        m_sound = test::readFile(m_path);
        m_root = get32(m_sound, 1536);
    }

    Status openWith(const std::string& bytes, std::unique_ptr<IndexFile>& f) {
        test::writeFile(m_path, bytes);
        IndexOpenOptions o;
        o.tableName = "CLIENTI";
        return IndexFile::open(m_path, m_t, o, f);
    }

    CdxPage pageAt(const std::string& bytes, uint32_t offset) {
        CdxPage p(35, ' ');
        EXPECT_EQ(
            CdxPage::decode(reinterpret_cast<const uint8_t*>(&bytes[offset]), offset, 35, ' ', p),
            nullptr);
        return p;
    }
    // The first and second leaves, found down the left edge.
    std::pair<uint32_t, uint32_t> firstLeaves(const std::string& bytes) {
        CdxPage p = pageAt(bytes, m_root);
        while (!p.leaf) p = pageAt(bytes, p.children[0]);
        return {p.offset, p.right};
    }

    test::TempDir m_dir;
    MemTable m_t{{{"CLIENTE", 'C', 35, 0}}};
    std::string m_path, m_sound;
    uint32_t m_root = 0;
};

TEST_F(Damaged, HeadersThatCannotBeLoadedAreACorruptFile) {
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
    };
    const uint32_t size = static_cast<uint32_t>(m_sound.size());
    const Case cases[] = {
        {"empty file", [](std::string& b) { b.clear(); }},
        {"one page", [](std::string& b) { b.resize(512); }},
        {"1024 bytes", [](std::string& b) { b.resize(1024); }},
        {"directory root 0", [](std::string& b) { put32(b, 0, 0); }},
        {"directory root not on a page", [](std::string& b) { put32(b, 0, 1030); }},
        {"directory root outside", [&](std::string& b) { put32(b, 0, size); }},
        {"tag header not on a page", [](std::string& b) { put32(b, 1024 + 24, 1537 | 3 << 20); }},
        {"tag root 0", [](std::string& b) { put32(b, 1536, 0); }},
        {"tag root not on a page", [](std::string& b) { put32(b, 1536, 2561); }},
        {"tag root outside", [&](std::string& b) { put32(b, 1536, size); }},
        {"key length 241", [](std::string& b) { put16(b, 1536 + 12, 241); }},
        {"key length 0", [](std::string& b) { put16(b, 1536 + 12, 0); }},
        {"texts overlap", [](std::string& b) { put16(b, 1536 + 504, 10); }},
        {"text past the area", [](std::string& b) { put16(b, 1536 + 508, 505); }},
        {"text without its zero", [](std::string& b) { b[1536 + 512 + 16] = 'x'; }},
        {"key of unknown field", [](std::string& b) { b.replace(1536 + 519, 7, "nominat"); }},
        {"number key of 35 bytes",
         [](std::string& b) { b.replace(1536 + 512, 17, "RECNO()\0        ", 17); }},
        {"condition not logical",
         [](std::string& b) { b.replace(1536 + 529, 10, "cliente\0\0\0", 10); }},
        {"root page marked as a plain page", [&](std::string& b) { b[m_root] &= ~1; }},
        {"root's child outside the file",
         [&](std::string& b) { b[m_root + 12 + 35 + 4] = 0x7F; }},  // big-endian offset
        {"directory without tags",
         [](std::string& b) {
             put16(b, 1024 + 2, 0);
             put16(b, 1024 + 12, 488);
         }},
    };
    for (const Case& c : cases) {
        std::string bytes = m_sound;
        c.damage(bytes);
        std::unique_ptr<IndexFile> f;
        Status s = openWith(bytes, f);
        EXPECT_TRUE(s.isCorruption()) << c.what << ": " << s.toString();
        EXPECT_EQ(s.genCode(), 32) << c.what;
        EXPECT_EQ(s.subCode(), 1012) << c.what;
        EXPECT_FALSE(f) << c.what;
        EXPECT_NE(IndexChecker::check(m_path, m_t, &m_t), std::vector<std::string>{}) << c.what;
    }
    std::unique_ptr<IndexFile> f;
    EXPECT_TRUE(openWith(m_sound, f)) << "the undamaged file opens";
}

// Two leaves linked to each other in a circle: the walk stops with the
// integrity error instead of going round for ever.
TEST_F(Damaged, CyclicSiblingLinksStopTheWalk) {
    test::ThrowOnFatal fatal;
    std::string bytes = m_sound;
    auto [first, second] = firstLeaves(bytes);
    put32(bytes, second + 8, first);  // second -> first
    put32(bytes, first + 4, second);  // first <- second
    std::unique_ptr<IndexFile> f;
    ASSERT_TRUE(openWith(bytes, f));
    auto walk = [&]() {
        EXPECT_TRUE(f->tag().goTop());
        for (int i = 0; i < 100000 && !f->tag().eof(); ++i) EXPECT_TRUE(f->tag().next());
    };
    try {
        walk();
        ADD_FAILURE() << "walked through a cycle";
    } catch (const test::FatalError& e) {
        EXPECT_EQ(e.number, 9201u);
        EXPECT_EQ(e.text, "zq_cdxPageGetKeyVal: index corrupted.\n" + m_path + "\nCLIENTI");
    }
    uint64_t n = 0;
    EXPECT_THROW((void)f->tag().keyCount(&n), test::FatalError);
    f.reset();
    auto lines = IndexChecker::check(m_path, m_t, &m_t);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("collegamento"), std::string::npos) << lines[0];
}

// A page offset in an interior page that points past the end of the file,
// and a leaf whose free-byte count lies: both stop the program when met.
TEST_F(Damaged, BadPagesMetLaterAreIntegrityErrors) {
    test::ThrowOnFatal fatal;
    CdxPage root = pageAt(m_sound, m_root);
    ASSERT_FALSE(root.leaf);
    const uint32_t below = root.children[0];
    ASSERT_FALSE(pageAt(m_sound, below).leaf) << "three levels at least";
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        const char* text;
    };
    const Case cases[] = {
        {"child past the end",
         [&](std::string& b) { b[below + 12 + 35 + 4] = 0x40; },  // big-endian offset
         "zq_cdxPageGetChild: index corrupted."},
        {"leaf free bytes wrong",
         [&](std::string& b) {
             auto [first, second] = firstLeaves(b);
             put16(b, second + 12, 7);
         },
         "zq_cdxPageLeafDecode: index corrupted."},
    };
    for (const Case& c : cases) {
        std::string bytes = m_sound;
        c.damage(bytes);
        std::unique_ptr<IndexFile> f;
        ASSERT_TRUE(openWith(bytes, f)) << c.what;
        try {
            EXPECT_TRUE(f->tag().goTop());
            uint64_t n = 0;
            (void)f->tag().keyCount(&n);
            for (int i = 0; i < 5000 && !f->tag().eof(); ++i) (void)f->tag().next();
            ADD_FAILURE() << c.what << " went unnoticed";
        } catch (const test::FatalError& e) {
            EXPECT_EQ(e.number, 9201u) << c.what;
            EXPECT_EQ(e.text.substr(0, e.text.find('\n')), c.text) << c.what;
        }
        f.reset();
        EXPECT_NE(IndexChecker::check(m_path, m_t, &m_t), std::vector<std::string>{}) << c.what;
    }
}

// Bytes flipped at random, many times: opening, walking, seeking, counting,
// writing and checking either work or stop with an integrity error; nothing
// else happens (the sanitizers watch every access).
TEST_F(Damaged, RandomDamageNeverCrashes) {
    test::ThrowOnFatal fatal;
    std::mt19937 rng(11);
    int opened = 0, stopped = 0;
    for (int round = 0; round < 200; ++round) {
        std::string bytes = m_sound;
        int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) {
            size_t at = rng() % bytes.size();
            if (round % 3 == 0) at = m_root + rng() % 512;  // often the busiest page
            bytes[at] = static_cast<char>(rng());
        }
        std::unique_ptr<IndexFile> f;
        if (!openWith(bytes, f)) {
            (void)IndexChecker::check(m_path, m_t);
            continue;
        }
        ++opened;
        try {
            IndexTag& tag = f->tag();
            (void)tag.goTop();
            for (int i = 0; i < 300 && !tag.eof(); ++i) (void)tag.skip(17);
            (void)tag.goBottom();
            for (int i = 0; i < 300 && !tag.eof() && !tag.bof(); ++i) (void)tag.skip(-13);
            uint64_t n = 0;
            (void)tag.keyCount(&n);
            bool found = false;
            (void)tag.seek(Value(std::string("M")), true, &found);
            (void)tag.keyPosition(&n);
            m_t.addObserver(&tag);
            m_t.go(1 + rng() % m_t.count());
            m_t.setText("CLIENTE", "ZZZ" + std::to_string(round));
            (void)m_t.commit();
            m_t.removeObservers();
        } catch (const test::FatalError& e) {
            ++stopped;
            m_t.removeObservers();
            EXPECT_TRUE(e.number == 9201 || e.number == 1010) << e.what();
        }
        f.reset();
        (void)IndexChecker::check(m_path, m_t, round % 10 ? nullptr : &m_t);
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(stopped, 0);
}

}  // namespace
}  // namespace drav::data
