// The header of a table file: what it says about the fields and the records,
// how it is checked when a file is opened and how it is written.
//
// Table file (integers little-endian):
//
//   Offset        Size  Content
//   0             1     version: 0x03 without memo fields, 0xF5 with (FPT memo file)
//   1             3     date of the last header write: year-1900, month, day
//   4             4     record count
//   8             2     header length = 32 + 32 * fields + 2
//   10            2     record length = 1 + sum of the field lengths
//   12            20    zero
//   32            32*n  field descriptors (below)
//   32+32n        2     0x0D 0x00
//   header length       records, record 1 first
//   end           0/1   0x1A end-of-file mark
//
// Field descriptor:
//
//   0   11  name in capitals, zero-padded      16  1  length (C: low byte)
//   11  1   type letter C N D L M              17  1  decimals (C: high byte of length)
//   12  4   zero                               18  14 zero
#pragma once

#include "data/Status.h"
#include "data/schema/FieldDef.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

constexpr int kMaxFields = 2046;
constexpr uint8_t kVersionPlain = 0x03;
constexpr uint8_t kVersionMemo = 0xF5;
constexpr char kEofMark = 0x1A;

class TableLayout {
public:
    // The layout of a new table. Invalid (naming the file and the fault) when
    // the list cannot make a table: no fields, more than 2046, a bad name,
    // type or length, or records longer than 65535 bytes.
    static Status fromFields(const std::string& file, const std::vector<FieldDef>& fields,
                             TableLayout* out);
    // Checks a header read from a file of the given size: `bytes` holds at
    // least the first 32 bytes, and the whole header when it is that long.
    // Corruption when anything contradicts the layout.
    static Status parse(const std::string& file, std::string_view bytes, uint64_t fileSize,
                        TableLayout* out);
    // The header length a file announces in its first 32 bytes.
    static uint16_t announcedHeaderLength(std::string_view first32);

    // The whole header with the given record count and date.
    std::string headerBytes(uint32_t count, int year, int month, int day) const;
    // Bytes 1..7: the date and the record count (what a header rewrite changes).
    static void dateAndCount(uint32_t count, int year, int month, int day, char out[7]);

    const std::vector<FieldDef>& fields() const { return m_fields; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const FieldDef& field(int i) const { return m_fields[i]; }
    // Offset of the field within the record (byte 0 is the deleted mark).
    int offset(int i) const { return m_offsets[i]; }
    int fieldIndex(std::string_view name) const;
    uint16_t headerLength() const { return m_headerLength; }
    uint16_t recordLength() const { return m_recordLength; }
    bool hasMemo() const { return m_hasMemo; }
    uint8_t version() const { return m_version; }
    uint32_t headerCount() const { return m_headerCount; }

private:
    void computeOffsets();

    std::vector<FieldDef> m_fields;
    std::vector<int> m_offsets;
    uint16_t m_headerLength = 0;
    uint16_t m_recordLength = 0;
    uint8_t m_version = kVersionPlain;
    bool m_hasMemo = false;
    uint32_t m_headerCount = 0;
};

}  // namespace drav::data
