// Input checks and the calendar: tax numbers, bank accounts, e-mail, times,
// holidays and month arithmetic.
#include "util/Validate.h"
#include "util/Calendar.h"
#include "util/Value.h"

#include <gtest/gtest.h>

namespace drav {
namespace {

Date ymd(int y, int m, int d) {
    return Date::fromYmd(y, m, d);
}

TEST(Validate, PartitaIva) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"12345678903", true},
        {"12345678900", false},
        {"12345678903    ", true},  // a padded field: trailing blanks ignored
        {" 12345678903", false},    // a leading blank is a wrong character
        {"00000000000", false},     // check digit matches, but no such number
        {"1234567890", false},
        {"123456789030", false},
        {"", false},
        {"1234567890A", false},
        {"A2345678907", false},  // the sum alone would accept the letter
    };
    for (const auto& c : cases) EXPECT_EQ(isIva(c.text), c.valid) << '"' << c.text << '"';
}

TEST(Validate, CodiceFiscale) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"AAABBB00A01A000I", true},   {"aaabbb00a01a000i", true},   // upper-cased first
        {"AAABBB00A01A000I  ", true}, {"AAABBB00A01A000J", false},  // wrong check letter
        {"AAABBB00A0101000I", false},  // 17 characters: taken as a VAT number
        {"AAABBB00A0110000", false},   // 12th character a digit
        {"AAABBB00A01A0008", false},   // a digit never matches the check
        {"AAABBB00A01A-00I", false},  {"12345678903", true},  // 11 digits: the VAT rule
        {"12345678900", false},       {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isCod(c.text), c.valid) << '"' << c.text << '"';
}

TEST(Validate, Iban) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"IT90X1234512345123456789012", true},     {"IT00X1234512345123456789012", false},
        {"  IT90X1234512345123456789012  ", true},  // surrounding blanks removed
        {"IT90X123451234512345678901", false},      // 26 characters
        {"it90x1234512345123456789012", false},     // not case-folded
        {"IT90X 234512345123456789012", false},    {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isIban(c.text), c.valid) << '"' << c.text << '"';
}

TEST(Validate, Email) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"mario.rossi@example.it", true},
        {"mario.rossi@example.it   ", true},
        {"o'neil_b-x@posta.example.com", true},
        {"mario@example", false},  // no "." after the "@"
        {"mario.rossi@example", false},
        {"mario@example.it.", false},  // ends with "."
        {"mario rossi@example.it", false},
        {"mario@@example.it", false},
        {"a@b@example.it", false},
        {"mario.example.it", false},
        {"mario@example.it;", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isEmail(c.text), c.valid) << '"' << c.text << '"';
}

TEST(Validate, NumberAndTime) {
    EXPECT_TRUE(isNumber("0123"));
    EXPECT_FALSE(isNumber(""));
    EXPECT_FALSE(isNumber("12 "));
    EXPECT_FALSE(isNumber("-12"));
    EXPECT_FALSE(isNumber(std::string("1.5")));
    EXPECT_TRUE(isNumber(Value(1.5)));  // the value-kind test is still reachable

    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"23:59", true},  {"00:00", true},  {"24:00", false},   {"12:60", false},
        {"  :  ", false}, {"12:3 ", false}, {"12:30:59", true}, {"12:30:60", false},
        {"ab:cd", false}, {"1230", false},  {"", false},        {"12.30", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isTime(c.text), c.valid) << '"' << c.text << '"';
}

TEST(Calendar, LeapYears) {
    EXPECT_TRUE(isLeap(2024));
    EXPECT_TRUE(isLeap(2000));
    EXPECT_FALSE(isLeap(2100));
    EXPECT_FALSE(isLeap(2023));
    EXPECT_TRUE(isLeap(ymd(2024, 7, 1)));
    EXPECT_FALSE(isLeap(Date()));
}

TEST(Calendar, Easter) {
    struct Case {
        int year, month, day;
    } cases[] = {{2024, 3, 31}, {2025, 4, 20}, {2026, 4, 5},
                 {2000, 4, 23}, {2038, 4, 25}, {2285, 3, 22}};
    for (const auto& c : cases) {
        EXPECT_EQ(easter(c.year), ymd(c.year, c.month, c.day)) << c.year;
        EXPECT_EQ(easter(ymd(c.year, 11, 2)), ymd(c.year, c.month, c.day)) << c.year;
    }
    EXPECT_TRUE(easter(999).isEmpty());
    EXPECT_TRUE(easter(Date()).isEmpty());
}

TEST(Calendar, Holidays) {
    struct Case {
        Date date;
        bool withSaturday, withoutSaturday;
    } cases[] = {
        {ymd(2024, 4, 1), true, true},   // Easter Monday
        {ymd(2025, 4, 21), true, true},  // Easter Monday
        {ymd(2024, 3, 31), true, true},  // Easter Sunday is a Sunday
        {ymd(2024, 4, 2), false, false},  {ymd(2024, 1, 1), true, true},
        {ymd(2024, 1, 6), true, true},    {ymd(2024, 4, 25), true, true},
        {ymd(2024, 5, 1), true, true},    {ymd(2023, 6, 2), true, true},
        {ymd(2031, 6, 2), true, true},    {ymd(2024, 8, 15), true, true},
        {ymd(2024, 11, 1), true, true},   {ymd(2024, 12, 8), true, true},
        {ymd(2024, 12, 25), true, true},  {ymd(2024, 12, 26), true, true},
        {ymd(2024, 3, 16), true, false},   // a Saturday
        {ymd(2024, 3, 17), true, true},    // a Sunday
        {ymd(2024, 3, 15), false, false},  // a Friday
        {Date(), false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isFest(c.date), c.withSaturday) << c.date.dtos();
        EXPECT_EQ(isFest(c.date, false), c.withoutSaturday) << c.date.dtos();
    }
}

TEST(Calendar, AddMonth) {
    struct Case {
        Date from;
        int n;
        Date expected;
    } cases[] = {
        {ymd(2024, 1, 15), 1, ymd(2024, 2, 15)},
        {ymd(2024, 1, 15), -1, ymd(2023, 12, 15)},
        {ymd(2024, 12, 15), 1, ymd(2025, 1, 15)},
        {ymd(2024, 1, 15), -13, ymd(2022, 12, 15)},
        {ymd(2024, 1, 15), -12, ymd(2023, 1, 15)},
        {ymd(2024, 1, 15), 24, ymd(2026, 1, 15)},
        {ymd(2024, 1, 31), 1, Date()},  // no 31 February
        {ymd(2024, 1, 29), 1, ymd(2024, 2, 29)},
        {ymd(2023, 1, 29), 1, Date()},
        {ymd(2024, 5, 31), -1, Date()},  // no 31 April
        {ymd(2024, 5, 31), 0, ymd(2024, 5, 31)},
        {Date(), 1, Date()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addMonth(c.from, c.n), c.expected) << c.from.dtos() << " + " << c.n;
}

TEST(Calendar, MonthLengthAndNames) {
    EXPECT_EQ(mDays(ymd(2024, 2, 10)), 29);
    EXPECT_EQ(mDays(ymd(2100, 2, 1)), 28);
    EXPECT_EQ(mDays(ymd(2024, 4, 30)), 30);
    EXPECT_EQ(mDays(ymd(2024, 12, 1)), 31);
    EXPECT_EQ(mDays(Date()), 0);

    EXPECT_EQ(cDay(ymd(2024, 3, 17)), "Domenica");
    EXPECT_EQ(cDay(ymd(2024, 3, 18)), "Luned\xEC");
    EXPECT_EQ(cDay(ymd(2024, 3, 20)), "Mercoled\xEC");
    EXPECT_EQ(cDay(ymd(2024, 3, 23)), "Sabato");
    EXPECT_EQ(cDay(Date()), "");

    EXPECT_EQ(cMnt(1), "Gennaio");
    EXPECT_EQ(cMnt(9), "Settembre");
    EXPECT_EQ(cMnt(12), "Dicembre");
    EXPECT_EQ(cMnt(ymd(2024, 8, 15)), "Agosto");
    EXPECT_EQ(cMnt(0), "");
    EXPECT_EQ(cMnt(13), "");
    EXPECT_EQ(cMnt(Date()), "");
}

TEST(Validate, FileNames) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"UTENTE1", true}, {"  utente1  ", true}, {"lpt1", false}, {"LPT1", false},
        {"NUL", false},    {"com4", false},       {"COM5", true},  {"CONSOLE", true},
        {"A/B", false},    {"A\\B", false},       {"A:B", false},  {"A*", false},
        {"A?", false},     {"A<B", false},        {"A>B", false},  {"A|B", false},
        {"A\"B", false},   {"", false},           {"   ", false},  {".", false},
        {"..", false},     {"A\tB", false},       {"A B", true},
    };
    for (const auto& c : cases) EXPECT_EQ(lfnFname(c.text), c.valid) << '"' << c.text << '"';
}

}  // namespace
}  // namespace drav
