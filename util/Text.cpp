// Text helpers (see Text.h).
#include "util/Text.h"

#include "util/NumFormat.h"

namespace drav {

void upperAscii(char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) text[i] = upperAscii(text[i]);
}

std::string upperAscii(std::string_view text) {
    std::string s(text);
    upperAscii(s.data(), s.size());
    return s;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

std::string trimRight(std::string_view text) {
    const size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

QString trimRight(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' ')) --n;
    return text.left(n);
}

size_t at(std::string_view search, std::string_view target, size_t start) {
    if (search.empty()) return 0;
    size_t from = start == 0 ? 0 : start - 1;
    if (from >= target.size()) return 0;
    size_t pos = target.find(search, from);
    return pos == target.npos ? 0 : pos + 1;
}

size_t occurs(std::string_view search, std::string_view target) {
    if (search.empty()) return 0;
    size_t count = 0;
    for (size_t pos = target.find(search); pos != target.npos; pos = target.find(search, pos + 1))
        ++count;
    return count;
}

std::string cValToChar(const Value& value) {
    switch (typeLetter(value)) {
        case 'C':
            return std::get<std::string>(value);
        case 'N':
            return numToText(std::get<double>(value));
        case 'D':
            return std::get<Date>(value).toText();
        case 'L':
            return std::get<bool>(value) ? ".T." : ".F.";
        default:
            return "NIL";
    }
}

std::string cValToChar(const std::vector<Value>& list) {
    constexpr size_t kMax = 1000;
    std::string out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += cValToChar(list[i]);
        if (out.size() > kMax) break;
    }
    if (out.size() > kMax) out = out.substr(0, kMax) + " ... }";
    return out;
}

namespace {

bool isBlank(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

// A text as one or more literals joined by " + ": the runs without double
// quotes in double quotes, each run of double quotes in square brackets.
std::string quoteText(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        bool quotes = text[i] == '"';
        size_t j = i;
        while (j < text.size() && (text[j] == '"') == quotes) ++j;
        if (!out.empty()) out += " + ";
        out += quotes ? "[" + text.substr(i, j - i) + "]" : "\"" + text.substr(i, j - i) + "\"";
        i = j;
    }
    return out;
}

}  // namespace

std::string mkStr(const Value& value) {
    switch (typeLetter(value)) {
        case 'C': {
            const auto& text = std::get<std::string>(value);
            return isBlank(text) ? "\"\"" : quoteText(text);
        }
        case 'N': {
            double v = std::get<double>(value);
            return v == 0 ? "\"\"" : numToText(v);
        }
        case 'D': {
            Date d = std::get<Date>(value);
            // Four-digit year: the literal reads back as the same date whatever
            // the two-digit year window.
            return d.isEmpty() ? "\"\"" : "CTOD(\"" + d.toText(DateFormat::FourDigitYear) + "\")";
        }
        case 'L':
            return std::get<bool>(value) ? ".T." : ".F.";
        default:
            return "\"\"";
    }
}

}  // namespace drav
