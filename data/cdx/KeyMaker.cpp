#include "data/cdx/KeyMaker.h"

#include "data/cdx/CdxFormat.h"
#include "util/Text.h"

#include <algorithm>

namespace drav::data::cdx {

KeyMaker::KeyMaker(Expression key, int keyLength, bool ignoreCase)
    : m_key(std::move(key)), m_keyLength(keyLength), m_ignoreCase(ignoreCase) {}

void KeyMaker::make(const RecordContext& record, uint8_t* out) const {
    const auto kl = static_cast<size_t>(m_keyLength);
    switch (m_key.type()) {
        case 'C': {
            m_scratch.clear();
            m_key.appendText(record, m_scratch);
            size_t n = std::min(m_scratch.size(), kl);
            std::copy_n(reinterpret_cast<const uint8_t*>(m_scratch.data()), n, out);
            std::fill(out + n, out + kl, ' ');
            if (m_ignoreCase) upperAscii(reinterpret_cast<char*>(out), kl);
            break;
        }
        case 'N':
            encodeNumberKey(m_key.number(record), out);
            break;
        case 'D':
            encodeNumberKey(m_key.date(record).julian(), out);
            break;
        case 'L':
            out[0] = m_key.logical(record) ? 'T' : 'F';
            break;
        default:
            std::fill(out, out + kl, 0);
            break;
    }
}

bool KeyMaker::encodeValue(const Value& value, std::string& out) const {
    out.clear();
    uint8_t buf[8];
    switch (m_key.type()) {
        case 'C': {
            auto* s = std::get_if<std::string>(&value);
            if (!s) return false;
            out = s->substr(0, static_cast<size_t>(m_keyLength));
            if (m_ignoreCase) upperAscii(out.data(), out.size());
            return true;
        }
        case 'N': {
            auto* d = std::get_if<double>(&value);
            if (!d) return false;
            encodeNumberKey(*d, buf);
            break;
        }
        case 'D': {
            auto* d = std::get_if<Date>(&value);
            if (!d) return false;
            encodeNumberKey(d->julian(), buf);
            break;
        }
        case 'L': {
            auto* b = std::get_if<bool>(&value);
            if (!b) return false;
            out.assign(1, *b ? 'T' : 'F');
            return true;
        }
        default:
            return false;
    }
    out.assign(reinterpret_cast<const char*>(buf), 8);
    return true;
}

}  // namespace drav::data::cdx
