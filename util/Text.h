// Text helpers: letter case and trailing blanks, searching, the display
// text of a value, values written as literals of a search condition, the
// first value that is set.
//
// Texts are table bytes (Windows-1252); comparisons are exact.
#pragma once

#include "util/Value.h"

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace drav {

// Letters a-z to A-Z and nothing else: keys, names and searches must give
// the same bytes on every station, whatever its national settings.
constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
void upperAscii(char* text, size_t length);
std::string upperAscii(std::string_view text);
// Equal but for the letter case of a-z (names of fields, tags, aliases, keys).
bool sameIgnoringCase(std::string_view a, std::string_view b);

// The text without its trailing blanks (other white space stays).
std::string trimRight(std::string_view text);
QString trimRight(const QString& text);

// 1-based position of the first occurrence of `search` in `target` at or
// after `start` (1-based; 0 means the first character), reported in the
// whole target; 0 when absent or when `search` is empty.
size_t at(std::string_view search, std::string_view target, size_t start = 0);
// Occurrences of `search` in `target`, overlapping ones counted: each search
// restarts one character after the start of the previous match, so "aa" in
// "aaaa" is 3. 0 for an empty `search`.
size_t occurs(std::string_view search, std::string_view target);

// The display text of a value: text unchanged; a date as "dd/mm/yy" (the
// current date format; the empty date as blanks with the slashes); a
// logical as ".T." or ".F."; a number as numToText (no padding, "." before
// the decimals it carries); nothing as "NIL".
std::string cValToChar(const Value& value);
// A list: its elements one by one, joined by CR LF; longer than 1000
// characters, the first 1000 followed by " ... }".
std::string cValToChar(const std::vector<Value>& list);

// A value as a literal of the condition text that a search builds:
//   text   "ROSSI"          ->  "ROSSI" (in double quotes)
//          ROSSI "IL" BAR   ->  "ROSSI " + ["] + "IL" + ["] + " BAR"
//   date   05/03/2026       ->  CTOD("05/03/26")
//   number 12.5             ->  12.5
//   empty text (blanks), 0, the empty date, nothing  ->  ""
//   logical                 ->  .T. or .F.
std::string mkStr(const Value& value);

// The first argument that is set (not nothing); nothing when none is.
template <class... Values>
Value ifNil(const Values&... values) {
    Value result;
    ((isNil(result) ? (void)(result = Value(values)) : (void)0), ...);
    return result;
}

}  // namespace drav
