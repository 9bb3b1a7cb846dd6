// Checks of what the user types: Italian tax numbers and bank accounts,
// e-mail addresses, digit strings, times of day, leap years, holidays and
// names usable as file names.
//
// Every check returns a logical and never fails: malformed input (wrong
// length, unexpected characters, trailing blanks of a padded field where
// they matter) gives false. Texts are table bytes (Windows-1252); letter
// case is folded only where a rule says so, and only a-z become A-Z.
#pragma once

#include "util/Date.h"

#include <string>
#include <string_view>

namespace drav {

// Partita IVA: 11 digits (trailing blanks ignored) with the Luhn-style
// check digit; "00000000000" is refused although its check digit matches.
bool isIva(std::string_view text);
// Codice fiscale: 16 letters and digits (upper-cased first, trailing blanks
// ignored), 12th a letter, 16th the check letter. A text of any other length
// is taken as a partita IVA.
bool isCod(std::string_view text);
// Italian IBAN: 27 capitals and digits once surrounding blanks are removed,
// ISO 13616 mod-97 check.
bool isIban(std::string_view text);
// A plausible e-mail address: one "@", a "." after it, no blank, not ending
// with "."; besides letters and digits only "." "@" "_" "-" "'" .
bool isEmail(std::string_view text);
// Not empty and digits "0"-"9" only (a padded field's blanks make it false).
// The overloads keep a text argument away from isNumber(const Value&).
bool isNumber(std::string_view text);
inline bool isNumber(const std::string& text) {
    return isNumber(std::string_view(text));
}
inline bool isNumber(const char* text) {
    return isNumber(std::string_view(text));
}
// "HH:MM" or "HH:MM:SS" with hours <= 23, minutes and seconds <= 59; an
// unfilled time "  :  " is false.
bool isTime(std::string_view text);
// Gregorian leap year; false for the empty date.
bool isLeap(int year);
bool isLeap(Date date);
// An Italian public holiday or a Sunday, or a Saturday when
// saturdayIsHoliday; false for the empty date.
bool isFest(Date date, bool saturdayIsHoliday = true);
// The text, trimmed and upper-cased, can name a file: not empty, none of
// the characters  " * / : < > ? \ |  nor a control character, not "." or
// "..", and not a device name (NUL, CON, PRN, AUX, LPT1-3, COM1-4), so that
// the same identifier works on every station.
bool lfnFname(std::string_view text);

}  // namespace drav
