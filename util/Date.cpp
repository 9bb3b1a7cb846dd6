#include "util/Date.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace drav {
namespace {

DateFormat g_format = DateFormat::FourDigitYear;
constexpr int kEpoch = 1980;  // first year of the two-digit window

void civilFromJulian(int32_t jd, int& y, int& m, int& d) {
    // Fliegel and Van Flandern, Gregorian calendar.
    int64_t l = jd + 68569;
    int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    int64_t j = 80 * l / 2447;
    d = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    m = static_cast<int>(j + 2 - 12 * l);
    y = static_cast<int>(100 * (n - 49) + i + l);
}

int32_t julianFromCivil(int y, int m, int d) {
    int64_t a = (14 - m) / 12;
    int64_t yy = y + 4800 - a;
    int64_t mm = m + 12 * a - 3;
    return static_cast<int32_t>(d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 -
                                32045);
}

}  // namespace

void setDateFormat(DateFormat format) { g_format = format; }
DateFormat dateFormat() { return g_format; }

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

Date Date::fromJulian(int32_t julianDay) { return julianDay > 0 ? Date(julianDay) : Date(); }

Date Date::fromYmd(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return Date();
    return Date(julianFromCivil(year, month, day));
}

Date Date::today() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int Date::year() const {
    if (isEmpty()) return 0;
    int y, m, d;
    civilFromJulian(m_julian, y, m, d);
    return y;
}

int Date::month() const {
    if (isEmpty()) return 0;
    int y, m, d;
    civilFromJulian(m_julian, y, m, d);
    return m;
}

int Date::day() const {
    if (isEmpty()) return 0;
    int y, m, d;
    civilFromJulian(m_julian, y, m, d);
    return d;
}

int Date::dow() const {
    if (isEmpty()) return 0;
    // Julian day 0 was a Monday; 1 = Sunday.
    return static_cast<int>((m_julian + 1) % 7) + 1;
}

Date Date::fromDtos(std::string_view text) {
    if (text.size() < 8) return Date();
    int v[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    size_t pos = 0;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < widths[k]; ++i, ++pos) {
            if (!std::isdigit(static_cast<unsigned char>(text[pos]))) return Date();
            v[k] = v[k] * 10 + (text[pos] - '0');
        }
    }
    return fromYmd(v[0], v[1], v[2]);
}

Date Date::fromText(std::string_view text) {
    // Day, month and year are the digit groups in that order; any non-digit
    // separates them.
    int v[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int k = 0;
    bool inNumber = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (k > 2) return Date();
            if (digits[k] >= 4) return Date();
            v[k] = v[k] * 10 + (c - '0');
            ++digits[k];
            inNumber = true;
        } else if (inNumber) {
            ++k;
            inNumber = false;
        }
    }
    if (digits[0] == 0 || digits[1] == 0 || digits[2] == 0) return Date();
    int year = v[2];
    if (digits[2] <= 2) {
        int century = kEpoch / 100 * 100;
        year += century;
        if (year < kEpoch) year += 100;
    }
    return fromYmd(year, v[1], v[0]);
}

std::string Date::dtos() const {
    if (isEmpty()) return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", year(), month(), day());
    return buf;
}

std::string Date::toText() const { return toText(g_format); }

std::string Date::toText(DateFormat format) const {
    bool two = format == DateFormat::TwoDigitYear;
    if (isEmpty()) return two ? "  /  /  " : "  /  /    ";
    char buf[16];
    if (two)
        std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", day(), month(), year() % 100);
    else
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", day(), month(), year());
    return buf;
}

}  // namespace drav
