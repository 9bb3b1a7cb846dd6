// Value conversions of the schema upgrade. When a table is rebuilt into a
// newer layout, every value of an old field is carried into its new field
// through convDato, so a new release with wider or retyped fields keeps the
// data of the old one.
//
//   1. adjNum   - a number written the Italian way made readable
//   2. convDato - the conversion by old and new type
//
// Conversion table, first matching row:
//
//   old    new      result
//   C      M        the text without trailing blanks
//   C, M   D        the text as a date in the current format (dd/mm/yy); when
//                   that gives the empty date, its first 8 characters (blanks
//                   trimmed first) read as YYYYMMDD
//   C, M   N        adjNum of the text read as a number, then fitted (below)
//   C, M   L        true when not blank and not beginning with ".F."
//   D      N        YYYYMMDD read as a number, fitted
//   D, N   L        a non-empty date, a non-zero number
//   N      N        fitted
//   M      C        every line break (CR LF, or a lone CR or LF) one blank
//   D      C, M     eight blanks for the empty date, else the date as text
//   N      C, M     "" for zero, else the plain number with the old field's
//                   decimals ("12.50")
//   L      C, M     ".T." or ""
//   N      D        the first 8 characters of that text read as YYYYMMDD
//   L      D        the empty date
//   L      N        1 or 0
//   other           the value unchanged
//
// Fitted: rounded half away from zero to the new field's decimals, and 0
// when the result (with its sign) does not fit the new field's length, as
// the field would store it: 123456.78 into N 5,2 gives 0.
// Every text going into a C field is cut or padded with blanks to its
// length. A missing value gives the new field's blank value.
#pragma once

#include "data/schema/FieldDef.h"
#include "util/Value.h"

#include <string>
#include <string_view>

namespace drav::data {

// When the text holds a ",", every "." is removed and every "," becomes
// ".": "1.234,50" gives "1234.50". Without a "," the text is unchanged.
std::string adjNum(std::string_view text);

// The value of the old field converted for the new field.
Value convDato(const Value& value, const FieldDef& oldField, const FieldDef& newField);

}  // namespace drav::data
