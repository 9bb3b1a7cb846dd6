// Value conversions of the schema upgrade (see ConvDato.h for the table).
//
//   1. Helpers: blank values, text fitting, reading and fitting numbers
//   2. Conversions by old type: text, date, number, logical
//   3. adjNum and convDato
#include "data/upgrade/ConvDato.h"

#include "util/NumFormat.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace drav::data {
namespace {

// ---- 1. Helpers -----------------------------------------------------------

char upperType(char t) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(t)));
}

bool isBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), isBlankChar);
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The value a new field holds when nothing is written into it.
Value blankValue(const FieldDef& f) {
    switch (upperType(f.type)) {
        case 'C':
            return std::string(static_cast<size_t>(std::max(0, f.length)), ' ');
        case 'M':
            return std::string();
        case 'N':
            return 0.0;
        case 'D':
            return Date();
        case 'L':
            return false;
        default:
            return Value();
    }
}

// A text for a C field is exactly as long as the field; an M field takes it whole.
Value textFor(std::string text, const FieldDef& f) {
    if (upperType(f.type) == 'C') text.resize(static_cast<size_t>(std::max(0, f.length)), ' ');
    return text;
}

// The number at the start of the text, as a typed number is read: leading
// blanks, a sign, digits, a decimal point and more digits; reading stops at
// the first other character, and a text without digits is 0. The decimal
// separator is always "." whatever the process locale says.
double readNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    }
    std::string digits(text.substr(start, i - start));
    if (digits.find_first_of("0123456789") == std::string::npos) return 0.0;
    if (digits.front() == '.') digits.insert(digits.begin(), '0');
    if (digits.back() == '.') digits.pop_back();
    double value = 0.0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return negative ? -value : value;
}

// The number as the new N field stores it: rounded half away from zero to
// its decimals; 0 when the digits and the sign need more than its length.
// The field's own picture decides, so the check is the one the screens and
// prints make ("*" when a value does not fit).
double fitNumber(double value, const FieldDef& f) {
    if (!std::isfinite(value)) return 0.0;
    int decimals = std::clamp(f.decimals, 0, 15);
    int wholeDigits = decimals > 0 ? f.length - decimals - 1 : f.length;
    if (wholeDigits < 1) return 0.0;
    std::string picture(static_cast<size_t>(wholeDigits), '9');
    if (decimals > 0) picture += "." + std::string(static_cast<size_t>(decimals), '9');
    std::string shown = transform(value, picture);
    if (shown.find('*') != std::string::npos) return 0.0;
    return readNumber(shown);
}

// A number in plain decimal with the field's decimals and no padding:
// 12.5 from an N 6,2 field is "12.50".
std::string numberText(double value, const FieldDef& f) {
    int decimals = std::clamp(f.decimals, 0, 15);
    std::string picture(20, '9');
    if (decimals > 0) picture += "." + std::string(static_cast<size_t>(decimals), '9');
    std::string shown = transform(value, picture);
    if (shown.find('*') != std::string::npos) return numToText(value);
    return std::string(trimBlanks(shown));
}

// The date as the current date format writes it; eight blanks when empty.
std::string dateText(Date d) {
    return d.isEmpty() ? std::string(8, ' ') : d.toText();
}

// Line breaks of a memo would cut a one-line field in two: each becomes a blank.
std::string joinLines(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out.push_back(' ');
            ++i;
        } else if (text[i] == '\r' || text[i] == '\n') {
            out.push_back(' ');
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// ---- 2. Conversions by old type ---------------------------------------------

Value fromText(const std::string& text, char oldType, const FieldDef& to) {
    switch (upperType(to.type)) {
        case 'M':
            if (oldType == 'C') {
                std::string_view t = text;
                while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
                return std::string(t);
            }
            return text;
        case 'D': {
            Date d = Date::fromText(text);
            if (d.isEmpty()) d = Date::fromDtos(trimBlanks(text).substr(0, 8));
            return d;
        }
        case 'N':
            return fitNumber(readNumber(adjNum(text)), to);
        case 'L':
            return !isBlank(text) && !text.starts_with(".F.");
        case 'C':
            return textFor(oldType == 'M' ? joinLines(text) : text, to);
        default:
            return text;
    }
}

Value fromDate(Date d, const FieldDef& to) {
    switch (upperType(to.type)) {
        case 'N':
            return d.isEmpty() ? fitNumber(0.0, to) : fitNumber(readNumber(d.dtos()), to);
        case 'L':
            return !d.isEmpty();
        case 'C':
        case 'M':
            return textFor(dateText(d), to);
        default:
            return d;
    }
}

Value fromNumber(double n, const FieldDef& from, const FieldDef& to) {
    switch (upperType(to.type)) {
        case 'L':
            return n != 0.0;
        case 'N':
            return fitNumber(n, to);
        case 'C':
        case 'M':
            return textFor(n == 0.0 ? std::string() : numberText(n, from), to);
        case 'D': {
            std::string text = n == 0.0 ? std::string() : numberText(n, from);
            return Date::fromDtos(
                std::string_view(text).substr(0, std::min<size_t>(8, text.size())));
        }
        default:
            return n;
    }
}

Value fromLogical(bool b, const FieldDef& to) {
    switch (upperType(to.type)) {
        case 'C':
        case 'M':
            return textFor(b ? ".T." : "", to);
        case 'D':
            return Date();
        case 'N':
            return fitNumber(b ? 1.0 : 0.0, to);
        default:
            return b;
    }
}

}  // namespace

// ---- 3. adjNum and convDato ------------------------------------------------

std::string adjNum(std::string_view text) {
    std::string out(text);
    if (out.find(',') == std::string::npos) return out;
    out.erase(std::remove(out.begin(), out.end(), '.'), out.end());
    std::replace(out.begin(), out.end(), ',', '.');
    return out;
}

Value convDato(const Value& value, const FieldDef& oldField, const FieldDef& newField) {
    // The value's own kind wins over the old definition when they disagree
    // (a field read back as another kind than declared).
    if (const auto* text = std::get_if<std::string>(&value)) {
        char oldType = upperType(oldField.type) == 'M' ? 'M' : 'C';
        return fromText(*text, oldType, newField);
    }
    if (const auto* n = std::get_if<double>(&value)) return fromNumber(*n, oldField, newField);
    if (const auto* d = std::get_if<Date>(&value)) return fromDate(*d, newField);
    if (const auto* b = std::get_if<bool>(&value)) return fromLogical(*b, newField);
    return blankValue(newField);
}

}  // namespace drav::data
