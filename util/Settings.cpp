// Named settings: the registry with its private sets, the typed look-up,
// the value encoding and the profile file round trip.
#include "util/Settings.h"

#include "util/Error.h"
#include "util/IniFile.h"
#include "util/SettingsScope.h"
#include "util/Text.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <map>

namespace drav {
namespace {

constexpr const char* kSection = "Vars";

using Layer = std::map<std::string, Value>;

// Layer 0 is the public set; every open SettingsScope adds one on top.
std::vector<Layer>& layers() {
    static std::vector<Layer> l(1);
    return l;
}

double g_printMargin = 5;

std::string canonical(std::string_view name) {
    return upperAscii(name);
}

Value* findVisible(const std::string& name) {
    auto& ls = layers();
    for (size_t i = ls.size(); i-- > 0;) {
        auto it = ls[i].find(name);
        if (it != ls[i].end()) return &it->second;
    }
    return nullptr;
}

std::string numberText(double n) {
    if (!std::isfinite(n) || n == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10f", n);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

// The number at the start of the text, after any blanks: an optional sign,
// digits and an optional decimal part; 0 when there is none.
double numberValue(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    double n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') n = n * 10 + (s[i++] - '0');
    if (i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10)
            n += (s[i] - '0') * scale;
    }
    return negative ? -n : n;
}

void raiseSettingError(int genCode, const std::string& name) {
    ErrorInfo info;
    info.subsystem = "BASE";
    info.genCode = genCode;
    info.operation = name;
    raiseError(std::move(info));
}

}  // namespace

void declareSetting(std::string_view name) {
    layers().front().try_emplace(canonical(name));
}

void setSetting(std::string_view name, Value value) {
    std::string key = canonical(name);
    if (Value* v = findVisible(key)) {
        *v = std::move(value);
    } else {
        layers().back()[key] = std::move(value);
    }
}

const Value* findSetting(std::string_view name) {
    return findVisible(canonical(name));
}

std::vector<std::pair<std::string, Value>> visibleSettings(std::string_view prefix) {
    std::string p = canonical(prefix);
    std::map<std::string, Value> merged;  // inner layers first: they hide outer ones
    auto& ls = layers();
    for (size_t i = ls.size(); i-- > 0;)
        for (const auto& [name, value] : ls[i])
            if (name.compare(0, p.size(), p) == 0) merged.try_emplace(name, value);
    return {merged.begin(), merged.end()};
}

double settingNumber(std::string_view name) {
    std::string key = canonical(name);
    const Value* v = findVisible(key);
    if (!v) {
        raiseSettingError(14, key);  // variable does not exist
        return 0;
    }
    if (!isNumber(*v)) {
        raiseSettingError(1, key);  // argument error
        return 0;
    }
    return std::get<double>(*v);
}

std::string encodeSettingValue(const Value& value) {
    std::string text;
    switch (typeLetter(value)) {
        case 'C':
            text = std::get<std::string>(value);
            break;
        case 'N':
            text = numberText(std::get<double>(value));
            break;
        case 'D':
            text = std::get<Date>(value).toText();
            break;
        case 'L':
            text = std::get<bool>(value) ? ".T." : ".F.";
            break;
        default:
            return {};
    }
    return typeLetter(value) + trimRight(text);
}

Value decodeSettingValue(std::string_view encoded) {
    if (encoded.empty()) return {};
    std::string_view text = encoded.substr(1);
    switch (encoded.front()) {
        case 'C':
            return std::string(text);
        case 'N':
            return numberValue(text);
        case 'D':
            return Date::fromText(text);
        case 'L':
            return text.substr(0, 3) == ".T.";
        default:
            return {};
    }
}

bool saveIni(std::string_view mask, const std::string& file) {
    size_t star = mask.find('*');
    std::string prefix = canonical(mask.substr(0, star));
    std::vector<std::pair<std::string, Value>> settings;
    for (auto& s : visibleSettings(prefix))
        if (!isNil(s.second) && (star != std::string_view::npos || s.first == prefix))
            settings.push_back(std::move(s));
    if (settings.empty()) return true;

    std::string path = profilePath(file);
    auto ini = IniFile::load(path);
    if (!ini) return false;
    for (const auto& [name, value] : settings)
        ini->setValue(kSection, name, encodeSettingValue(value));
    return ini->save(path);
}

bool restoreIni(const std::string& file) {
    auto ini = IniFile::load(profilePath(file));
    if (!ini) return false;
    for (const std::string& key : ini->keys(kSection))
        setSetting(key, decodeSettingValue(ini->value(kSection, key).value_or("")));
    return true;
}

double printMargin() {
    return g_printMargin;
}
void setPrintMargin(double eightieths) {
    g_printMargin = eightieths;
}

void TEST_resetSettings() {
    for (Layer& l : layers()) l.clear();
}

SettingsScope::SettingsScope() : m_level(layers().size()) {
    layers().emplace_back();
}

SettingsScope::~SettingsScope() {
    assert(layers().size() == m_level + 1 && "private settings must end innermost first");
    layers().resize(m_level);
}

void SettingsScope::declare(std::string_view name) {
    layers()[m_level].try_emplace(canonical(name));
}

}  // namespace drav
