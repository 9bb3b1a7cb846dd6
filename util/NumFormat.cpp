// Number pictures and the amount formatters (see NumFormat.h for the rules).
//
//   1. Decimal digits of a value (15 significant digits, rounding)
//   2. Picture parsing
//   3. transform
//   4. Natural width and the six formatters
//   5. Plain text
#include "util/NumFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace drav {
namespace {

// ---- 1. Decimal digits ---------------------------------------------------

// The magnitude of a value as decimal text, rounded half away from zero to
// `decimals` places: whole part without leading zeros ("0" at least) and
// exactly `decimals` fraction digits.
struct Digits {
    std::string whole;
    std::string fraction;
    bool zero() const {
        return whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
    }
};

Digits roundedDigits(double magnitude, int decimals) {
    // 15 significant digits: what a double holds reliably. Money arithmetic
    // leaves binary noise below that (2.675 is stored as 2.67499999...), and
    // the user expects the decimal value typed to round.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", magnitude);
    std::string mant;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') mant.push_back(*p);
    int exp = *p == 'e' ? std::atoi(p + 1) : 0;

    // mant holds 15 digits, the decimal point standing after exp + 1 of them.
    int pointAt = exp + 1;
    std::string whole, frac;
    if (magnitude == 0) {
        whole = "0";
    } else if (pointAt <= 0) {
        whole = "0";
        frac = std::string(static_cast<size_t>(-pointAt), '0') + mant;
    } else if (pointAt >= static_cast<int>(mant.size())) {
        whole = mant + std::string(static_cast<size_t>(pointAt) - mant.size(), '0');
    } else {
        whole = mant.substr(0, static_cast<size_t>(pointAt));
        frac = mant.substr(static_cast<size_t>(pointAt));
    }

    bool roundUp = static_cast<int>(frac.size()) > decimals && frac[decimals] >= '5';
    frac.resize(static_cast<size_t>(decimals), '0');
    std::string all = whole + frac;
    if (roundUp) {
        int i = static_cast<int>(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                break;
            }
        }
        if (i < 0) all.insert(all.begin(), '1');
    }
    Digits d;
    d.whole = all.substr(0, all.size() - static_cast<size_t>(decimals));
    d.fraction = all.substr(all.size() - static_cast<size_t>(decimals));
    size_t nz = d.whole.find_first_not_of('0');
    d.whole = nz == std::string::npos ? "0" : d.whole.substr(nz);
    return d;
}

// ---- 2. Picture parsing --------------------------------------------------

struct Picture {
    bool italian = false;              // E
    bool blankZero = false;            // Z
    std::string tmpl;                  // the template
    size_t point = std::string::npos;  // index of the decimal point
    int decimals = 0;                  // digit positions after it
};

bool isDigitPos(char c) {
    return c == '9' || c == '#';
}

Picture parsePicture(std::string_view picture) {
    Picture pic;
    std::string_view rest = picture;
    if (!rest.empty() && rest[0] == '@') {
        size_t end = rest.find(' ');
        std::string_view funcs =
            rest.substr(1, end == std::string_view::npos ? rest.npos : end - 1);
        for (char c : funcs) {
            if (c == 'E' || c == 'e') pic.italian = true;
            if (c == 'Z' || c == 'z') pic.blankZero = true;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    pic.tmpl = std::string(rest);
    pic.point = pic.tmpl.find('.');
    if (pic.point != std::string::npos)
        for (size_t i = pic.point + 1; i < pic.tmpl.size(); ++i)
            if (isDigitPos(pic.tmpl[i])) ++pic.decimals;
    return pic;
}

}  // namespace

// ---- 3. transform --------------------------------------------------------

std::string transform(double value, std::string_view picture) {
    const Picture pic = parsePicture(picture);
    const std::string& t = pic.tmpl;
    const size_t intEnd = pic.point == std::string::npos ? t.size() : pic.point;
    const char thousands = pic.italian ? '.' : ',';
    const char decimalSep = pic.italian ? ',' : '.';

    std::vector<size_t> intPos;  // digit positions of the whole part, left to right
    for (size_t i = 0; i < intEnd; ++i)
        if (isDigitPos(t[i])) intPos.push_back(i);

    std::string out = t;
    const bool finite = std::isfinite(value);
    Digits d = finite ? roundedDigits(std::fabs(value), pic.decimals) : Digits{};
    const bool zero = finite && d.zero();
    if (zero && pic.blankZero) return std::string(t.size(), ' ');
    const bool negative = finite && value < 0 && !zero;

    // The sign and the digits, right-aligned in the whole-part positions.
    std::string whole = (negative ? "-" : "") + d.whole;
    // A zero whole part needs no position of its own (".99" shows 0.5 as ".50").
    if (d.whole == "0" && whole.size() > intPos.size()) whole.pop_back();
    const bool overflow = !finite || whole.size() > intPos.size();

    if (overflow) {
        bool starBefore = false;
        for (size_t i = 0; i < t.size(); ++i) {
            if (isDigitPos(t[i])) {
                out[i] = '*';
                starBefore = true;
            } else if (i == pic.point) {
                out[i] = decimalSep;
            } else if (t[i] == ',') {
                out[i] = starBefore ? '*' : ' ';
            }
        }
        return out;
    }

    // Whole part: fill from the right, blanks before the first character.
    for (size_t k = 0; k < intPos.size(); ++k) {
        size_t fromRight = intPos.size() - 1 - k;
        out[intPos[k]] = fromRight < whole.size() ? whole[whole.size() - 1 - fromRight] : ' ';
    }
    // Separators of the whole part, left to right, so a minus that moved
    // into one separator can move on into the next.
    for (size_t i = 0; i < intEnd; ++i) {
        if (t[i] != ',') continue;
        char before = i > 0 ? out[i - 1] : ' ';
        if (before >= '0' && before <= '9') {
            out[i] = thousands;
        } else if (before == '-') {
            out[i] = '-';
            out[i - 1] = ' ';
        } else {
            out[i] = ' ';
        }
    }
    // Decimal part.
    if (pic.point != std::string::npos) {
        out[pic.point] = decimalSep;
        size_t k = 0;
        for (size_t i = pic.point + 1; i < t.size(); ++i) {
            if (isDigitPos(t[i]))
                out[i] = d.fraction[k++];
            else if (t[i] == ',')
                out[i] = thousands;
        }
    }
    return out;
}

// ---- 4. Natural width and the formatters ---------------------------------

int naturalWidth(NumField field) {
    return field.dec > 0 ? field.len - field.dec - 1 : field.len;
}

int naturalWidth(double value) {
    return value > 9999999999.0 || value < -999999999.0 ? 20 : 10;
}

std::string digitGroupPicture(int digits) {
    digits = std::clamp(digits, 0, 15);
    std::string pic;
    for (int i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0) pic.push_back(',');
        pic.push_back('9');
    }
    return pic;
}

namespace {

enum class Zero { Show, Blank };

int wholeDigits(int n) {
    return n == 20 ? 10 : n;
}
int amountDigits(int natural) {
    return natural == 10 ? 10 : natural + 2;
}

std::string wholeNumber(double value, int n, Zero zero) {
    std::string pic = (zero == Zero::Blank ? "@ZE " : "@E ") + digitGroupPicture(wholeDigits(n));
    return transform(value, pic);
}

std::string amount(double value, int w, Zero zero) {
    std::string pic = (zero == Zero::Blank ? "@ZE " : "@E ") + digitGroupPicture(w - 2) + ".99";
    return transform(value, pic);
}

// The trailing sign of sstr/esstr follows what is shown: a value that
// rounds to zero is not marked negative.
char signOf(double value, int decimals) {
    if (!(value < 0)) return ' ';
    return roundedDigits(-value, decimals).zero() ? ' ' : '-';
}

}  // namespace

std::string nstr(double value, std::optional<int> n) {
    return wholeNumber(value, n.value_or(naturalWidth(value)), Zero::Show);
}
std::string nstr(double value, NumField field) {
    return nstr(value, naturalWidth(field));
}

std::string zstr(double value, std::optional<int> n) {
    return wholeNumber(value, n.value_or(naturalWidth(value)), Zero::Blank);
}
std::string zstr(double value, NumField field) {
    return zstr(value, naturalWidth(field));
}

std::string sstr(double value, std::optional<int> n, bool showZero) {
    int digits = n.value_or(naturalWidth(value));
    return wholeNumber(std::fabs(value), digits, showZero ? Zero::Show : Zero::Blank) +
           signOf(value, 0);
}
std::string sstr(double value, NumField field, bool showZero) {
    return sstr(value, naturalWidth(field), showZero);
}

std::string enstr(double value, std::optional<int> w) {
    return amount(value, w.value_or(amountDigits(naturalWidth(value))), Zero::Show);
}
std::string enstr(double value, NumField field) {
    return enstr(value, amountDigits(naturalWidth(field)));
}

std::string ezstr(double value, std::optional<int> w) {
    return amount(value, w.value_or(amountDigits(naturalWidth(value))), Zero::Blank);
}
std::string ezstr(double value, NumField field) {
    return ezstr(value, amountDigits(naturalWidth(field)));
}

std::string esstr(double value, std::optional<int> w, bool showZero) {
    int digits = w.value_or(amountDigits(naturalWidth(value)));
    return amount(std::fabs(value), digits, showZero ? Zero::Show : Zero::Blank) + signOf(value, 2);
}
std::string esstr(double value, NumField field, bool showZero) {
    return esstr(value, amountDigits(naturalWidth(field)), showZero);
}

// ---- 5. Plain text -------------------------------------------------------

std::string numToText(double value) {
    if (!std::isfinite(value)) return "*";
    Digits d = roundedDigits(std::fabs(value), 15);
    // At most 15 decimals (what is below 1e-15 shows as 0); past the 15th
    // significant digit roundedDigits gives zeros, which are dropped here.
    std::string frac = d.fraction;
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string out = d.whole;
    if (!frac.empty()) out += "." + frac;
    if (value < 0 && !d.zero()) out.insert(out.begin(), '-');
    return out;
}

}  // namespace drav
