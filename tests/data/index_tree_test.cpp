// Randomized differential test of the tag trees: thousands of appends, key
// changes, deletions and recalls on a table, after each batch every tag is
// compared with the table (through the checker, which also checks every
// layout and tree rule) and with a walk, seeks, scopes and counts worked
// out from the records. Short keys give wide pages; 240-byte keys that
// barely compress give two keys per page, so splits and merges happen at
// every level.
#include "data/cdx/IndexChecker.h"
#include "tests/data/IndexFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace drav::data {
namespace {

using test::MemTable;

struct TreeCase {
    const char* name;
    const char* key;
    const char* condition;
    bool shared;
};

class TagTree : public ::testing::TestWithParam<TreeCase> {
protected:
    TagTree()
        : m_t({{"CODE", 'C', 6, 0}, {"LONG", 'C', 234, 0}, {"N", 'N', 5, 0}, {"D", 'D', 8, 0}}),
          m_rng(20240501) {}

    void SetUp() override {
        // A few records before the build, so the build and the upkeep both count.
        for (int i = 0; i < 30; ++i) appendRandom();
        m_path = m_dir.file("T.NTX");
        m_file =
            test::buildTag(m_path, m_t, GetParam().key, GetParam().condition, GetParam().shared);
        ASSERT_TRUE(m_file);
        m_t.addObserver(&m_file->tag());
    }

    IndexTag& tag() { return m_file->tag(); }

    std::string randomCode() {
        // A small alphabet and short lengths: many equal keys and shared prefixes.
        static const char kLetters[] = "abcAB ";
        std::string s;
        int n = std::uniform_int_distribution<int>(0, 6)(m_rng);
        for (int i = 0; i < n; ++i) s += kLetters[std::uniform_int_distribution<int>(0, 5)(m_rng)];
        return s;
    }
    std::string randomLong() {
        std::string s(234, ' ');
        int n = std::uniform_int_distribution<int>(200, 234)(m_rng);
        for (int i = 0; i < n; ++i)
            s[i] = static_cast<char>(std::uniform_int_distribution<int>(33, 126)(m_rng));
        if (m_rng() % 4 == 0) s.replace(0, 100, std::string(100, 'Z'));  // shared prefixes too
        return s;
    }
    void fillRandom() {
        m_t.setText("CODE", randomCode());
        m_t.setText("LONG", randomLong());
        m_t.setNumber("N", std::uniform_int_distribution<int>(-50, 50)(m_rng));
        m_t.setDate("D", Date::fromYmd(2024, 1, 1).addDays(int(m_rng() % 40) - 1));
    }
    void appendRandom() {
        m_t.append();
        fillRandom();
        ASSERT_TRUE(m_t.commit());
    }
    void changeRandom() {
        m_t.go(1 + m_rng() % m_t.count());
        switch (m_rng() % 5) {
            case 0:
                m_t.setText("CODE", randomCode());
                break;
            case 1:
                m_t.setText("LONG", randomLong());
                break;
            case 2:
                m_t.setNumber("N", std::uniform_int_distribution<int>(-50, 50)(m_rng));
                break;
            case 3:
                m_t.setDeleted(!m_t.deleted());
                break;
            default:
                fillRandom();
                break;
        }
        ASSERT_TRUE(m_t.commit());
    }

    // The tag's entries as the records say they must be, in key order.
    std::vector<std::pair<std::string, uint32_t>> expected() {
        std::vector<std::pair<std::string, uint32_t>> e;
        EXPECT_TRUE(m_t.forEach([&](const RecordContext& r) {
            if (tag().meetsCondition(r)) e.emplace_back(tag().keyOf(r), r.recno());
            return Status::ok();
        }));
        std::sort(e.begin(), e.end());
        return e;
    }

    void verify() {
        // The checker reads the file by itself: close an exclusive file first.
        if (!GetParam().shared) {
            m_t.removeObservers();
            m_file.reset();
        }
        EXPECT_EQ(IndexChecker::check(m_path, m_t, &m_t), std::vector<std::string>{});
        if (!GetParam().shared) {
            IndexOpenOptions o;
            o.shared = false;
            ASSERT_TRUE(IndexFile::open(m_path, m_t, o, m_file));
            m_t.addObserver(&m_file->tag());
        }
        auto e = expected();
        std::vector<uint32_t> want;
        for (auto& p : e) want.push_back(p.second);
        tag().clearScope();
        ASSERT_EQ(test::recnosInOrder(tag()), want);

        // Backwards from the bottom, ending on the first key with bof.
        std::vector<uint32_t> back;
        ASSERT_TRUE(tag().goBottom());
        while (!tag().eof() && !tag().bof()) {
            back.push_back(tag().recno());
            ASSERT_TRUE(tag().prev());
        }
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(back, want);

        for (int i = 0; i < 10; ++i) checkSeekAndScope(e);
    }

    void checkSeekAndScope(const std::vector<std::pair<std::string, uint32_t>>& e) {
        const size_t kl = static_cast<size_t>(tag().keyLength());
        auto pick = [&]() -> std::string {
            bool text = tag().keyType() == 'C';
            if (e.empty() || (text && m_rng() % 3 == 0)) return text ? randomCode() : "";
            std::string k = e[m_rng() % e.size()].first;
            return text ? k.substr(0, 1 + m_rng() % kl) : k;
        };
        auto prefixCmp = [](const std::string& key, const std::string& v) {
            return key.compare(0, v.size(), v);
        };
        // Seek: the first key beginning with the value.
        std::string v = pick();
        if (tag().keyType() == 'C' || v.size() == kl) {
            auto it = std::find_if(e.begin(), e.end(),
                                   [&](auto& p) { return prefixCmp(p.first, v) >= 0; });
            bool soft = m_rng() % 2;
            bool found = false;
            ASSERT_TRUE(tag().seekBytes(v, soft, &found));
            bool want = it != e.end() && prefixCmp(it->first, v) == 0;
            EXPECT_EQ(found, want) << "seek " << v;
            if (want || (soft && it != e.end())) {
                ASSERT_FALSE(tag().eof());
                EXPECT_EQ(tag().recno(), it->second);
                uint64_t pos = 0;
                ASSERT_TRUE(tag().keyPosition(&pos));
                EXPECT_EQ(pos, static_cast<uint64_t>(it - e.begin()) + 1);
            } else {
                EXPECT_TRUE(tag().eof());
            }
        }
        // Scope: keys whose leading bytes lie between the bounds.
        std::string top = pick(), bottom = pick();
        bool useTop = m_rng() % 4 != 0, useBottom = m_rng() % 4 != 0;
        std::vector<uint32_t> in;
        for (auto& p : e)
            if ((!useTop || prefixCmp(p.first, top) >= 0) &&
                (!useBottom || prefixCmp(p.first, bottom) <= 0))
                in.push_back(p.second);
        tag().setScopeBytes(useTop ? std::optional<std::string>(top) : std::nullopt,
                            useBottom ? std::optional<std::string>(bottom) : std::nullopt);
        uint64_t count = 0;
        ASSERT_TRUE(tag().keyCount(&count));
        EXPECT_EQ(count, in.size()) << "scope " << top << " .. " << bottom;
        EXPECT_EQ(test::recnosInOrder(tag()), in);
        if (!in.empty()) {
            long moved = 0;
            ASSERT_TRUE(tag().goTop());
            ASSERT_TRUE(tag().skip(static_cast<long>(in.size()) + 3, &moved));
            EXPECT_EQ(moved, static_cast<long>(in.size()) - 1);
            EXPECT_TRUE(tag().eof());
            ASSERT_TRUE(tag().skip(-1, &moved));
            EXPECT_EQ(tag().recno(), in.back());
        }
        tag().clearScope();
    }

    test::TempDir m_dir;
    MemTable m_t;
    std::mt19937 m_rng;
    std::string m_path;
    std::unique_ptr<IndexFile> m_file;
};

TEST_P(TagTree, FollowsRandomWritesAndStaysSound) {
    test::ThrowOnFatal fatal;
    for (int batch = 0; batch < 12; ++batch) {
        for (int i = 0; i < 150; ++i) {
            if (m_t.count() < 20 || m_rng() % 3 == 0)
                appendRandom();
            else
                changeRandom();
        }
        verify();
        if (HasFailure()) return;
    }
    // Delete almost everything: pages merge and leave the tree to the free
    // list, which the same keys take again when they come back.
    const size_t peak = test::readFile(m_path).size();
    std::vector<uint32_t> dropped;
    for (uint32_t r = 1; r <= m_t.count(); ++r) {
        m_t.go(r);
        if (!m_t.deleted() && r % 10 != 0) {
            m_t.setDeleted(true);
            ASSERT_TRUE(m_t.commit());
            dropped.push_back(r);
        }
    }
    verify();
    for (uint32_t r : dropped) {
        m_t.go(r);
        m_t.setDeleted(false);
        ASSERT_TRUE(m_t.commit());
    }
    verify();
    EXPECT_LE(test::readFile(m_path).size(), peak + peak / 4);
    for (uint32_t r = 1; r <= m_t.count(); ++r) {
        m_t.go(r);
        if (!m_t.deleted()) {
            m_t.setDeleted(true);
            ASSERT_TRUE(m_t.commit());
        }
    }
    verify();
    uint64_t n = 1;
    ASSERT_TRUE(tag().keyCount(&n));
    EXPECT_EQ(n, expected().size());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TagTree,
    ::testing::Values(TreeCase{"ShortKey", "UPPER( code )", "!DELETED()", false},
                      TreeCase{"LongKey", "long", "!DELETED()", true},
                      TreeCase{"NumberKey", "n", "!DELETED() .AND. !EMPTY( code )", false},
                      TreeCase{"DateAndText", "DTOS( d ) + code", "", true},
                      TreeCase{"LongPrefixes", "code + long", "n >= 0 .AND. !DELETED()", false}),
    [](const ::testing::TestParamInfo<TreeCase>& i) { return i.param.name; });

}  // namespace
}  // namespace drav::data
