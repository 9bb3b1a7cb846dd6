// The expression language of index keys, conditions and view conditions:
// values on real records, the type rules, and texts that must be refused.
#include "data/expr/ExprNode.h"
#include "data/expr/Expression.h"
#include "tests/data/MemTable.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using test::MemTable;

// A run record: the fields the runs keys use, plus a memo.
class ExprTest : public ::testing::Test {
protected:
    ExprTest()
        : m_t({{"NUMERO", 'N', 3, 0},
               {"DATA", 'D', 8, 0},
               {"ORA", 'C', 5, 0},
               {"CLIENTE", 'C', 12, 0},
               {"IMPORTO", 'N', 7, 2},
               {"SOSPESO", 'L', 1, 0},
               {"NOTE", 'M', 10, 0}}) {
        m_t.append();
        m_t.setNumber("NUMERO", 7);
        m_t.setDate("DATA", Date::fromYmd(2024, 3, 5));
        m_t.setText("ORA", "09:30");
        m_t.setText("CLIENTE",
                    "Rossi \xE0"
                    "b");
        m_t.setNumber("IMPORTO", -12.5);
        m_t.setLogical("SOSPESO", true);
        m_t.setMemo("NOTE", "fragile, citofono rotto");
        EXPECT_TRUE(m_t.commit());
    }

    Value eval(const std::string& text) {
        Expression e;
        Status s = Expression::compile(text, m_t, e);
        EXPECT_TRUE(s) << text << ": " << s.toString();
        return e.evaluate(m_t);
    }

    MemTable m_t;
};

TEST_F(ExprTest, KeysOfTheSchemaAndTheirForms) {
    struct Case {
        const char* text;
        Value expected;
    };
    const Case cases[] = {
        {"UPPER( FIELD -> cliente )", std::string("ROSSI \xE0"
                                                  "B    ")},
        {"field->CLIENTE", std::string("Rossi \xE0"
                                       "b    ")},
        {"DTOS( FIELD -> data ) + STR( FIELD -> numero, 3 )", std::string("20240305  7")},
        {"DTOS( FIELD -> data ) + FIELD -> ora", std::string("2024030509:30")},
        {"IF( FIELD -> sospeso, \"S\", \" \" ) + DTOS( FIELD -> data ) + STR( FIELD -> numero, 3 )",
         std::string("S20240305  7")},
        {"IIF( !sospeso, 'x', 'y' )", std::string("y")},
        {".T.", true},
        {"!DELETED()", true},
        {"!EMPTY( FIELD -> numero ) .AND. !DELETED()", true},
        {"EMPTY( FIELD -> numero ) .AND. !DELETED()", false},
        {"RECNO()", 1.0},
        {"STR( importo, 7, 2 )", std::string(" -12.50")},
        {"STR( importo, 3 )", std::string("-13")},  // half away from zero
        {"STR( importo, 2 )", std::string("**")},   // does not fit
        {"STR( numero )", std::string("         7")},
        {"numero + 1 - 3", 5.0},
        {"-numero", -7.0},
        {"data", Date::fromYmd(2024, 3, 5)},
    };
    for (const Case& c : cases) EXPECT_EQ(eval(c.text), c.expected) << c.text;
}

TEST_F(ExprTest, ComparisonsAndSubstringForViewConditions) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {
        {"cliente = 'Rossi'", true},  // compared over the right text's length
        {"cliente = ''", true},
        {"cliente == 'Rossi'", false},  // exact: trailing blanks count
        {"cliente == 'Rossi \xE0"
         "b    '",
         true},
        {"cliente != 'Verdi'", true},
        {"cliente <> 'Rossi'", false},
        {"cliente # 'Ro'", false},
        {"'Rossi' < cliente", true},  // shorter and equal as far as it goes: smaller
        {"cliente >= 'Rossi'", true},
        {"cliente > 'Rossi'", false},
        {"cliente <= 'Rossi'", true},
        {"'citofono' $ note", true},
        {"'CITOFONO' $ note", false},
        {"'CITOFONO' $ UPPER( note )", true},
        {"'' $ cliente", true},
        {"numero > 6 .AND. numero < 8", true},
        {"numero = 7.0", true},
        {"importo < 0 .OR. cliente = 'Verdi'", true},
        {"DTOS( data ) >= '20240301' .AND. DTOS( data ) <= '20240331'", true},
        {"sospeso = .T.", true},
        {".NOT. sospeso .OR. numero = 7", true},
        {"! numero = 7", false},  // ! binds looser than the comparison
        {"EMPTY( '  ' ) .AND. EMPTY( 0 ) .AND. !EMPTY( data ) .AND. EMPTY( .F. )", true},
    };
    for (const Case& c : cases) {
        Expression e;
        Status s = Expression::compile(c.text, m_t, e);
        ASSERT_TRUE(s) << c.text << ": " << s.toString();
        ASSERT_EQ(e.type(), 'L') << c.text;
        EXPECT_EQ(e.logical(m_t), c.expected) << c.text;
    }
}

TEST_F(ExprTest, RefusedTextsAreReportedNeverCrash) {
    struct Case {
        const char* text;
        int genCode;  // 7 syntax, 33 type or unknown name
    };
    const Case cases[] = {
        {"", 7},
        {"UPPER( cliente", 7},
        {"UPPER( cliente ) )", 7},
        {"'open text", 7},
        {"cliente +", 7},
        {".X.", 7},
        {"cliente @ 1", 7},
        {"FIELD ->", 7},
        {"nome", 33},
        {"ALIAS -> cliente", 33},
        {"UPPER( numero )", 33},
        {"DTOS( cliente )", 33},
        {"STR( cliente, 3 )", 33},
        {"STR( numero, numero )", 33},
        {"STR( numero, 0 )", 33},
        {"cliente + numero", 33},
        {"cliente = numero", 33},
        {"IF( cliente, 'a', 'b' )", 33},
        {"IF( sospeso, 'a', 1 )", 33},
        {"numero .AND. sospeso", 33},
        {"!cliente", 33},
        {"-cliente", 33},
        {"numero $ cliente", 33},
        {"SUBSTR( cliente, 1, 2 )", 33},
    };
    for (const Case& c : cases) {
        Expression e;
        Status s = Expression::compile(c.text, m_t, e);
        EXPECT_FALSE(s) << c.text;
        EXPECT_EQ(s.genCode(), c.genCode) << c.text << ": " << s.toString();
        EXPECT_FALSE(e.isValid()) << c.text;
    }
}

TEST_F(ExprTest, KeyLengthIsKnownWhenFixed) {
    struct Case {
        const char* text;
        int length;
    };
    const Case cases[] = {
        {"UPPER( cliente )", 12},
        {"DTOS( data ) + STR( numero, 3 )", 11},
        {"IF( sospeso, 'S', ' ' ) + DTOS( data )", 9},
        {"IF( sospeso, 'SS', ' ' )", -1},
        {"cliente + note", -1},
    };
    for (const Case& c : cases) {
        Expression e;
        ASSERT_TRUE(Expression::compile(c.text, m_t, e)) << c.text;
        EXPECT_EQ(e.fixedLength(), c.length) << c.text;
    }
}

TEST_F(ExprTest, StoredValuesAsTheTableWritesThem) {
    // Blank and odd stored bytes: a blank number is 0, a blank or impossible
    // date is the empty date (DTOS eight blanks), a blank logical is false.
    m_t.append();
    EXPECT_EQ(eval("DTOS( data ) + STR( numero, 3 )"), Value(std::string("          0")));
    EXPECT_EQ(eval("EMPTY( numero ) .AND. EMPTY( data ) .AND. !sospeso"), Value(true));
    m_t.setText("DATA", "20240231");
    EXPECT_EQ(eval("DTOS( data )"), Value(std::string("        ")));
    m_t.setText("SOSPESO", "y");
    m_t.setText("NUMERO", " -5");
    EXPECT_EQ(eval("IF( sospeso, STR( numero, 4 ), 'no' )"), Value(std::string("  -5")));
    EXPECT_TRUE(m_t.commit());
}

TEST(ExprHelpers, StrRoundsAndFills) {
    struct Case {
        double v;
        int len, dec;
        const char* expected;
    };
    const Case cases[] = {
        {0, 3, 0, "  0"},          {2.5, 1, 0, "3"},       {-2.5, 2, 0, "-3"},
        {2.675, 5, 2, " 2.68"},    {0.05, 4, 1, " 0.1"},   {-0.004, 5, 2, " 0.00"},
        {999.995, 6, 2, "******"}, {1234, 3, 0, "***"},    {0.5, 4, 3, "****"},
        {12.5, 6, 3, "12.500"},    {-0.25, 5, 1, " -0.3"}, {1e300, 5, 0, "*****"},
        // Whole numbers of 15 digits keep every digit; a wide value keeps
        // the digits it was written with.
        {500000000000000.0, 15, 0, "500000000000000"},
        {999999999999999.0, 15, 0, "999999999999999"},
        {-123456789012.345, 17, 2, " -123456789012.35"},
        {1e16 + 2, 17, 0, "10000000000000002"},
        {0.000001, 10, 6, "  0.000001"},
        {1e-300, 5, 2, " 0.00"},
    };
    for (const Case& c : cases) {
        std::string out;
        appendStr(c.v, c.len, c.dec, out);
        EXPECT_EQ(out, c.expected) << c.v << " " << c.len << " " << c.dec;
    }
    EXPECT_EQ(parseNumberField("   "), 0.0);
    EXPECT_EQ(parseNumberField("  -12.50"), -12.5);
    EXPECT_EQ(parseNumberField("****"), 0.0);
    EXPECT_EQ(parseNumberField(" 42"), 42.0);
}

// STR of a number field is laid out from the stored digits; whatever they
// hold, the key is the one the number read from them gives.
TEST(ExprHelpers, StrOfANumberFieldGivesTheGeneralResult) {
    struct Case {
        int fieldLength, fieldDecimals;
        const char* stored;
        int len, dec;  // of STR
    };
    const Case cases[] = {
        // The runs keys: STR( numero, 3 ) of N 3.
        {3, 0, "  0", 3, 0},
        {3, 0, "  7", 3, 0},
        {3, 0, "999", 3, 0},
        {3, 0, "   ", 3, 0},
        {3, 0, "-99", 3, 0},
        {3, 0, "007", 3, 0},
        {3, 0, " -0", 3, 0},
        {3, 0, "  7", 10, 0},
        // Overflow to asterisks, with and without the sign.
        {5, 0, "12345", 3, 0},
        {5, 0, " -123", 3, 0},
        {5, 0, "  -12", 3, 0},
        {7, 2, "  99.99", 6, 2},
        {7, 2, "  99.99", 4, 1},
        // Rounding half away from zero, up through a carry, down to zero.
        {7, 2, "  -2.50", 3, 0},
        {7, 2, "   2.45", 4, 1},
        {7, 2, "   0.05", 4, 1},
        {7, 2, "  -0.04", 4, 1},
        {7, 2, "  -0.05", 4, 1},
        {7, 2, "   9.95", 4, 1},
        {7, 2, "   9.95", 3, 1},
        {7, 2, "   9.99", 2, 0},
        {7, 2, " -12.50", 7, 2},
        {7, 2, " -12.50", 3, 0},
        {7, 2, " -12.50", 2, 0},
        // More places than stored, none at all.
        {6, 0, "    12", 6, 2},
        {6, 0, "    12", 5, 2},
        {8, 2, "    0.00", 4, 3},
        {8, 2, "    0.10", 8, 5},
        // Wide fields: 15 digits are laid out as stored, more go the general way.
        {19, 0, "    999999999999999", 19, 0},
        {19, 0, "    500000000000000", 15, 0},
        {19, 0, "9007199254740993", 19, 0},
        {19, 0, "1234567890123456789", 19, 0},
        {19, 4, "  12345678901.2345", 19, 3},
        {19, 2, "0.00000000000000001", 19, 2},
        // Texts that are not plain digits.
        {6, 0, "   1e5", 10, 0},
        {6, 0, "    +5", 3, 0},
        {6, 0, "     -", 3, 0},
        {6, 0, "     .", 3, 0},
        {6, 0, "    5.", 3, 0},
        {6, 0, "    .5", 3, 0},
        {6, 0, "   1 2", 3, 0},
        {6, 0, "  ****", 3, 0},
        {6, 0, "  --5", 3, 0},
        {6, 0, "12    ", 3, 0},
        {6, 0, "  -.5", 4, 1},
    };
    for (const Case& c : cases) {
        MemTable t({{"N", 'N', c.fieldLength, c.fieldDecimals}});
        t.append();
        t.setText("N", c.stored);
        ASSERT_TRUE(t.commit());
        const std::string text =
            "STR( n, " + std::to_string(c.len) + ", " + std::to_string(c.dec) + " )";
        Expression e;
        ASSERT_TRUE(Expression::compile(text, t, e)) << text;
        std::string general;
        appendStr(parseNumberField(c.stored), c.len, c.dec, general);
        EXPECT_EQ(e.evaluate(t), Value(general)) << "\"" << c.stored << "\" " << text;
        EXPECT_EQ(general.size(), static_cast<size_t>(c.len)) << c.stored << " " << text;
    }
}

}  // namespace
}  // namespace drav::data
