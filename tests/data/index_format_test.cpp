// The index file as other stations read it: key encodings, the directory
// and tag headers, leaf pages with their entries, counts and masks, byte for
// byte; and the orders the program's tags give.
#include "data/cdx/CdxFormat.h"
#include "data/cdx/IndexChecker.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace cdx;
using test::MemTable;

std::string hexOf(const std::string& bytes, size_t at, size_t n) {
    std::string out;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X", static_cast<unsigned char>(bytes[at + i]));
        out += (i ? " " : "");
        out += b;
    }
    return out;
}

uint32_t le32(const std::string& s, size_t at) {
    return getLe32(reinterpret_cast<const uint8_t*>(s.data() + at));
}
uint16_t le16(const std::string& s, size_t at) {
    return getLe16(reinterpret_cast<const uint8_t*>(s.data() + at));
}

TEST(IndexFormat, NumberAndDateKeysAreByteExactAndOrderAsBytes) {
    struct Case {
        double value;
        const char* bytes;
    };
    const Case cases[] = {
        {0, "80 00 00 00 00 00 00 00"},
        {-0.0, "80 00 00 00 00 00 00 00"},
        {1, "BF F0 00 00 00 00 00 00"},
        {-1, "40 0F FF FF FF FF FF FF"},
        {12.5, "C0 29 00 00 00 00 00 00"},
        {static_cast<double>(Date::fromYmd(2000, 1, 1).julian()), "C1 42 B4 2C 80 00 00 00"},
    };
    for (const Case& c : cases) {
        uint8_t k[8];
        encodeNumberKey(c.value, k);
        EXPECT_EQ(hexOf(std::string(reinterpret_cast<char*>(k), 8), 0, 8), c.bytes) << c.value;
        EXPECT_EQ(decodeNumberKey(k), c.value);
    }
    const double ascending[] = {-1e9, -12.5, -1, -0.001, 0, 0.001, 1, 12.5, 2451545, 1e300};
    for (size_t i = 1; i < std::size(ascending); ++i) {
        uint8_t a[8], b[8];
        encodeNumberKey(ascending[i - 1], a);
        encodeNumberKey(ascending[i], b);
        EXPECT_LT(std::memcmp(a, b, 8), 0) << ascending[i - 1] << " < " << ascending[i];
    }
}

// A runs file built on an empty table: directory header, directory leaf,
// tag header and the tag's empty root leaf, every byte that matters.
TEST(IndexFormat, NewTagFileLayout) {
    test::TempDir dir;
    MemTable t = test::runsTable();
    std::string path = dir.file("CORSE.NTX");
    auto f = test::buildTag(path, t, test::kCorse.key, test::kCorse.condition, true);
    ASSERT_TRUE(f);
    f.reset();
    std::string b = test::readFile(path);
    ASSERT_EQ(b.size(), 3072u);

    // Directory header at 0: root 1024, no free page, counter moved once by
    // the build, key length 10, options 224, signature 1, empty texts.
    EXPECT_EQ(hexOf(b, 0, 16), "00 04 00 00 00 00 00 00 00 00 00 01 0A 00 E0 01");
    EXPECT_EQ(b.substr(16, 488), std::string(488, '\0'));
    EXPECT_EQ(hexOf(b, 504, 8), "01 00 01 00 00 00 01 00");
    EXPECT_EQ(b.substr(512, 512), std::string(512, '\0'));

    // Directory root leaf at 1024: "CORSE" and the tag header offset 1536.
    const size_t d = 1024;
    EXPECT_EQ(hexOf(b, d, 12), "03 00 01 00 FF FF FF FF FF FF FF FF");
    EXPECT_EQ(le16(b, d + 12), 488 - 3 - 5);  // free bytes
    EXPECT_EQ(hexOf(b, d + 14, 10), "FF FF 00 00 0F 0F 10 04 04 03");
    EXPECT_EQ(le32(b, d + 24) & 0xFFFFFF, 1536u | 0u << 16 | 5u << 20);  // trailing 5 blanks
    EXPECT_EQ(b.substr(d + 507, 5), "CORSE");

    // Tag header at 1536.
    const size_t h = 1536;
    const std::string key = test::kCorse.key, cond = test::kCorse.condition;
    EXPECT_EQ(le32(b, h), 2560u);
    EXPECT_EQ(hexOf(b, h + 4, 12), "00 00 00 00 00 00 00 00 0B 00 68 01");
    EXPECT_EQ(b[h + 499], 0);
    EXPECT_EQ(le16(b, h + 502), 0);
    EXPECT_EQ(le16(b, h + 504), key.size() + 1);
    EXPECT_EQ(le16(b, h + 506), cond.size() + 1);
    EXPECT_EQ(le16(b, h + 508), 0);
    EXPECT_EQ(le16(b, h + 510), key.size() + 1);
    EXPECT_EQ(b.substr(h + 512, key.size() + cond.size() + 2), key + '\0' + cond + '\0');

    // The empty tag's root leaf at 2560.
    const size_t r = 2560;
    EXPECT_EQ(hexOf(b, r, 24),
              "03 00 00 00 FF FF FF FF FF FF FF FF E8 01 FF FF 00 00 0F 0F 10 04 04 03");
    EXPECT_EQ(b.substr(r + 24, 488), std::string(488, '\0'));
}

// Leaf entries of a 35-byte key: a blank key, two equal keys and a key
// sharing four bytes with the one before.
TEST(IndexFormat, LeafEntriesWithDuplicateAndTrailingCounts) {
    test::TempDir dir;
    MemTable t({{"CLIENTE", 'C', 35, 0}});
    for (const char* name : {"Rossi", "ROSSI", "", "rosso"}) {
        t.append();
        t.setText("CLIENTE", name);
        ASSERT_TRUE(t.commit());
    }
    std::string path = dir.file("CLIENTI.NTX");
    ASSERT_TRUE(test::buildTag(path, t, "UPPER( FIELD -> cliente )", "!DELETED()"));
    std::string b = test::readFile(path);
    const size_t r = 2560;
    EXPECT_EQ(le16(b, r), 3);
    EXPECT_EQ(le16(b, r + 2), 4);
    EXPECT_EQ(le16(b, r + 12), 488 - (3 + 0) - (3 + 5) - (3 + 0) - (3 + 1));
    // record mask 12 bits, count masks and bits 6, 3 bytes per entry
    EXPECT_EQ(hexOf(b, r + 14, 10), "FF 0F 00 00 3F 3F 0C 06 06 03");
    auto entry = [&](int i) { return le32(b, r + 24 + 3 * i) & 0xFFFFFF; };
    EXPECT_EQ(entry(0), 3u | 0u << 12 | 35u << 18);  // blanks only: all trailing
    EXPECT_EQ(entry(1), 1u | 0u << 12 | 30u << 18);  // "ROSSI" stored whole
    EXPECT_EQ(entry(2), 2u | 5u << 12 | 30u << 18);  // same key: duplicate 35 - 30
    EXPECT_EQ(entry(3), 4u | 4u << 12 | 30u << 18);  // "ROSSO": 4 shared, "O" stored
    EXPECT_EQ(b.substr(r + 506, 6), "OROSSI");       // parts from the page end downward
    EXPECT_EQ(b.substr(r + 36, 506 - 36), std::string(506 - 36, '\0'));
}

// Record 4096 does not fit the 12 record bits of a 35-byte key's leaf: the
// leaf grows to 4 bytes per entry and 20 record bits.
TEST(IndexFormat, RecordBeyondTheRecordBitsWidensTheLeaf) {
    test::TempDir dir;
    MemTable t({{"CLIENTE", 'C', 35, 0}});
    for (int i = 1; i <= 4095; ++i) {
        t.append();
        t.setText("CLIENTE", "C" + std::to_string(i % 7));
        if (i != 4095) t.setDeleted(true);
        ASSERT_TRUE(t.commit());
    }
    std::string path = dir.file("CLIENTI.NTX");
    auto f = test::buildTag(path, t, "UPPER( cliente )", "!DELETED()");
    ASSERT_TRUE(f);
    std::string b = test::readFile(path);
    EXPECT_EQ(hexOf(b, 2560 + 14, 10), "FF 0F 00 00 3F 3F 0C 06 06 03");

    t.addObserver(&f->tag());
    t.append();
    t.setText("CLIENTE", "Verdi");
    ASSERT_TRUE(t.commit());
    f.reset();
    b = test::readFile(path);
    EXPECT_EQ(le16(b, 2560 + 2), 2);
    EXPECT_EQ(hexOf(b, 2560 + 14, 10), "FF FF 0F 00 3F 3F 14 06 06 04");
    EXPECT_EQ(le32(b, 2560 + 24), 4095u | 0u << 20 | 33u << 26);  // "C0", 33 blanks
    EXPECT_EQ(le32(b, 2560 + 28), 4096u | 0u << 20 | 30u << 26);  // "VERDI"
    EXPECT_EQ(le16(b, 2560 + 12), 488 - (4 + 2) - (4 + 5));
}

// Ten leaves under one interior root: each interior entry is the full last
// key of its child, its record number and the child's offset, both
// big-endian; the leaves are linked left to right. Pages that leave the tree
// go on the free list: its head at offset 4, each free page holding only the
// next one's offset, and new pages come from it before the file grows.
TEST(IndexFormat, InteriorPagesAndTheFreeList) {
    test::TempDir dir;
    MemTable t({{"CLIENTE", 'C', 35, 0}});
    // Record r gets key number (r * 37) mod 150, so key order is not record
    // order; three digits up front keep neighbouring keys from compressing.
    auto keyOf = [](uint32_t r) {
        char b[40];
        std::snprintf(b, sizeof b, "%03u-ABCDEFGHIJKLMNOPQRSTUVWXYZ", (r * 37) % 150);
        std::string k = b;
        k.resize(35, ' ');
        return k;
    };
    for (uint32_t r = 1; r <= 150; ++r) {
        t.append();
        t.setText("CLIENTE", keyOf(r));
        ASSERT_TRUE(t.commit());
    }
    std::string path = dir.file("CLIENTI.NTX");
    auto f = test::buildTag(path, t, "cliente", "!DELETED()");
    ASSERT_TRUE(f);
    f.reset();
    std::string b = test::readFile(path);
    const size_t root = le32(b, 1536);
    ASSERT_EQ(le16(b, root), 1);  // root, interior
    const int n = le16(b, root + 2);
    ASSERT_GE(n, 2);
    ASSERT_LE(n, 11);  // floor(500 / (35 + 8))
    EXPECT_EQ(hexOf(b, root + 4, 8), "FF FF FF FF FF FF FF FF");
    uint32_t previous = 0xFFFFFFFF;
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        const size_t e = root + 12 + static_cast<size_t>(i) * 43;
        const uint32_t rec = getBe32(reinterpret_cast<const uint8_t*>(b.data() + e + 35));
        const uint32_t child = getBe32(reinterpret_cast<const uint8_t*>(b.data() + e + 39));
        EXPECT_EQ(b.substr(e, 35), keyOf(rec));
        ASSERT_EQ(child % 512, 0u);
        ASSERT_LT(child, b.size());
        EXPECT_EQ(le16(b, child), 2);  // leaf, not root
        EXPECT_EQ(le32(b, child + 4), previous);
        EXPECT_EQ(le32(b, child + 8),
                  i + 1 < n ? getBe32(reinterpret_cast<const uint8_t*>(b.data() + e + 43 + 39))
                            : 0xFFFFFFFF);
        // The entry's record is the last one of its leaf.
        const int keys = le16(b, child + 2);
        const uint32_t mask = le32(b, child + 14);
        const int bytesPerEntry = static_cast<uint8_t>(b[child + 23]);
        EXPECT_EQ(le32(b, child + 24 + static_cast<size_t>(bytesPerEntry) * (keys - 1)) & mask,
                  rec);
        previous = child;
    }
    EXPECT_EQ(b.substr(root + 12 + n * 43, 500 - n * 43), std::string(500 - n * 43, '\0'));
    EXPECT_EQ(le32(b, 4), 0u);  // a new file has no free page

    // Marks the records of the first 60 keys (or recalls them) with the tag
    // following, then closes the file.
    auto markFirst60 = [&](bool deleted) {
        t.addObserver(&f->tag());
        for (uint32_t r = 1; r <= 150; ++r) {
            if ((r * 37) % 150 >= 60) continue;
            t.go(r);
            t.setDeleted(deleted);
            ASSERT_TRUE(t.commit());
        }
        t.removeObservers();
        f.reset();
    };

    // Deleting the first 60 keys empties leaves: they go on the free list.
    f = test::buildTag(path, t, "cliente", "!DELETED()");
    markFirst60(true);
    b = test::readFile(path);
    const size_t sizeWithFreePages = b.size();
    std::vector<uint32_t> freePages;
    for (uint32_t at = le32(b, 4); at != 0 && freePages.size() < 100; at = le32(b, at)) {
        ASSERT_EQ(at % 512, 0u);
        ASSERT_LE(at + 512, b.size());
        EXPECT_EQ(b.substr(at + 4, 508), std::string(508, '\0')) << at;
        freePages.push_back(at);
    }
    EXPECT_GE(freePages.size(), 2u);
    EXPECT_EQ(IndexChecker::check(path, t), std::vector<std::string>{});

    // Recalling them needs more pages than were freed: every free page is
    // taken back before the file grows.
    IndexOpenOptions o;
    o.shared = false;
    ASSERT_TRUE(IndexFile::open(path, t, o, f));
    markFirst60(false);
    b = test::readFile(path);
    EXPECT_EQ(le32(b, 4), 0u);
    EXPECT_GT(b.size(), sizeWithFreePages);
    EXPECT_EQ(IndexChecker::check(path, t), std::vector<std::string>{});
}

// The leaf's count bits are the bit length of the key length, and a new leaf
// gives the rest of three bytes per entry to the record number.
TEST(IndexFormat, CountAndRecordBitsFollowTheKeyLength) {
    struct Case {
        int length;
        const char* key;
        const char* masksAndBits;  // record mask, two count masks, three bit counts, bytes
    } cases[] = {
        {35, "cliente", "FF 0F 00 00 3F 3F 0C 06 06 03"},
        {20, "cliente", "FF 3F 00 00 1F 1F 0E 05 05 03"},
        {18, "cliente", "FF 3F 00 00 1F 1F 0E 05 05 03"},
        {13, "cliente", "FF FF 00 00 0F 0F 10 04 04 03"},
        {10, "cliente", "FF FF 00 00 0F 0F 10 04 04 03"},
        {4, "cliente", "FF FF 03 00 07 07 12 03 03 03"},
        {1, ".T.", "FF FF 3F 00 01 01 16 01 01 03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        test::TempDir dir;
        MemTable t({{"CLIENTE", 'C', c.length, 0}});
        std::string path = dir.file("T.NTX");
        ASSERT_TRUE(test::buildTag(path, t, c.key, "!DELETED()"));
        std::string b = test::readFile(path);
        EXPECT_EQ(le16(b, 1536 + 12), c.length);
        EXPECT_EQ(hexOf(b, 2560 + 14, 10), c.masksAndBits);
    }
}

class RunOrders : public ::testing::Test {
protected:
    void SetUp() override {
        for (const test::TagText* tt : {&test::kCorse, &test::kFuture, &test::kSospesi}) {
            m_files.push_back(
                test::buildTag(m_dir.file(tt->file), m_t, tt->key, tt->condition, true));
            ASSERT_TRUE(m_files.back());
            m_t.addObserver(&m_files.back()->tag());
        }
    }
    IndexTag& tag(int i) { return m_files[i]->tag(); }

    test::TempDir m_dir;
    MemTable m_t = test::runsTable();
    std::vector<std::unique_ptr<IndexFile>> m_files;
};

// A scheduled run (no number) lives in FUTURE and SOSPESI, a numbered one in
// CORSE and SOSPESI; numbering a run moves it; deleting it takes it out of
// every tag and recalling it puts it back.
TEST_F(RunOrders, RunsMoveBetweenTagsAsTheyChange) {
    Date d = Date::fromYmd(2024, 5, 2);
    uint32_t future = test::addRun(m_t, 0, d, "10:00");
    uint32_t live = test::addRun(m_t, 12, d, "09:00", "", true);
    EXPECT_EQ(test::recnosInOrder(tag(0)), std::vector<uint32_t>{live});
    EXPECT_EQ(test::recnosInOrder(tag(1)), std::vector<uint32_t>{future});
    EXPECT_EQ(test::recnosInOrder(tag(2)), (std::vector<uint32_t>{future, live}));

    m_t.go(future);
    m_t.setNumber("NUMERO", 3);
    ASSERT_TRUE(m_t.commit());
    EXPECT_EQ(test::recnosInOrder(tag(0)), (std::vector<uint32_t>{future, live}));
    EXPECT_TRUE(test::recnosInOrder(tag(1)).empty());

    m_t.go(live);
    m_t.setDeleted(true);
    ASSERT_TRUE(m_t.commit());
    for (int i : {0, 2}) EXPECT_EQ(test::recnosInOrder(tag(i)), std::vector<uint32_t>{future});
    m_t.setDeleted(false);
    ASSERT_TRUE(m_t.commit());
    EXPECT_EQ(test::recnosInOrder(tag(2)), (std::vector<uint32_t>{future, live}));
    for (size_t i = 0; i < m_files.size(); ++i) {
        const test::TagText* tt[] = {&test::kCorse, &test::kFuture, &test::kSospesi};
        m_t.removeObservers();
        EXPECT_EQ(IndexChecker::check(m_dir.file(tt[i]->file), m_t, &m_t),
                  std::vector<std::string>{});
    }
}

TEST_F(RunOrders, SuspendedRunsFollowTheOthersAndScopeToThem) {
    Date d1 = Date::fromYmd(2024, 5, 1), d2 = Date::fromYmd(2024, 5, 2);
    uint32_t a = test::addRun(m_t, 2, d2, "08:00", "", true);
    uint32_t b = test::addRun(m_t, 1, d2, "08:00");
    uint32_t c = test::addRun(m_t, 7, d1, "08:00", "", true);
    uint32_t e = test::addRun(m_t, 0, d1, "08:00");
    EXPECT_EQ(test::recnosInOrder(tag(2)), (std::vector<uint32_t>{e, b, c, a}));
    ASSERT_TRUE(tag(2).setScope(Value(std::string("S")), Value(std::string("S"))));
    EXPECT_EQ(test::recnosInOrder(tag(2)), (std::vector<uint32_t>{c, a}));
    uint64_t n = 0;
    ASSERT_TRUE(tag(2).keyCount(&n));
    EXPECT_EQ(n, 2u);
}

TEST(IndexOrders, NumbersDatesAndLogicalsOrderAsTheirValues) {
    test::TempDir dir;
    MemTable t({{"IMPORTO", 'N', 7, 2}, {"DATA", 'D', 8, 0}, {"SALDATA", 'L', 1, 0}});
    const double amounts[] = {12.5, -1, 0, 1, -12.5};
    const Date dates[] = {Date::fromYmd(2001, 1, 1), Date(), Date::fromYmd(1999, 12, 31),
                          Date::fromYmd(2024, 2, 29), Date::fromYmd(2000, 1, 1)};
    for (int i = 0; i < 5; ++i) {
        t.append();
        t.setNumber("IMPORTO", amounts[i]);
        t.setDate("DATA", dates[i]);
        t.setLogical("SALDATA", i % 2);
        ASSERT_TRUE(t.commit());
    }
    auto n = test::buildTag(dir.file("N.NTX"), t, "importo", "");
    auto d = test::buildTag(dir.file("D.NTX"), t, "data", "!DELETED()");
    auto l = test::buildTag(dir.file("L.NTX"), t, ".T.", "!DELETED()");
    EXPECT_EQ(test::recnosInOrder(n->tag()), (std::vector<uint32_t>{5, 2, 3, 4, 1}));
    EXPECT_EQ(test::recnosInOrder(d->tag()), (std::vector<uint32_t>{2, 3, 5, 1, 4}));
    // All keys equal: the order in which invoices were added.
    EXPECT_EQ(test::recnosInOrder(l->tag()), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(n->tag().keyLength(), 8);
    EXPECT_EQ(d->tag().keyLength(), 8);
    EXPECT_EQ(l->tag().keyLength(), 1);

    bool found = false;
    ASSERT_TRUE(n->tag().seek(Value(0.0), false, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(n->tag().recno(), 3u);
    ASSERT_TRUE(d->tag().seek(Value(Date::fromYmd(2000, 6, 1)), true, &found));
    EXPECT_FALSE(found);
    EXPECT_EQ(d->tag().recno(), 1u);                                         // soft: the next date
    EXPECT_FALSE(d->tag().seek(Value(std::string("2000")), false, &found));  // wrong type
}

}  // namespace
}  // namespace drav::data
