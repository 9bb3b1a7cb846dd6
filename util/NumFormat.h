// Number pictures and the fixed-width amount formatters.
//
// Every amount and count on screen and on paper goes through transform():
// the form framework uses it for the edit masks of numeric fields, the
// report engine for its columns, and the six formatters below are built on
// it. Sections:
//   1. transform   - a number through a picture
//   2. widths      - natural width of a value, the digit-group picture
//   3. formatters  - nstr, zstr, sstr (whole numbers), enstr, ezstr, esstr
//                    (euro amounts with two decimals)
//   4. plain text  - a number as it is written in condition texts and in the
//                    configuration file
//
// Pictures
// --------
// A picture is an optional function part and a template:
//     "@E 99,999.99"   "@ZE 99.99"   "@Z 99999"   "999"   "9,999"
// Function letters (after "@", up to the first blank): E gives the Italian
// number text, Z gives blanks when the value shows as zero. Other letters
// are ignored. In the template "9" (or "#") is a digit position, "," a
// thousands separator, the first "." the decimal point; any other character
// is copied as it stands.
//
// The template is always written with "," between digit groups and "."
// before the decimals. Without E the output keeps those characters
// ("1,234.50"); with E they are swapped ("1.234,50").
//
// Rules, for a template of L characters (the result is always L long, or
// the same L blanks for Z; the width never depends on the value):
//   - The value is rounded half away from zero to the template's decimals
//     (after reducing it to 15 significant digits, so 2.675 entered by a
//     user rounds to 2.68 although the binary double is slightly below).
//   - The integer digits are right-aligned in the integer digit positions,
//     at least one "0"; the minus sign of a negative value takes the digit
//     position just before the first digit. A value that shows as zero
//     after rounding has no minus sign.
//   - A thousands separator is shown only where a digit stands before it;
//     otherwise it is a blank, and when the minus sign stands before it the
//     minus moves into the separator's position and leaves a blank behind.
//   - A value (with its sign) that needs more integer positions than the
//     template has shows "*" in every digit position, and in every
//     separator position after a "*"; the decimal point still shows.
//     Infinity and NaN show the same way.
//
//   transform(-1234, "9,999,999,999")    -> "       -1,234"
//   transform(1234567.891, "@E 99,999,999.99") -> " 1.234.567,89"
//   transform(-123.45, "@E 99,999,999.99")     -> "      -123,45"
//   transform(123456789.5, "@E 99,999,999.99") -> "**********,**"
//   transform(0, "@ZE 9,999.99")                -> "        "
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drav {

// ---- 1. transform ------------------------------------------------------

std::string transform(double value, std::string_view picture);

// ---- 2. widths ---------------------------------------------------------

// A numeric field's length and decimals (FieldDef), for formatting a value
// read from it at the field's own width.
// Explicit, so that "{}" in a call means "natural width", never a field.
struct NumField {
    explicit NumField(int length, int decimals) : len(length), dec(decimals) {}
    int len;
    int dec;
};

// The number of integer positions the field can hold: len - dec - 1 with
// decimals, len without.
int naturalWidth(NumField field);
// For a computed value (sum, product, count, literal): 10, or 20 beyond
// 9999999999 or below -999999999.
int naturalWidth(double value);

// n nines (n clamped to 0..15) with "," every three digits from the right:
// 4 gives "9,999", 10 gives "9,999,999,999".
std::string digitGroupPicture(int digits);

// ---- 3. formatters -----------------------------------------------------
//
// n (nstr, zstr, sstr) is the integer-digit count; absent, the natural
// width, and 20 becomes 10. w (enstr, ezstr, esstr) counts the digits
// including the two decimals; absent, 10 when the natural width is 10,
// else the natural width + 2. At most 15 integer digits.

// Whole number, "0" for zero: nstr(1234) is "        1.234" (13 characters).
std::string nstr(double value, std::optional<int> n = {});
std::string nstr(double value, NumField field);
// As nstr, blanks for zero.
std::string zstr(double value, std::optional<int> n = {});
std::string zstr(double value, NumField field);
// The absolute value as zstr (or as nstr with showZero), then " " for a
// value >= 0 or "-" for a negative one: sstr(-7) is "            7-".
std::string sstr(double value, std::optional<int> n = {}, bool showZero = false);
std::string sstr(double value, NumField field, bool showZero = false);

// Euro amount with two decimals, "0,00" for zero: enstr(-0.5) is
// "        -0,50" (13 characters).
std::string enstr(double value, std::optional<int> w = {});
std::string enstr(double value, NumField field);
// As enstr, blanks for zero.
std::string ezstr(double value, std::optional<int> w = {});
std::string ezstr(double value, NumField field);
// The absolute value as ezstr (or as enstr with showZero), then " " or "-".
std::string esstr(double value, std::optional<int> w = {}, bool showZero = false);
std::string esstr(double value, NumField field, bool showZero = false);

// ---- 4. plain text -----------------------------------------------------

// The value without padding, "." before the decimals, only the decimals it
// carries (to 15 significant digits), never an exponent: 12.5 is "12.5",
// 3.0 is "3", -0.25 is "-0.25". Infinity and NaN give "*".
std::string numToText(double value);

}  // namespace drav
