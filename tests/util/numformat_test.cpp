// Number pictures and the amount formatters: every amount on screen and on
// paper goes through these, so the exact text matters to the character.
#include "util/NumFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace drav {
namespace {

TEST(Transform, Pictures) {
    struct Case {
        const char* picture;
        double value;
        const char* expected;
    } cases[] = {
        // Italian text: "." thousands, "," decimals.
        {"@E 99,999.99", 1234.5, " 1.234,50"},
        {"@E 99,999.99", -1234.5, "-1.234,50"},
        {"@E 99,999.99", 0.5, "     0,50"},
        {"@E 99,999,999.99", 1234567.891, " 1.234.567,89"},
        // The minus moves into a separator it stands before.
        {"@E 99,999.99", -123.4, "  -123,40"},
        {"9,999", -999, " -999"},
        {"@E 99,999,999.99", -0.5, "        -0,50"},
        // Ordinary text without E.
        {"9,999", 1234, "1,234"},
        {"9,999", 999, "  999"},
        {"99,999,999.99", 1234567.891, " 1,234,567.89"},
        {"99999", 1234, " 1234"},
        {".99", 0.5, ".50"},
        {".99", -0.5, ".**"},
        // Rounding half away from zero, on the decimal value the user sees.
        {"999", 12.5, " 13"},
        {"999", -12.5, "-13"},
        {"999", 2.5, "  3"},
        {"999", -2.5, " -3"},
        {"999", 12.4999, " 12"},
        {"99.99", 2.675, " 2.68"},
        {"99.99", 1.005, " 1.01"},
        {"99.99", -1.005, "-1.01"},
        {"99.99", 0.1 + 0.2, " 0.30"},
        {"@E 99,999,999.99", 9999999.995, "10.000.000,00"},
        // A value that rounds to zero carries no minus sign.
        {"@E 99.99", -0.004, " 0,00"},
        {"999", -0.4, "  0"},
        // Overflow: stars in digit positions and in separators after a star,
        // the decimal separator kept; the minus needs a position too.
        {"999", 1000, "***"},
        {"999", -100, "***"},
        {"9,999", 12345, "*****"},
        {"@E 99,999.99", -12345, "******,**"},
        {"@E 99,999,999.99", 123456789.5, "**********,**"},
        {"@E 99,999,999.99", 99999999.995, "**********,**"},
        {"99.99", 100, "**.**"},
        // Z: blank when the value shows as zero, same width.
        {"@ZE 99.99", 0, "     "},
        {"@ZE 99.99", 0.004, "     "},
        {"@ZE 99.99", 0.005, " 0,01"},
        {"@EZ 9,999.99", -0.001, "        "},
        {"@Z 99999", 0, "     "},
        {"@Z 99999", 42, "   42"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(transform(c.value, c.picture), c.expected) << c.picture << " of " << c.value;
}

TEST(Transform, NonFiniteValuesShowAsOverflow) {
    EXPECT_EQ(transform(std::numeric_limits<double>::infinity(), "@E 9,999.99"), "*****,**");
    EXPECT_EQ(transform(-std::numeric_limits<double>::infinity(), "999"), "***");
    EXPECT_EQ(transform(std::nan(""), "@ZE 99.99"), "**,**");
    EXPECT_EQ(transform(1e300, "@E 99,999.99"), "******,**");
}

TEST(DigitGroupPicture, GroupsOfThreeFromTheRight) {
    EXPECT_EQ(digitGroupPicture(1), "9");
    EXPECT_EQ(digitGroupPicture(3), "999");
    EXPECT_EQ(digitGroupPicture(4), "9,999");
    EXPECT_EQ(digitGroupPicture(8), "99,999,999");
    EXPECT_EQ(digitGroupPicture(10), "9,999,999,999");
    EXPECT_EQ(digitGroupPicture(15), "999,999,999,999,999");
    EXPECT_EQ(digitGroupPicture(22), "999,999,999,999,999");  // at most 15 digits
}

TEST(Formatters, ComputedValues) {
    struct Case {
        std::string got;
        const char* expected;
    } cases[] = {
        {nstr(1234), "        1.234"},
        {nstr(12.5), "           13"},
        {nstr(-12.5), "          -13"},
        {nstr(-1234), "       -1.234"},
        {nstr(0), "            0"},
        {zstr(0), "             "},
        {zstr(7), "            7"},
        {sstr(-7), "            7-"},
        {sstr(7), "            7 "},
        {sstr(0), "              "},
        {sstr(0, {}, true), "            0 "},
        {sstr(-0.4), "              "},
        {enstr(1234567.891), " 1.234.567,89"},
        {enstr(0), "         0,00"},
        {enstr(-123.45), "      -123,45"},
        {enstr(-0.5), "        -0,50"},
        {enstr(123456789.5), "**********,**"},
        {ezstr(0), "             "},
        {ezstr(-0.004), "             "},
        {esstr(-1234.5), "     1.234,50-"},
        {esstr(1234.5), "     1.234,50 "},
        {esstr(0), "              "},
        {esstr(0, {}, true), "         0,00 "},
        {esstr(-0.001, {}, true), "         0,00 "},
        // Beyond ten digits the natural width is 20: 15 digits for amounts,
        // back to 10 for whole numbers.
        {enstr(12345678901.5), "     12.345.678.901,50"},
        {nstr(12345678901.0), "*************"},
        {nstr(-1000000001.0), "*************"},
        // Explicit widths.
        {enstr(1234.5, 9), "    1.234,50"},
        {nstr(5, 1), "5"},
        {nstr(1234, 20), "        1.234"},  // 20 becomes 10
        {sstr(-1234, 4), "1.234-"},
        {esstr(-3.5, 4, true), " 3,50-"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Formatters, FieldValuesUseTheFieldWidth) {
    const NumField costopony{4, 2}, costoclie{5, 2}, impcont{6, 2}, importo{7, 2}, impor{8, 2},
        buoni{2, 0}, numero3{3, 0}, numero5{5, 0};
    struct Case {
        std::string got;
        const char* expected;
    } cases[] = {
        {enstr(1234.5, importo), "1.234,50"},
        {enstr(12.5, importo), "   12,50"},
        {ezstr(0, importo), "        "},
        {enstr(3.5, costopony), "3,50"},
        {nstr(12345, numero5), "12.345"},
        {zstr(7, buoni), " 7"},
        {zstr(0, buoni), "  "},
        {nstr(7, costopony), "7"},
        {nstr(45, costoclie), "45"},
        {enstr(45.5, costoclie), "45,50"},
        {enstr(-12.5, impcont), "-12,50"},
        {nstr(123, impcont), "123"},
        {nstr(1234, importo), "1.234"},
        {nstr(12345, impor), "12.345"},
        {enstr(12345.67, impor), "12.345,67"},
        {nstr(999, numero3), "999"},
        {esstr(-99.5, importo), "   99,50-"},
        {sstr(-12, buoni, true), "12-"},
        // A value too large for its field's width keeps the width.
        {enstr(12345.5, importo), "*****,**"},
        {nstr(1000, numero3), "***"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Formatters, WidthNeverDependsOnTheValue) {
    const double values[] = {0, 0.004, -0.004, 1, -1, 12.5, -99999.99, 1e9, 123456789.5};
    for (double v : values) {
        EXPECT_EQ(enstr(v).size(), 13u) << v;
        EXPECT_EQ(ezstr(v).size(), 13u) << v;
        EXPECT_EQ(esstr(v).size(), 14u) << v;
        EXPECT_EQ(esstr(v, {}, true).size(), 14u) << v;
        EXPECT_EQ(nstr(v).size(), 13u) << v;
        EXPECT_EQ(zstr(v).size(), 13u) << v;
        EXPECT_EQ(sstr(v).size(), 14u) << v;
        EXPECT_EQ(enstr(v, NumField{7, 2}).size(), 8u) << v;
        EXPECT_EQ(ezstr(v, NumField{7, 2}).size(), 8u) << v;
        EXPECT_EQ(zstr(v, NumField{3, 0}).size(), 3u) << v;
    }
}

}  // namespace
}  // namespace drav
