// Month arithmetic, Easter and the Italian day and month names.
#include "util/Calendar.h"

namespace drav {

Date easter(int year) {
    // Meeus/Jones/Butcher Gregorian computus; every division is integer.
    if (year < 1000 || year > 9999) return Date();
    const int y = year;
    const int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int n = h + l - 7 * m + 114;
    return Date::fromYmd(y, n / 31, n % 31 + 1);
}

Date easter(Date date) {
    return date.isEmpty() ? Date() : easter(date.year());
}

Date addMonth(Date date, int n) {
    if (date.isEmpty()) return Date();
    // Whole years first, so a large n costs nothing.
    long month = date.month() - 1L + n;
    long year = date.year() + month / 12;
    month %= 12;
    if (month < 0) {
        month += 12;
        --year;
    }
    if (year < 1 || year > 9999) return Date();
    // fromYmd gives the empty date for a day the target month lacks.
    return Date::fromYmd(static_cast<int>(year), static_cast<int>(month) + 1, date.day());
}

int mDays(Date date) {
    return date.isEmpty() ? 0 : daysInMonth(date.year(), date.month());
}

std::string cDay(Date date) {
    static const char* const kDays[] = {"Domenica",   "Luned\xEC",  "Marted\xEC", "Mercoled\xEC",
                                        "Gioved\xEC", "Venerd\xEC", "Sabato"};
    int dow = date.dow();
    return dow >= 1 && dow <= 7 ? kDays[dow - 1] : "";
}

std::string cMnt(int month) {
    static const char* const kMonths[] = {"Gennaio",   "Febbraio", "Marzo",    "Aprile",
                                          "Maggio",    "Giugno",   "Luglio",   "Agosto",
                                          "Settembre", "Ottobre",  "Novembre", "Dicembre"};
    return month >= 1 && month <= 12 ? kMonths[month - 1] : "";
}

std::string cMnt(Date date) {
    return cMnt(date.month());
}

}  // namespace drav
