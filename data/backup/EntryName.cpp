// Entry names of a backup archive (see EntryName.h for the verdicts).
#include "data/backup/EntryName.h"

#include "util/Text.h"

#include <algorithm>
#include <cctype>

namespace drav::data {
namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool isControl(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

}  // namespace

bool isTableFileName(std::string_view name) {
    if (name.size() < 4 || name.size() > 255) return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) return false;
        if (std::string_view(":*?\"<>|/\\").find(c) != std::string_view::npos) return false;
    }
    if (name.front() == ' ') return false;
    size_t n = name.size();
    char last = name[n - 1];
    return name[n - 4] == '.' && upperAscii(name[n - 3]) == 'D' && upperAscii(name[n - 2]) == 'B' &&
           last != ' ' && last != '.';
}

EntryJudgement judgeEntryName(std::string_view raw) {
    const EntryJudgement refuse{EntryVerdict::Refuse, {}};
    const EntryJudgement skip{EntryVerdict::Skip, {}};
    if (raw.empty() || std::any_of(raw.begin(), raw.end(), isControl)) return refuse;
    // Absolute names: a root, or a drive letter.
    if (isSeparator(raw.front())) return refuse;
    if (raw.size() >= 2 && raw[1] == ':' && std::isalpha(static_cast<unsigned char>(raw[0])))
        return refuse;
    // A ".." anywhere climbs out of wherever the entry would be unpacked.
    size_t start = 0;
    for (size_t i = 0; i <= raw.size(); ++i) {
        if (i == raw.size() || isSeparator(raw[i])) {
            if (raw.substr(start, i - start) == "..") return refuse;
            start = i + 1;
        }
    }
    if (isSeparator(raw.back())) return skip;  // a folder entry
    if (std::any_of(raw.begin(), raw.end(), isSeparator)) return refuse;
    if (!isTableFileName(raw)) return skip;
    return {EntryVerdict::Restore, upperAscii(raw)};
}

}  // namespace drav::data
