// The compound index file layout: constants, byte order helpers, key value
// encodings and the tag header. Pages are decoded in CdxPage.h.
//
// Sections: file and lock constants; byte order; key values; tag header;
// error codes.
//
// The file is a sequence of 512-byte pages addressed by byte offset (every
// stored offset is a multiple of 512):
//
//   offset 0      directory header (1024 bytes): a tag whose keys are the
//                 tag names, each key's record number the offset of that
//                 tag's header
//   ...           the directory's tree, each tag's header (1024 bytes) and
//                 tree, pages on the free list, in any order
//
// Tag header (1024 bytes; the same layout for the directory and a tag):
//
//   Offset Size  Field
//   0      4     offset of the root page
//   4      4     directory only: offset of the first free page (0: none)
//   8      4     directory only: change counter, BIG-endian
//   12     2     key length, 1..240
//   14     1     options: 1 unique, 2 temporary, 4 custom, 8 has a condition,
//                32 compact, 64 compound, 128 directory
//   15     1     signature, 1
//   16     483   zero
//   499    1     1: character keys are kept in capitals (ignore case)
//   500    2     zero
//   502    2     1: descending
//   504    2     position of the condition text in the expression area
//   506    2     length of the condition text with its zero byte
//   508    2     position of the key text in the expression area
//   510    2     length of the key text with its zero byte
//   512    512   expression area: key text and 0 at 0, condition text and 0
//                right after it, then zeros
//
// Integers are little-endian unless marked.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace drav::data::cdx {

// ---- File and lock constants ----------------------------------------------------

constexpr uint32_t kPageSize = 512;
constexpr uint32_t kHeaderSize = 1024;
constexpr uint32_t kNoPage = 0xFFFFFFFFu;  // sibling link "none"
constexpr int kMaxKeyLength = 240;
constexpr int kExprAreaSize = 512;
constexpr int kMaxExprText = 510;  // key text + condition text

constexpr uint8_t kOptUnique = 1;
constexpr uint8_t kOptTemporary = 2;
constexpr uint8_t kOptCustom = 4;
constexpr uint8_t kOptCondition = 8;
constexpr uint8_t kOptCompact = 32;
constexpr uint8_t kOptCompound = 64;
constexpr uint8_t kOptDirectory = 128;

// The directory: a tag of 10-byte character keys, without expressions.
constexpr int kDirKeyLength = 10;
constexpr uint8_t kDirOptions = kOptCompact | kOptCompound | kOptDirectory;  // 224

// Lock bytes of the index files (far beyond any real file size). A reader
// holds one random byte of the pool [kLockBase + 1, kLockBase + kLockPool];
// a writer holds the whole pool and the byte below it.
constexpr uint64_t kLockBase = 4294901759ULL;
constexpr uint64_t kLockPool = 65536;
constexpr uint64_t kWriteLockLength = kLockPool + 1;

// ---- Byte order -------------------------------------------------------------------

inline uint16_t getLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t getLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t getBe32(const uint8_t* p) {
    return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}
inline void putLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void putBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[3 - i] = static_cast<uint8_t>(v >> (8 * i));
}

// ---- Key values ---------------------------------------------------------------------
//
//   Type  Length  Stored bytes
//   C     1..240  the text cut to the key length or padded with blanks
//   N     8       IEEE 754 double, big-endian; value >= 0 (-0 taken as 0):
//                 top bit inverted; negative: all 64 bits inverted
//   D     8       the julian day (0 for the empty date) encoded as N
//   L     1       "T" or "F"
//
// So keys order as unsigned bytes: -1 < 0 < 1 < 12.5, empty date first.

void encodeNumberKey(double value, uint8_t out[8]);
double decodeNumberKey(const uint8_t in[8]);
// The byte that fills the end of keys of a type: blank for text, zero else.
inline uint8_t fillByte(char keyType) {
    return keyType == 'C' ? ' ' : 0;
}
// The bit length of the key length: the width of the duplicate and trailing
// counts in leaf entries.
int countBits(int keyLength);

// ---- Tag header -----------------------------------------------------------------------

struct TagHeader {
    uint32_t root = 0;
    uint32_t freeHead = 0;  // directory only
    uint32_t counter = 0;   // directory only
    int keyLength = 0;
    uint8_t options = 0;
    uint8_t signature = 1;
    bool ignoreCase = false;
    bool descending = false;
    std::string keyText;
    std::string conditionText;

    // Reads a 1024-byte header. Checks the expression area (both texts
    // inside it, zero-terminated, not overlapping) and the key length; the
    // file-dependent checks are the caller's. False with a reason otherwise.
    static bool parse(const uint8_t* bytes, TagHeader& out, std::string* why);
    // Writes the 1024 bytes: key text at 0, condition text right after.
    void serialize(uint8_t* bytes) const;
};

// ---- Error codes ------------------------------------------------------------------------

// Sub-codes of the failures reported to the error handler.
constexpr int kSubCreate = 1006;
constexpr int kSubOpen = 1003;
constexpr int kSubCorrupt = 1012;
constexpr int kSubKeyType = 1026;
constexpr int kSubExprWidth = 1054;
constexpr int kSubConditionType = 1053;
constexpr int kSubLock = 1038;

// Numbers of the fatal integrity errors.
constexpr unsigned kFatalRead = 1010;
constexpr unsigned kFatalWrite = 1011;
constexpr unsigned kFatalVersion = 2155;
constexpr unsigned kFatalReadOnly = 9101;
constexpr unsigned kFatalNotWriteLocked = 9102;
constexpr unsigned kFatalNotLocked = 9103;
constexpr unsigned kFatalStillLocked = 9104;
constexpr unsigned kFatalLockCount = 9105;
constexpr unsigned kFatalUnlockCount = 9106;
constexpr unsigned kFatalLockTaken = 9107;
constexpr unsigned kFatalUnlock = 9108;
constexpr unsigned kFatalIntegrity = 9201;
constexpr unsigned kFatalSortCreate = 9301;
constexpr unsigned kFatalSortWrite = 9302;
constexpr unsigned kFatalSortRead = 9303;
constexpr unsigned kFatalSortState = 9304;
constexpr unsigned kFatalSortCount = 9306;

}  // namespace drav::data::cdx
