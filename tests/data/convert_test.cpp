// Values carried from an old field into a new one when a table is rebuilt
// into a newer layout: every row of the conversion table, and the cases a
// real upgrade meets (Italian amounts in text fields, dates typed either way,
// memos into one-line fields, numbers too wide for the new field).
#include "data/upgrade/ConvDato.h"
#include "util/Text.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

const FieldDef C3{"X", 'C', 3, 0}, C4{"X", 'C', 4, 0}, C8{"X", 'C', 8, 0}, C10{"X", 'C', 10, 0},
    C35{"X", 'C', 35, 0}, M{"X", 'M', 10, 0}, D{"X", 'D', 8, 0}, L{"X", 'L', 1, 0},
    N3{"X", 'N', 3, 0}, N5_2{"X", 'N', 5, 2}, N6_2{"X", 'N', 6, 2}, N7{"X", 'N', 7, 0},
    N8{"X", 'N', 8, 0}, N8_2{"X", 'N', 8, 2}, N4_1{"X", 'N', 4, 1};

std::string show(const Value& v) {
    return std::string(1, typeLetter(v)) + "[" + cValToChar(v) + "]";
}

class DateFormatTwoDigits : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = dateFormat();
        setDateFormat(DateFormat::TwoDigitYear);
    }
    void TearDown() override { setDateFormat(m_saved); }

private:
    DateFormat m_saved{};
};

struct Case {
    const char* what;
    Value value;
    FieldDef from, to;
    Value expected;
};

const Date kMarch5 = Date::fromYmd(2026, 3, 5);

using ConvDatoTest = DateFormatTwoDigits;

TEST_F(ConvDatoTest, EveryPairOfTypes) {
    const Case cases[] = {
        // C -> M
        {"text to memo drops trailing blanks", std::string("riga   "), C10, M, std::string("riga")},
        // C, M -> D
        {"dd/mm/yy text", std::string("05/03/26"), C8, D, kMarch5},
        {"YYYYMMDD text", std::string("20260305"), C8, D, kMarch5},
        {"YYYYMMDD after blanks", std::string("  20260305xx"), C35, D, kMarch5},
        {"memo holding a date", std::string("05/03/26"), M, D, kMarch5},
        {"text that is no date", std::string("abc"), C8, D, Date()},
        {"blank text", std::string("        "), C8, D, Date()},
        // C, M -> N
        {"Italian decimals", std::string("12,50"), C8, N5_2, 12.5},
        {"Italian thousands", std::string("1.234,50"), C10, N8_2, 1234.5},
        {"letters", std::string("abc"), C8, N5_2, 0.0},
        {"too wide for N 5,2", std::string("123456.78"), C10, N5_2, 0.0},
        {"negative with comma", std::string("-1,5"), C8, N4_1, -1.5},
        {"digits then letters", std::string(" 42 pezzi"), C10, N3, 42.0},
        {"rounded half away", std::string("2,675"), C8, N5_2, 2.68},
        {"rounding makes it too wide", std::string("999,995"), C10, N6_2, 0.0},
        {"memo number", std::string("7"), M, N3, 7.0},
        // C, M -> L
        {"blank is false", std::string("   "), C3, L, false},
        {".F. is false", std::string(".F."), C3, L, false},
        {".T. is true", std::string(".T."), C3, L, true},
        {"any other text is true", std::string("si"), C3, L, true},
        {"memo with text", std::string("x"), M, L, true},
        // D -> N
        {"date to N 8", kMarch5, D, N8, 20260305.0},
        {"date to N 7 does not fit", kMarch5, D, N7, 0.0},
        {"empty date to N", Date(), D, N8, 0.0},
        // D, N -> L
        {"date is true", kMarch5, D, L, true},
        {"empty date is false", Date(), D, L, false},
        {"number is true", 0.01, N5_2, L, true},
        {"zero is false", 0.0, N5_2, L, false},
        // N -> N
        {"N 2 to N 3 keeps the number", 42.0, N3, N3, 42.0},
        {"too wide for N 5,2", 123456.78, N8_2, N5_2, 0.0},
        {"half rounds up", 12.5, N5_2, N3, 13.0},
        {"negative half rounds away", -2.5, N5_2, N3, -3.0},
        {"rounding to 1000 does not fit N 3", 999.5, N5_2, N3, 0.0},
        {"the sign needs a position", -99.5, N5_2, N3, 0.0},
        {"sign fits", -99.0, N5_2, N3, -99.0},
        // M -> C
        {"two lines into C 35", std::string("Consegnare al portiere\r\ndopo le ore 15:00"), M, C35,
         std::string("Consegnare al portiere dopo le ore ")},
        {"lone line feeds too", std::string("a\nb\rc"), M, C8, std::string("a b c   ")},
        // D -> C, M
        {"date to C", kMarch5, D, C8, std::string("05/03/26")},
        {"empty date to C", Date(), D, C10, std::string(10, ' ')},
        {"empty date to M", Date(), D, M, std::string(8, ' ')},
        {"date to M", kMarch5, D, M, std::string("05/03/26")},
        // N -> C, M
        {"number keeps the old decimals", 12.5, N6_2, C10, std::string("12.50     ")},
        {"zero to C is blank", 0.0, N6_2, C4, std::string("    ")},
        {"whole number to M", 7.0, N3, M, std::string("7")},
        {"negative to C", -3.25, N6_2, C8, std::string("-3.25   ")},
        {"too long for C 3", 1234.0, N8, C3, std::string("123")},
        // L -> C, M
        {"true to C", true, L, C4, std::string(".T. ")},
        {"false to C", false, L, C3, std::string("   ")},
        {"true to M", true, L, M, std::string(".T.")},
        // N -> D
        {"YYYYMMDD number", 20260305.0, N8, D, kMarch5},
        {"zero to D", 0.0, N8, D, Date()},
        {"number that is no date", 123.0, N8, D, Date()},
        // L -> D, N
        {"logical to D", true, L, D, Date()},
        {"true to N", true, L, N3, 1.0},
        {"false to N", false, L, N3, 0.0},
        // same type
        {"C cut", std::string("abcdef"), C10, C3, std::string("abc")},
        {"C padded", std::string("ab"), C3, C4, std::string("ab  ")},
        {"M unchanged", std::string("a\r\nb  "), M, M, std::string("a\r\nb  ")},
        {"D unchanged", kMarch5, D, D, kMarch5},
        {"L unchanged", true, L, L, true},
        // nothing read: the new field's blank value
        {"nothing to C", Value(), C3, C4, std::string("    ")},
        {"nothing to N", Value(), C3, N5_2, 0.0},
        {"nothing to D", Value(), D, D, Date()},
    };
    for (const Case& c : cases) {
        Value got = convDato(c.value, c.from, c.to);
        EXPECT_TRUE(got == c.expected)
            << c.what << ": got " << show(got) << ", expected " << show(c.expected);
    }
}

TEST(AdjNum, ItalianNumberText) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"12,50", "12.50"},
        {"1.234,50", "1234.50"},
        {"1.234.567,8", "1234567.8"},
        {"1.234", "1.234"},  // no comma: left as it is
        {"abc", "abc"},
        {"", ""},
        {",5", ".5"},
    };
    for (const auto& c : cases) EXPECT_EQ(adjNum(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace drav::data
