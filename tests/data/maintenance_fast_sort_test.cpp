// The sorter of a tag build hands its pairs over in key order, then record
// number order, whatever order they came in and however many runs they
// took: in order already (a run left as it is), backwards, at random with
// many equal keys, in order but for a few, and in runs that each come
// before the one added ahead of them. Keys shorter and longer than the part
// of a pair the sorter compares first.
#include "data/cdx/KeySorter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace drav::data::cdx {
namespace {

using Pair = std::pair<std::string, uint32_t>;

// The key of a number, as digits filling the key length.
std::string keyOf(uint64_t n, int keyLength) {
    std::string s(static_cast<size_t>(keyLength), '0');
    for (int i = keyLength - 1; i >= 0 && n; --i, n /= 10) s[i] = char('0' + n % 10);
    return s;
}

TEST(MaintenanceFastSort, PairsComeOutInKeyThenRecordOrder) {
    constexpr uint32_t kPairs = 5000;
    const struct {
        const char* what;
        std::function<uint64_t(uint32_t rec, std::mt19937&)> key;
    } orders[] = {
        {"in order", [](uint32_t r, std::mt19937&) { return uint64_t(r); }},
        {"backwards", [](uint32_t r, std::mt19937&) { return uint64_t(kPairs - r); }},
        {"at random, keys repeated", [](uint32_t, std::mt19937& g) { return uint64_t(g() % 97); }},
        {"in order but one in fifty",
         [](uint32_t r, std::mt19937& g) { return r % 50 ? uint64_t(r) : uint64_t(g() % kPairs); }},
        {"runs each before the last", [](uint32_t r, std::mt19937&) {
             return uint64_t(kPairs - (r / 100 + 1) * 100 + r % 100);
         }}};
    for (int keyLength : {3, 12, 20}) {
        for (size_t runBytes : {size_t(300), size_t(1) << 20}) {
            for (const auto& o : orders) {
                SCOPED_TRACE(std::string(o.what) + ", key length " + std::to_string(keyLength) +
                             ", runs of " + std::to_string(runBytes) + " bytes");
                test::TempDir temp;
                std::mt19937 g(keyLength);
                std::vector<Pair> expected;
                std::vector<Pair> got;
                {
                    KeySorter sorter(keyLength, runBytes, kPairs, temp.path());
                    for (uint32_t r = 1; r <= kPairs; ++r) {
                        std::string k = keyOf(o.key(r, g), keyLength);
                        sorter.add(reinterpret_cast<const uint8_t*>(k.data()), r);
                        expected.emplace_back(k, r);
                    }
                    sorter.finish([&](const uint8_t* key, uint32_t rec) {
                        got.emplace_back(std::string(reinterpret_cast<const char*>(key),
                                                     static_cast<size_t>(keyLength)),
                                         rec);
                    });
                }
                std::sort(expected.begin(), expected.end());
                ASSERT_EQ(got.size(), expected.size());
                for (size_t i = 0; i < got.size(); ++i)
                    ASSERT_EQ(got[i], expected[i]) << "pair " << i;
            }
        }
    }
}

}  // namespace
}  // namespace drav::data::cdx
