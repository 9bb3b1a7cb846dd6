// Key value encodings and the tag header (layout in CdxFormat.h).
#include "data/cdx/CdxFormat.h"

#include <bit>

namespace drav::data::cdx {

void encodeNumberKey(double value, uint8_t out[8]) {
    if (value == 0) value = 0;  // negative zero is zero
    uint64_t bits = std::bit_cast<uint64_t>(value);
    if (bits >> 63)
        bits = ~bits;
    else
        bits ^= uint64_t(1) << 63;
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
}

double decodeNumberKey(const uint8_t in[8]) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | in[i];
    if (bits >> 63)
        bits ^= uint64_t(1) << 63;
    else
        bits = ~bits;
    return std::bit_cast<double>(bits);
}

int countBits(int keyLength) {
    int bits = 0;
    while (keyLength > 0) {
        ++bits;
        keyLength >>= 1;
    }
    return bits;
}

namespace {

// The text of one expression area slot; false when it is not inside the
// area or has no terminating zero.
bool exprText(const uint8_t* area, int pos, int len, std::string& out) {
    out.clear();
    if (len == 0) return true;  // no text at all
    if (pos < 0 || len < 0 || pos + len > kExprAreaSize) return false;
    const uint8_t* p = area + pos;
    const void* zero = std::memchr(p, 0, static_cast<size_t>(len));
    if (!zero) return false;
    out.assign(reinterpret_cast<const char*>(p),
               static_cast<size_t>(static_cast<const uint8_t*>(zero) - p));
    return true;
}

}  // namespace

bool TagHeader::parse(const uint8_t* b, TagHeader& h, std::string* why) {
    auto bad = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    h.root = getLe32(b);
    h.freeHead = getLe32(b + 4);
    h.counter = getBe32(b + 8);
    h.keyLength = getLe16(b + 12);
    h.options = b[14];
    h.signature = b[15];
    h.ignoreCase = h.signature == 1 && b[499] == 1;
    h.descending = getLe16(b + 502) != 0;
    if (h.keyLength < 1 || h.keyLength > kMaxKeyLength) return bad("key length outside 1..240");
    int condPos = getLe16(b + 504), condLen = getLe16(b + 506);
    int keyPos = getLe16(b + 508), keyLen = getLe16(b + 510);
    const uint8_t* area = b + kPageSize;
    if (!exprText(area, keyPos, keyLen, h.keyText) ||
        !exprText(area, condPos, condLen, h.conditionText))
        return bad("expression text outside the expression area or without its zero byte");
    if (keyLen > 0 && condLen > 0 && keyPos < condPos + condLen && condPos < keyPos + keyLen)
        return bad("key and condition texts overlap");
    return true;
}

void TagHeader::serialize(uint8_t* b) const {
    std::memset(b, 0, kHeaderSize);
    putLe32(b, root);
    putLe32(b + 4, freeHead);
    putBe32(b + 8, counter);
    putLe16(b + 12, static_cast<uint16_t>(keyLength));
    b[14] = options;
    b[15] = signature;
    b[499] = ignoreCase ? 1 : 0;
    putLe16(b + 502, descending ? 1 : 0);
    auto k = static_cast<uint16_t>(keyText.size());
    auto c = static_cast<uint16_t>(conditionText.size());
    putLe16(b + 504, static_cast<uint16_t>(k + 1));
    putLe16(b + 506, static_cast<uint16_t>(c + 1));
    putLe16(b + 508, 0);
    putLe16(b + 510, static_cast<uint16_t>(k + 1));
    std::memcpy(b + kPageSize, keyText.data(), k);
    std::memcpy(b + kPageSize + k + 1, conditionText.data(), c);
}

}  // namespace drav::data::cdx
