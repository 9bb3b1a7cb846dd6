// Turns a record, or a value sought by the screens, into the bytes of an
// index key: the key expression's value encoded by its type (CdxFormat.h),
// text cut or padded to the key length and, for a tag that ignores case,
// in capitals.
#pragma once

#include "data/RecordContext.h"
#include "data/expr/Expression.h"

#include <cstdint>
#include <string>

namespace drav::data::cdx {

class KeyMaker {
public:
    KeyMaker() = default;
    KeyMaker(Expression key, int keyLength, bool ignoreCase);

    char type() const { return m_key.type(); }
    int keyLength() const { return m_keyLength; }
    const Expression& expression() const { return m_key; }

    // The full key of the record into out (keyLength bytes).
    void make(const RecordContext& record, uint8_t* out) const;
    // A sought value as key bytes: text as given (cut to the key length, so a
    // shorter text is a prefix), numbers, dates and logicals in full. False
    // when the value's type is not the key's.
    bool encodeValue(const Value& value, std::string& out) const;

private:
    Expression m_key;
    int m_keyLength = 0;
    bool m_ignoreCase = false;
    mutable std::string m_scratch;  // text values, reused between keys
};

}  // namespace drav::data::cdx
