#include "util/Cp1252.h"

#include <array>
#include <unordered_map>

namespace drav {
namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char16_t decode(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
    return b;
}

const std::unordered_map<char16_t, unsigned char>& reverseHigh() {
    static const auto* map = [] {
        auto* m = new std::unordered_map<char16_t, unsigned char>;
        for (int i = 0; i < 32; ++i) (*m)[kHigh[i]] = static_cast<unsigned char>(0x80 + i);
        return m;
    }();
    return *map;
}

unsigned char o2aByte(unsigned char b) {
    switch (b) {
        case 133: return 224;
        case 138: return 232;
        case 130: return 233;
        case 141: return 236;
        case 149: return 242;
        case 151: return 249;
        default: return b;
    }
}

}  // namespace

QString fromCp1252(std::string_view bytes) {
    QString out;
    out.resize(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i)
        out[static_cast<qsizetype>(i)] = QChar(decode(static_cast<unsigned char>(bytes[i])));
    return out;
}

std::string toCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar qc : text) {
        char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
        } else {
            auto it = reverseHigh().find(c);
            out.push_back(it != reverseHigh().end() ? static_cast<char>(it->second) : '?');
        }
    }
    return out;
}

std::string cp(std::string_view utf8) {
    return toCp1252(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::string o2a(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out) c = static_cast<char>(o2aByte(static_cast<unsigned char>(c)));
    return out;
}

QString o2a(const QString& text) {
    QString out = text;
    for (QChar& qc : out) {
        char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) continue;
        auto it = reverseHigh().find(c);
        if (it == reverseHigh().end()) continue;
        unsigned char mapped = o2aByte(it->second);
        if (mapped != it->second) qc = QChar(static_cast<char16_t>(mapped));
    }
    return out;
}

}  // namespace drav
