// Field encodings: numbers (rounding on the decimal text), then the simple types.
#include "data/dbf/FieldCodec.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace drav::data::codec {

// Rounding works on the shortest decimal text that reads back as the same
// double, so 123.455 rounds to 123.46 as the user typed it, not to the
// 123.45 its binary neighbour 123.4549999... would give.
std::string numberText(double value, int decimals) {
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (res.ec != std::errc()) return "*";
    std::string s(buf, res.ptr);
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.erase(0, 1);
    size_t dot = s.find('.');
    std::string whole = dot == std::string::npos ? s : s.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
    bool roundUp = false;
    if (static_cast<int>(frac.size()) > decimals) {
        roundUp = frac[decimals] >= '5';
        frac.resize(decimals);
    }
    frac.append(decimals - frac.size(), '0');
    std::string digits = whole + frac;
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        for (; i >= 0; --i) {
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
        }
        if (i < 0) digits.insert(digits.begin(), '1');
    }
    std::string out = digits.substr(0, digits.size() - decimals);
    if (out.empty()) out = "0";
    if (decimals > 0) out += "." + digits.substr(digits.size() - decimals);
    bool zero = digits.find_first_not_of('0') == std::string::npos;
    return (negative && !zero) ? "-" + out : out;
}

bool encodeNumber(double value, int length, int decimals, char* out) {
    if (std::isfinite(value)) {
        std::string t = numberText(value, decimals);
        if (static_cast<int>(t.size()) <= length) {
            std::memset(out, ' ', length - t.size());
            std::memcpy(out + (length - t.size()), t.data(), t.size());
            return true;
        }
    }
    std::memset(out, '*', length);
    return false;
}

double decodeNumber(std::string_view bytes) {
    size_t b = bytes.find_first_not_of(' ');
    if (b == std::string_view::npos) return 0.0;
    std::string_view t = bytes.substr(b);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    double v = 0.0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    if (res.ec != std::errc() || !std::isfinite(v)) return 0.0;
    return v;
}

void encodeText(std::string_view text, int length, char* out) {
    size_t n = std::min(text.size(), static_cast<size_t>(length));
    std::memcpy(out, text.data(), n);
    std::memset(out + n, ' ', length - n);
}

void encodeDate(Date date, char* out) {
    std::string s = date.dtos();  // eight blanks for the empty date
    std::memcpy(out, s.data(), 8);
}

Date decodeDate(std::string_view bytes) {
    return Date::fromDtos(bytes.substr(0, 8));
}

void encodeMemoBlock(uint32_t block, char* out) {
    if (block == 0) {
        std::memset(out, ' ', 10);
        return;
    }
    char digits[16];
    auto res = std::to_chars(digits, digits + sizeof digits, block);
    size_t n = res.ptr - digits;
    std::memset(out, ' ', 10 - n);
    std::memcpy(out + 10 - n, digits, n);
}

bool decodeMemoBlock(std::string_view bytes, uint32_t* block) {
    size_t b = bytes.find_first_not_of(' ');
    if (b == std::string_view::npos) {
        *block = 0;
        return true;
    }
    std::string_view t = bytes.substr(b);
    size_t e = t.find_last_not_of(' ');
    t = t.substr(0, e + 1);
    uint64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > 0xFFFFFFFFULL) return false;
    }
    *block = static_cast<uint32_t>(v);
    return true;
}

}  // namespace drav::data::codec
