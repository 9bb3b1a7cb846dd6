// Calendar dates as the tables hold them: a Julian day number, 0 for the
// empty date (an unset D field). 1 January 2000 is day 2451545.
//
// Text conversions follow the process-wide date format: "dd/mm/yyyy" until
// the program switches it to two-digit years ("dd/mm/yy") at start. Two-digit
// years 80..99 are 1980..1999, 00..79 are 2000..2079.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace drav {

enum class DateFormat { FourDigitYear, TwoDigitYear };

void setDateFormat(DateFormat format);
DateFormat dateFormat();

class Date {
public:
    Date() = default;

    static Date fromJulian(int32_t julianDay);
    // An impossible date (31 April, month 13, year 0) gives the empty date.
    static Date fromYmd(int year, int month, int day);
    static Date today();
    // Eight digits year, month, day; anything else gives the empty date.
    static Date fromDtos(std::string_view text);
    // A date typed or stored as text in the current format; the empty date
    // when the text does not hold a valid date.
    static Date fromText(std::string_view text);

    bool isEmpty() const { return m_julian == 0; }
    int32_t julian() const { return m_julian; }
    int year() const;
    int month() const;
    int day() const;
    // 1 Sunday .. 7 Saturday; 0 for the empty date.
    int dow() const;

    // "YYYYMMDD", eight blanks for the empty date.
    std::string dtos() const;
    // In the current format; blanks with the two slashes for the empty date.
    std::string toText() const;
    std::string toText(DateFormat format) const;

    Date addDays(int days) const { return isEmpty() ? Date() : fromJulian(m_julian + days); }
    friend int operator-(Date a, Date b) { return a.m_julian - b.m_julian; }
    friend auto operator<=>(Date, Date) = default;

private:
    explicit Date(int32_t jd) : m_julian(jd) {}
    int32_t m_julian = 0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

}  // namespace drav
