// The input checks (see Validate.h).
//
//   1. Small text helpers
//   2. Tax numbers and bank accounts (isIva, isCod, isIban)
//   3. E-mail, digits, time (isEmail, isNumber, isTime)
//   4. Calendar checks (isLeap, isFest)
//   5. File names (lfnFname)
#include "util/Validate.h"

#include "util/Calendar.h"
#include "util/Text.h"

#include <array>

namespace drav {
namespace {

// ---- 1. Small text helpers -----------------------------------------------

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isAsciiLetter(char c) {
    return isUpper(c) || (c >= 'a' && c <= 'z');
}

std::string_view trimRightView(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimRightView(s);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

}  // namespace

// ---- 2. Tax numbers and bank accounts -------------------------------------

bool isIva(std::string_view text) {
    std::string_view t = trimRightView(text);
    if (t.size() != 11 || t == "00000000000") return false;
    // Only digits: a letter would enter the sum with an arbitrary weight and
    // could let a mistyped code through (isCod hands any non-16-character
    // text of the fiscal-code field, letters included, to this check).
    for (char c : t)
        if (!isDigit(c)) return false;
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        int d = t[i] - '0';
        if (i % 2 == 0) {
            sum += d;  // odd positions, counting from 1
        } else {
            int dd = 2 * d;
            sum += dd / 10 + dd % 10;
        }
    }
    return (10 - sum % 10) % 10 == t[10] - '0';
}

bool isCod(std::string_view text) {
    std::string t;
    for (char c : trimRightView(text)) t.push_back(upperAscii(c));
    if (t.size() != 16) return isIva(t);
    if (!isUpper(t[11])) return false;
    static constexpr std::array<int, 26> kOdd = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                                 20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        char c = t[i];
        int v;
        if (isUpper(c))
            v = c - 'A';
        else if (isDigit(c))
            v = c - '0';
        else
            return false;
        sum += (i % 2 == 0) ? kOdd[v] : v;  // i even is an odd position from 1
    }
    return isUpper(t[15]) && sum % 26 == t[15] - 'A';
}

bool isIban(std::string_view text) {
    std::string_view t = trim(text);
    if (t.size() != 27) return false;
    std::string moved = std::string(t.substr(4)) + std::string(t.substr(0, 4));
    // Digit by digit: the same remainder as reducing eight digits at a time.
    int rem = 0;
    for (char c : moved) {
        if (isDigit(c)) {
            rem = (rem * 10 + (c - '0')) % 97;
        } else if (isUpper(c)) {
            int v = c - 'A' + 10;
            rem = (rem * 100 + v) % 97;
        } else {
            return false;  // lower case or punctuation: not an IBAN as printed
        }
    }
    return rem == 1;
}

// ---- 3. E-mail, digits, time -------------------------------------------------

bool isEmail(std::string_view text) {
    std::string_view t = trimRightView(text);
    if (t.find(' ') != t.npos || t.empty() || t.back() == '.' || t.find('.') == t.npos)
        return false;
    size_t at = t.find('@');
    if (at == t.npos || t.find('@', at + 1) != t.npos) return false;
    if (t.find('.', at + 1) == t.npos) return false;
    for (char c : t) {
        if (c == '.' || c == '@' || c == '_' || c == '-' || c == '\'') continue;
        if (!isAsciiLetter(c) && !isDigit(c)) return false;
    }
    return true;
}

bool isNumber(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

bool isTime(std::string_view text) {
    if (text.find(' ') != text.npos) return false;
    // "HH:MM" or "HH:MM:SS": two digits per part, ":" between parts.
    if (text.size() != 5 && text.size() != 8) return false;
    auto part = [&](size_t at) -> int {
        if (!isDigit(text[at]) || !isDigit(text[at + 1])) return -1;
        return (text[at] - '0') * 10 + (text[at + 1] - '0');
    };
    if (text[2] != ':' || (text.size() == 8 && text[5] != ':')) return false;
    int hours = part(0), minutes = part(3), seconds = text.size() == 8 ? part(6) : 0;
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0 &&
           seconds <= 59;
}

// ---- 4. Calendar checks ------------------------------------------------------

bool isLeap(int year) {
    return isLeapYear(year);
}
bool isLeap(Date date) {
    return !date.isEmpty() && isLeapYear(date.year());
}

bool isFest(Date date, bool saturdayIsHoliday) {
    if (date.isEmpty()) return false;
    struct DayMonth {
        int day, month;
    };
    static constexpr DayMonth kFixed[] = {
        {1, 1},    // New Year's Day
        {6, 1},    // Epiphany
        {25, 4},   // Liberation Day
        {1, 5},    // Labour Day
        {2, 6},    // Republic Day
        {15, 8},   // Assumption
        {1, 11},   // All Saints
        {8, 12},   // Immaculate Conception
        {25, 12},  // Christmas
        {26, 12},  // St Stephen's Day
    };
    const int d = date.day(), m = date.month();
    for (const auto& f : kFixed)
        if (f.day == d && f.month == m) return true;
    Date easterMonday = easter(date.year()).addDays(1);
    if (!easterMonday.isEmpty() && date == easterMonday) return true;
    if (date.dow() == 1) return true;
    return saturdayIsHoliday && date.dow() == 7;
}

// ---- 5. File names -----------------------------------------------------------

bool lfnFname(std::string_view text) {
    std::string t;
    for (char c : trim(text)) t.push_back(upperAscii(c));
    if (t.empty() || t == "." || t == "..") return false;
    for (char c : t) {
        if (static_cast<unsigned char>(c) < 32) return false;
        switch (c) {
            case '"':
            case '*':
            case '/':
            case ':':
            case '<':
            case '>':
            case '?':
            case '\\':
            case '|':
                return false;
            default:
                break;
        }
    }
    static constexpr const char* kDevices[] = {"NUL",  "CON",  "PRN",  "AUX",  "LPT1", "LPT2",
                                               "LPT3", "COM1", "COM2", "COM3", "COM4"};
    for (const char* dev : kDevices)
        if (t == dev) return false;
    return true;
}

}  // namespace drav
