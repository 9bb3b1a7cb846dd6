// One page of an index tree, decoded into flat arrays of keys, record
// numbers and (interior pages) child offsets, with its encoding back to the
// 512 bytes of the file.
//
// Sections: page header; interior page; leaf page; the decoded form.
//
// Page header (every page, 12 bytes):
//
//   Offset Size  Field
//   0      2     type: bit 0 root, bit 1 leaf (0 interior, 1 root interior,
//                2 leaf, 3 root leaf)
//   2      2     number of keys
//   4      4     left sibling on the same level, FF FF FF FF when none
//   8      4     right sibling on the same level, FF FF FF FF when none
//
// Interior page: from offset 12, one entry per child of key length + 8
// bytes: the key (full length), the record number (4, BIG-endian) and the
// child's offset (4, BIG-endian). Entry i holds the last key and record
// number of child i. At most floor(500 / (key length + 8)) entries; the
// rest of the page is zero.
//
// Leaf page:
//
//   Offset Size  Field
//   12     2     free bytes left in the key area (signed, never negative)
//   14     4     record-number mask, 2^(record bits) - 1
//   18     1     duplicate-count mask, 2^(count bits) - 1
//   19     1     trailing-count mask, 2^(count bits) - 1
//   20     1     record bits
//   21     1     duplicate-count bits
//   22     1     trailing-count bits
//   23     1     bytes per entry
//   24     488   key area
//
// The key area starts with one entry per key (bytes-per-entry long,
// little-endian): record | duplicate << record bits | trailing << (record
// bits + count bits). The stored parts fill the key area from the end of
// the page downward, the first key's part ending at byte 511. A key is its
// duplicate count of leading bytes taken from the previous key of the page,
// its stored part, then trailing-count fill bytes (blank for text keys,
// zero otherwise). Count bits are the bit length of the key length; a new
// page has 3 bytes per entry (record bits 24 - 2 x count bits) and grows by
// one byte (8 record bits) whenever a record number does not fit. Free
// bytes = 488 - sum over the keys of (bytes per entry + stored part).
#pragma once

#include "data/cdx/CdxFormat.h"

#include <cstdint>
#include <vector>

namespace drav::data::cdx {

constexpr int kLeafHeader = 24;
constexpr int kKeyArea = 488;
constexpr int kInteriorHeader = 12;
constexpr int kInteriorArea = 500;

class CdxPage {
public:
    CdxPage(int keyLength, uint8_t fill) : m_keyLength(keyLength), m_fill(fill) {}

    // Decodes the 512 bytes; returns null, or the integrity text naming
    // what contradicts the layout.
    static const char* decode(const uint8_t* bytes, uint32_t offset, int keyLength, uint8_t fill,
                              CdxPage& out);
    // Encodes into 512 bytes; null, or the integrity text when the page
    // does not fit its layout (a fault of the caller).
    const char* encode(uint8_t* bytes) const;

    // The smallest bytes per entry that holds record numbers up to maxRecno.
    static int minBytesPerEntry(int keyLength, uint32_t maxRecno);
    static int maxInteriorEntries(int keyLength) { return kInteriorArea / (keyLength + 8); }
    // The stored part of a key placed after prev (null: first of its page).
    static int storedLength(const uint8_t* prev, const uint8_t* key, int keyLength, uint8_t fill);

    int count() const { return static_cast<int>(recs.size()); }
    const uint8_t* key(int i) const { return keys.data() + static_cast<size_t>(i) * m_keyLength; }
    uint8_t* key(int i) { return keys.data() + static_cast<size_t>(i) * m_keyLength; }

    void insert(int i, const uint8_t* key, uint32_t rec, uint32_t child = 0);
    void erase(int i);
    // Moves entries [from, count) to the end of other (same kind of page).
    void moveTail(int from, CdxPage& other);
    void setEntry(int i, const uint8_t* key, uint32_t rec);
    void clear();

    // Leaf: the key area bytes the keys take with the page's bytes per entry.
    int leafUsed() const;
    // Whether the entries fit the page layout.
    bool fits() const;

    uint32_t offset = 0;
    bool leaf = true;
    bool root = false;
    uint32_t left = kNoPage;
    uint32_t right = kNoPage;
    int bytesPerEntry = 3;      // leaf only; grows with the record numbers it holds
    bool dirty = false;         // set by the file when the page is to be written
    std::vector<uint8_t> keys;  // count() x key length
    std::vector<uint32_t> recs;
    std::vector<uint32_t> children;  // interior only

private:
    int m_keyLength;
    uint8_t m_fill;
};

}  // namespace drav::data::cdx
