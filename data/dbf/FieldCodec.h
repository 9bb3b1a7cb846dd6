// How each field type is written into and read from the record bytes.
//
//   C  the text left-aligned, blank-padded, bytes unchanged (Windows-1252)
//   N  decimal digits right-aligned, blank-padded, exactly the field's
//      decimals after "."; "-" before the first digit; "*" over the whole
//      field when the value does not fit; blanks read as 0
//   D  "yyyymmdd"; eight blanks for the empty date
//   L  "T" or "F"; T, t, Y, y read as true, anything else as false
//   M  the first block of the value in the memo file, right-aligned in 10;
//      10 blanks for an empty memo
#pragma once

#include "util/Date.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace drav::data::codec {

// The value rounded half away from zero to `decimals` places, as plain
// decimal text ("-12.50"); negative values that round to zero lose their sign.
std::string numberText(double value, int decimals);
// Writes the value into out[0..length). False, with out filled with "*",
// when it does not fit (or is not a finite number).
bool encodeNumber(double value, int length, int decimals, char* out);
double decodeNumber(std::string_view bytes);

void encodeText(std::string_view text, int length, char* out);
void encodeDate(Date date, char* out);
Date decodeDate(std::string_view bytes);
inline char encodeLogical(bool v) {
    return v ? 'T' : 'F';
}
inline bool decodeLogical(char c) {
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

// 0 (an empty memo) gives 10 blanks.
void encodeMemoBlock(uint32_t block, char* out);
// False when the 10 bytes are neither blank nor a right-aligned block number.
bool decodeMemoBlock(std::string_view bytes, uint32_t* block);

}  // namespace drav::data::codec
