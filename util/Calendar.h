// Month arithmetic, Easter and the Italian names of days and months.
//
// Names are table bytes (Windows-1252): "Luned\xEC" is "Lunedì".
#pragma once

#include "util/Date.h"

#include <string>

namespace drav {

// Easter Sunday of the year (Gregorian computus); the empty date for years
// outside 1000..9999 and for the empty date.
Date easter(int year);
Date easter(Date date);
// The same day n months later (n may be negative); the empty date when that
// day does not exist in the target month, or for the empty date.
Date addMonth(Date date, int n);
// Days of the date's month; 0 for the empty date.
int mDays(Date date);
// "Domenica" ... "Sabato"; "" for the empty date.
std::string cDay(Date date);
// "Gennaio" ... "Dicembre"; "" for 0, the empty date or a number outside 1..12.
std::string cMnt(int month);
std::string cMnt(Date date);

}  // namespace drav
