// A value of one of the four kinds the tables store: text (C and M fields,
// Windows-1252 bytes), number (N), date (D) and logical (L); or nothing.
#pragma once

#include "util/Date.h"

#include <string>
#include <variant>

namespace drav {

using Value = std::variant<std::monostate, std::string, double, Date, bool>;

inline bool isNil(const Value& v) { return std::holds_alternative<std::monostate>(v); }
inline bool isText(const Value& v) { return std::holds_alternative<std::string>(v); }
inline bool isNumber(const Value& v) { return std::holds_alternative<double>(v); }
inline bool isDate(const Value& v) { return std::holds_alternative<Date>(v); }
inline bool isLogical(const Value& v) { return std::holds_alternative<bool>(v); }

// The type letter of a value: 'C', 'N', 'D', 'L', or 'U' for nothing.
inline char typeLetter(const Value& v) {
    switch (v.index()) {
        case 1: return 'C';
        case 2: return 'N';
        case 3: return 'D';
        case 4: return 'L';
        default: return 'U';
    }
}

}  // namespace drav
