// Field encodings: numbers (rounding and width), dates, logicals, memo block numbers.
#include "data/dbf/FieldCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace drav::data::codec {
namespace {

TEST(FieldCodec, NumbersAreRightAlignedRoundedHalfAwayFromZero) {
    struct Case {
        double value;
        int length, decimals;
        const char* bytes;  // "*" over the field when it does not fit
    };
    const Case cases[] = {
        {0, 7, 2, "   0.00"},
        {-12.5, 7, 2, " -12.50"},
        {123.45, 4, 2, "****"},
        {99.99, 5, 2, "99.99"},
        {123.455, 7, 2, " 123.46"},  // as typed, not as its binary neighbour
        {2.675, 5, 2, " 2.68"},
        {-2.5, 3, 0, " -3"},
        {2.5, 3, 0, "  3"},
        {9.995, 5, 2, "10.00"},
        {9.995, 4, 2, "****"},    // rounding carries it out of the field
        {-0.004, 5, 2, " 0.00"},  // no "-0.00"
        {999, 3, 0, "999"},
        {1000, 3, 0, "***"},
        {-99, 3, 0, "-99"},
        {-100, 3, 0, "***"},
        {12, 2, 0, "12"},
        {1e300, 20, 0, "********************"},
        {std::numeric_limits<double>::quiet_NaN(), 5, 2, "*****"},
        {std::numeric_limits<double>::infinity(), 3, 0, "***"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::string out(c.length, '?');
        bool fits = encodeNumber(c.value, c.length, c.decimals, out.data());
        EXPECT_EQ(out, c.bytes);
        EXPECT_EQ(fits, out[0] != '*');
    }
}

TEST(FieldCodec, NumbersRead) {
    EXPECT_EQ(decodeNumber("       "), 0.0);
    EXPECT_EQ(decodeNumber(" -12.50"), -12.5);
    EXPECT_EQ(decodeNumber("  3"), 3.0);
    EXPECT_EQ(decodeNumber("****"), 0.0);
    EXPECT_EQ(decodeNumber("+4.5 "), 4.5);
}

TEST(FieldCodec, DatesLogicalsAndMemoBlocks) {
    char d[8];
    encodeDate(Date::fromYmd(2026, 3, 5), d);
    EXPECT_EQ(std::string(d, 8), "20260305");
    encodeDate(Date(), d);
    EXPECT_EQ(std::string(d, 8), "        ");
    EXPECT_EQ(decodeDate("20260305"), Date::fromYmd(2026, 3, 5));
    EXPECT_TRUE(decodeDate("        ").isEmpty());
    EXPECT_TRUE(decodeDate("2026ab05").isEmpty());

    for (char c : std::string("TtYy")) EXPECT_TRUE(decodeLogical(c)) << c;
    for (char c : std::string("FfNn ?")) EXPECT_FALSE(decodeLogical(c)) << c;

    char m[10];
    encodeMemoBlock(17, m);
    EXPECT_EQ(std::string(m, 10), "        17");
    encodeMemoBlock(0, m);
    EXPECT_EQ(std::string(m, 10), "          ");
    struct Case {
        const char* bytes;
        bool ok;
        uint32_t block;
    };
    const Case cases[] = {{"        17", true, 17},          {"          ", true, 0},
                          {"4294967295", true, 4294967295U}, {"4294967296", false, 0},
                          {"  12a     ", false, 0},          {"   -5     ", false, 0}};
    for (const Case& c : cases) {
        uint32_t b = 99;
        EXPECT_EQ(decodeMemoBlock(c.bytes, &b), c.ok) << c.bytes;
        if (c.ok) {
            EXPECT_EQ(b, c.block) << c.bytes;
        }
    }
}

}  // namespace
}  // namespace drav::data::codec
