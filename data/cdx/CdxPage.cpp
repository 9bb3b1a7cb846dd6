// Decoding and encoding of index pages (layout in CdxPage.h).
//
// Sections: leaf geometry; editing the decoded form; decoding; encoding.
#include "data/cdx/CdxPage.h"

#include <algorithm>
#include <cstddef>

namespace drav::data::cdx {

namespace {

int recordBitsOf(int keyLength, int bytesPerEntry) {
    return 8 * bytesPerEntry - 2 * countBits(keyLength);
}

int trailingOf(const uint8_t* key, int keyLength, uint8_t fill) {
    int t = 0;
    while (t < keyLength && key[keyLength - 1 - t] == fill) ++t;
    return t;
}

}  // namespace

// ---- Leaf geometry ------------------------------------------------------------------

int CdxPage::minBytesPerEntry(int keyLength, uint32_t maxRecno) {
    int bpe = 3;
    while (recordBitsOf(keyLength, bpe) < 32 &&
           (uint64_t(maxRecno) >> recordBitsOf(keyLength, bpe)))
        ++bpe;
    return bpe;
}

int CdxPage::storedLength(const uint8_t* prev, const uint8_t* key, int keyLength, uint8_t fill) {
    int trl = trailingOf(key, keyLength, fill);
    int dup = 0;
    if (prev) {
        int limit = keyLength - trl;
        while (dup < limit && prev[dup] == key[dup]) ++dup;
    }
    return keyLength - dup - trl;
}

int CdxPage::leafUsed() const {
    int used = 0;
    const uint8_t* prev = nullptr;
    for (int i = 0; i < count(); ++i) {
        used += bytesPerEntry + storedLength(prev, key(i), m_keyLength, m_fill);
        prev = key(i);
    }
    return used;
}

bool CdxPage::fits() const {
    if (leaf) return leafUsed() <= kKeyArea;
    return count() <= maxInteriorEntries(m_keyLength);
}

// ---- Editing ------------------------------------------------------------------------------

void CdxPage::insert(int i, const uint8_t* k, uint32_t rec, uint32_t child) {
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(i) * m_keyLength, k, k + m_keyLength);
    recs.insert(recs.begin() + i, rec);
    if (!leaf)
        children.insert(children.begin() + i, child);
    else if (uint64_t(rec) >> recordBitsOf(m_keyLength, bytesPerEntry))
        bytesPerEntry = std::max(bytesPerEntry, minBytesPerEntry(m_keyLength, rec));
}

void CdxPage::erase(int i) {
    auto kb = keys.begin() + static_cast<std::ptrdiff_t>(i) * m_keyLength;
    keys.erase(kb, kb + m_keyLength);
    recs.erase(recs.begin() + i);
    if (!leaf) children.erase(children.begin() + i);
}

void CdxPage::moveTail(int from, CdxPage& other) {
    auto kb = keys.begin() + static_cast<std::ptrdiff_t>(from) * m_keyLength;
    other.keys.insert(other.keys.end(), kb, keys.end());
    keys.erase(kb, keys.end());
    for (int i = from; i < count(); ++i) {
        if (other.leaf)
            other.bytesPerEntry =
                std::max(other.bytesPerEntry, minBytesPerEntry(m_keyLength, recs[i]));
    }
    other.recs.insert(other.recs.end(), recs.begin() + from, recs.end());
    recs.erase(recs.begin() + from, recs.end());
    if (!leaf) {
        other.children.insert(other.children.end(), children.begin() + from, children.end());
        children.erase(children.begin() + from, children.end());
    }
}

void CdxPage::setEntry(int i, const uint8_t* k, uint32_t rec) {
    std::copy(k, k + m_keyLength, key(i));
    recs[i] = rec;
}

void CdxPage::clear() {
    keys.clear();
    recs.clear();
    children.clear();
}

// ---- Decoding ---------------------------------------------------------------------------

const char* CdxPage::decode(const uint8_t* b, uint32_t offset, int kl, uint8_t fill, CdxPage& p) {
    p = CdxPage(kl, fill);
    p.offset = offset;
    uint16_t type = getLe16(b);
    if (type > 3) return "zq_cdxPageGetKeyVal: index corrupted.";
    p.root = type & 1;
    p.leaf = type & 2;
    int n = getLe16(b + 2);
    p.left = getLe32(b + 4);
    p.right = getLe32(b + 8);
    if (!p.leaf) {
        if (n < 1 || n > maxInteriorEntries(kl)) return "zq_cdxPageGetKeyVal: index corrupted.";
        p.keys.resize(static_cast<size_t>(n) * kl);
        p.recs.resize(n);
        p.children.resize(n);
        const uint8_t* e = b + kInteriorHeader;
        for (int i = 0; i < n; ++i, e += kl + 8) {
            std::copy(e, e + kl, p.key(i));
            p.recs[i] = getBe32(e + kl);
            p.children[i] = getBe32(e + kl + 4);
            if (p.children[i] == 0 || p.children[i] % kPageSize != 0)
                return "zq_cdxPageGetChild: index corrupted.";
        }
        return nullptr;
    }
    const char* corrupt = "zq_cdxPageLeafDecode: index corrupted.";
    int freeBytes = static_cast<int16_t>(getLe16(b + 12));
    uint32_t recMask = getLe32(b + 14);
    int dupMask = b[18], trlMask = b[19];
    int recBits = b[20], dupBits = b[21], trlBits = b[22], bpe = b[23];
    if (bpe < 3 || bpe > 8 || dupBits < 1 || dupBits > 8 || trlBits < 1 || trlBits > 8 ||
        recBits < 1 || recBits + dupBits + trlBits > 8 * bpe)
        return corrupt;
    uint64_t fullRecMask = recBits >= 64 ? ~uint64_t(0) : (uint64_t(1) << recBits) - 1;
    if (recMask != static_cast<uint32_t>(std::min<uint64_t>(fullRecMask, 0xFFFFFFFFu)) ||
        dupMask != (1 << dupBits) - 1 || trlMask != (1 << trlBits) - 1)
        return corrupt;
    if (n * bpe > kKeyArea) return corrupt;
    p.bytesPerEntry = bpe;
    p.keys.resize(static_cast<size_t>(n) * kl);
    p.recs.resize(n);
    int end = static_cast<int>(kPageSize);  // bottom of the stored parts so far
    int entriesEnd = kLeafHeader + n * bpe;
    int used = 0;
    for (int i = 0; i < n; ++i) {
        const uint8_t* e = b + kLeafHeader + i * bpe;
        uint64_t v = 0;
        for (int k = bpe - 1; k >= 0; --k) v = v << 8 | e[k];
        uint64_t rec = v & fullRecMask;
        int dup = static_cast<int>((v >> recBits) & static_cast<uint64_t>(dupMask));
        int trl = static_cast<int>((v >> (recBits + dupBits)) & static_cast<uint64_t>(trlMask));
        if (rec > 0xFFFFFFFFu || dup + trl > kl || (i == 0 && dup != 0)) return corrupt;
        int stored = kl - dup - trl;
        end -= stored;
        if (end < entriesEnd) return corrupt;
        uint8_t* k = p.key(i);
        if (dup) std::copy(k - kl, k - kl + dup, k);
        std::copy(b + end, b + end + stored, k + dup);
        std::fill(k + dup + stored, k + kl, fill);
        p.recs[i] = static_cast<uint32_t>(rec);
        used += bpe + stored;
    }
    if (freeBytes != kKeyArea - used) return corrupt;
    return nullptr;
}

// ---- Encoding ---------------------------------------------------------------------------

const char* CdxPage::encode(uint8_t* b) const {
    std::fill(b, b + kPageSize, 0);
    int n = count();
    putLe16(b, static_cast<uint16_t>((root ? 1 : 0) | (leaf ? 2 : 0)));
    putLe16(b + 2, static_cast<uint16_t>(n));
    putLe32(b + 4, left);
    putLe32(b + 8, right);
    int kl = m_keyLength;
    if (!leaf) {
        if (n > maxInteriorEntries(kl)) return "zq_cdxPageStore: number of keys exceed!.";
        uint8_t* e = b + kInteriorHeader;
        for (int i = 0; i < n; ++i, e += kl + 8) {
            std::copy(key(i), key(i) + kl, e);
            putBe32(e + kl, recs[i]);
            putBe32(e + kl + 4, children[i]);
        }
        return nullptr;
    }
    int cb = countBits(kl);
    int bpe = bytesPerEntry;
    int recBits = recordBitsOf(kl, bpe);
    uint64_t fullRecMask = recBits >= 64 ? ~uint64_t(0) : (uint64_t(1) << recBits) - 1;
    int end = static_cast<int>(kPageSize);
    int used = 0;
    const uint8_t* prev = nullptr;
    for (int i = 0; i < n; ++i) {
        const uint8_t* k = key(i);
        int trl = trailingOf(k, kl, m_fill);
        int dup = 0;
        if (prev)
            while (dup < kl - trl && prev[dup] == k[dup]) ++dup;
        int stored = kl - dup - trl;
        used += bpe + stored;
        if (used > kKeyArea || recs[i] > fullRecMask)
            return "zq_cdxPageLeafEncode: FreeSpace calculated wrong!.";
        end -= stored;
        std::copy(k + dup, k + dup + stored, b + end);
        uint64_t v = recs[i] | uint64_t(dup) << recBits | uint64_t(trl) << (recBits + cb);
        uint8_t* e = b + kLeafHeader + i * bpe;
        for (int j = 0; j < bpe; ++j) e[j] = static_cast<uint8_t>(v >> (8 * j));
        prev = k;
    }
    putLe16(b + 12, static_cast<uint16_t>(kKeyArea - used));
    putLe32(b + 14, static_cast<uint32_t>(std::min<uint64_t>(fullRecMask, 0xFFFFFFFFu)));
    b[18] = static_cast<uint8_t>((1 << cb) - 1);
    b[19] = static_cast<uint8_t>((1 << cb) - 1);
    b[20] = static_cast<uint8_t>(recBits);
    b[21] = static_cast<uint8_t>(cb);
    b[22] = static_cast<uint8_t>(cb);
    b[23] = static_cast<uint8_t>(bpe);
    return nullptr;
}

}  // namespace drav::data::cdx
