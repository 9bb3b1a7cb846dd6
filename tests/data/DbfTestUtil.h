// Small helpers shared by the table and memo tests.
#pragma once

#include "data/dbf/TableFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drav::data::testutil {

using test::readFile;
using test::TempDir;
using test::writeFile;

inline uint32_t le32(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
inline uint16_t le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}
inline uint32_t be32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24 |
           static_cast<uint8_t>(b[at + 1]) << 16 | static_cast<uint8_t>(b[at + 2]) << 8 |
           static_cast<uint8_t>(b[at + 3]);
}
inline void putLe16(std::string& b, size_t at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void putBe32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// CODICE C 10, NOTE M 10: the smallest table with a memo field.
inline std::vector<FieldDef> codiceNote() {
    return {{"CODICE", 'C', 10, 0}, {"NOTE", 'M', 10, 0}};
}

// A fresh folder with the table T.DBF of codiceNote() and its memo T.DBT.
class CodiceNoteFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TableFile::create(path, codiceNote())); }

    TempDir dir;
    std::string path = dir.file("T.DBF"), memoPath = dir.file("T.DBT");
};

// Appends a record in an exclusive table and sets its fields.
inline void appendRow(TableFile& t, const std::vector<std::pair<int, Value>>& values) {
    ASSERT_TRUE(t.append());
    for (const auto& [i, v] : values) ASSERT_TRUE(t.putField(i, v));
    ASSERT_TRUE(t.commit());
}

inline std::string text(const TableFile& t, int field) {
    Value v;
    EXPECT_TRUE(t.getField(field, &v));
    return isText(v) ? std::get<std::string>(v) : std::string("<not text>");
}

}  // namespace drav::data::testutil
