// Text helpers: search, display text of values, literals of search
// conditions, the first value that is set, and the DOS letter fix-up.
#include "util/Text.h"
#include "util/Cp1252.h"

#include <gtest/gtest.h>

#include <limits>

namespace drav {
namespace {

TEST(Text, AtAndOccurs) {
    struct AtCase {
        const char* search;
        const char* target;
        size_t start;
        size_t expected;
    } ats[] = {
        {"b", "abcb", 0, 2}, {"b", "abcb", 1, 2}, {"b", "abcb", 3, 4},  {"b", "abcb", 5, 0},
        {"x", "abcb", 0, 0}, {"", "abcb", 0, 0},  {"cb", "abcb", 2, 3}, {"abcbx", "abcb", 0, 0},
    };
    for (const auto& c : ats)
        EXPECT_EQ(at(c.search, c.target, c.start), c.expected)
            << c.search << " in " << c.target << " from " << c.start;

    EXPECT_EQ(occurs("aa", "aaaa"), 3u);  // overlapping matches count
    EXPECT_EQ(occurs("a", "banana"), 3u);
    EXPECT_EQ(occurs("ana", "banana"), 2u);
    EXPECT_EQ(occurs("x", "banana"), 0u);
    EXPECT_EQ(occurs("", "banana"), 0u);
}

TEST(Text, O2AFixesTheSixDosLetters) {
    EXPECT_EQ(o2a(std::string("Citt\x85 pi\x97 \x8A, caff\x82, cos\x8D, per\x95")),
              "Citt\xE0 pi\xF9 \xE8, caff\xE9, cos\xEC, per\xF2");
}

TEST(Text, DisplayTextOfValues) {
    setDateFormat(DateFormat::TwoDigitYear);
    struct Case {
        Value value;
        const char* expected;
    } cases[] = {
        {Value(std::string("Rossi  ")), "Rossi  "},
        {Value(12.5), "12.5"},
        {Value(3.0), "3"},
        {Value(-0.25), "-0.25"},
        {Value(0.1 + 0.2), "0.3"},
        {Value(1234567890123.0), "1234567890123"},
        {Value(-0.0), "0"},
        {Value(std::numeric_limits<double>::infinity()), "*"},
        {Value(Date::fromYmd(2026, 3, 5)), "05/03/26"},
        {Value(Date()), "  /  /  "},
        {Value(true), ".T."},
        {Value(false), ".F."},
        {Value(), "NIL"},
    };
    for (const auto& c : cases) EXPECT_EQ(cValToChar(c.value), c.expected);
    setDateFormat(DateFormat::FourDigitYear);
    EXPECT_EQ(cValToChar(Value(Date::fromYmd(2026, 3, 5))), "05/03/2026");

    EXPECT_EQ(cValToChar(std::vector<Value>{Value(1.0), Value(std::string("a")), Value()}),
              "1\r\na\r\nNIL");
    std::vector<Value> big(300, Value(std::string("abcdefgh")));
    std::string shown = cValToChar(big);
    EXPECT_EQ(shown.size(), 1000u + 6);
    EXPECT_EQ(shown.substr(0, 10), "abcdefgh\r\n");
    EXPECT_EQ(shown.substr(1000), " ... }");
}

TEST(Text, ConditionLiterals) {
    struct Case {
        Value value;
        const char* expected;
    } cases[] = {
        {Value(std::string("ROSSI")), "\"ROSSI\""},
        {Value(std::string("ROSSI \"IL\" BAR")), "\"ROSSI \" + [\"] + \"IL\" + [\"] + \" BAR\""},
        {Value(std::string("A\"\"B")), "\"A\" + [\"\"] + \"B\""},  // adjacent quotes merge
        {Value(std::string("\"BAR\"")), "[\"] + \"BAR\" + [\"]"},  // no empty piece at the ends
        {Value(std::string("\"")), "[\"]"},
        {Value(std::string("")), "\"\""},
        {Value(std::string("   ")), "\"\""},
        {Value(12.5), "12.5"},
        {Value(-3.0), "-3"},
        {Value(0.0), "\"\""},
        {Value(Date::fromYmd(2026, 3, 5)), "CTOD(\"05/03/2026\")"},
        {Value(Date::fromYmd(1975, 3, 5)), "CTOD(\"05/03/1975\")"},
        {Value(Date()), "\"\""},
        {Value(true), ".T."},
        {Value(), "\"\""},
    };
    for (const auto& c : cases) EXPECT_EQ(mkStr(c.value), c.expected) << cValToChar(c.value);
}

TEST(Text, FirstValueThatIsSet) {
    EXPECT_EQ(ifNil(Value(), Value(), Value(2.0), Value(3.0)), Value(2.0));
    EXPECT_EQ(ifNil(Value(), std::string("x")), Value(std::string("x")));
    EXPECT_EQ(ifNil(Value(false), Value(true)), Value(false));  // false is a value
    EXPECT_TRUE(isNil(ifNil(Value(), Value())));
    EXPECT_TRUE(isNil(ifNil()));
}

}  // namespace
}  // namespace drav
