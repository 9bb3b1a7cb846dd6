// Table header: field rules, parsing and checking, writing.
#include "data/dbf/TableLayout.h"

#include <cctype>
#include <cstring>

namespace drav::data {
namespace {

uint16_t le16(const char* p) {
    return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
}

uint32_t le32(const char* p) {
    return static_cast<uint32_t>(static_cast<uint8_t>(p[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(p[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(p[3])) << 24;
}

void put16(char* p, uint32_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool validName(const std::string& name) {
    if (name.empty() || name.size() > 10) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (!(std::isupper(u) || std::isdigit(u) || c == '_')) return false;
    }
    return true;
}

// The length and decimals each type allows; "" when the field is sound.
std::string fieldFault(const FieldDef& f) {
    if (!validName(f.name)) return "bad field name '" + f.name + "'";
    switch (f.type) {
        case 'C':
            if (f.length < 1 || f.length > 65535 || f.decimals != 0) break;
            return "";
        case 'N':
            if (f.length < 1 || f.length > 20 || f.decimals < 0 ||
                (f.decimals > 0 && f.decimals > f.length - 2))
                break;
            return "";
        case 'D':
            if (f.length != 8 || f.decimals != 0) break;
            return "";
        case 'L':
            if (f.length != 1 || f.decimals != 0) break;
            return "";
        case 'M':
            if (f.length != 10 || f.decimals != 0) break;
            return "";
        default:
            return "bad type of field " + f.name;
    }
    return "bad length of field " + f.name;
}

}  // namespace

void TableLayout::computeOffsets() {
    m_offsets.clear();
    int off = 1;
    m_hasMemo = false;
    for (const FieldDef& f : m_fields) {
        m_offsets.push_back(off);
        off += f.length;
        if (f.type == 'M') m_hasMemo = true;
    }
    m_recordLength = static_cast<uint16_t>(off);
    m_headerLength = static_cast<uint16_t>(32 + 32 * m_fields.size() + 2);
    m_version = m_hasMemo ? kVersionMemo : kVersionPlain;
}

Status TableLayout::fromFields(const std::string& file, const std::vector<FieldDef>& fields,
                               TableLayout* out) {
    if (fields.empty()) return Status::invalid(file, "no fields");
    if (fields.size() > static_cast<size_t>(kMaxFields))
        return Status::invalid(file, "more than 2046 fields");
    long total = 1;
    TableLayout t;
    for (FieldDef f : fields) {
        for (char& ch : f.name)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
        if (std::string why = fieldFault(f); !why.empty()) return Status::invalid(file, why);
        total += f.length;
        t.m_fields.push_back(f);
    }
    if (total > 65535) return Status::invalid(file, "record longer than 65535 bytes");
    t.computeOffsets();
    *out = std::move(t);
    return Status::ok();
}

uint16_t TableLayout::announcedHeaderLength(std::string_view first32) {
    return first32.size() < 32 ? 0 : le16(first32.data() + 8);
}

Status TableLayout::parse(const std::string& file, std::string_view bytes, uint64_t fileSize,
                          TableLayout* out) {
    auto bad = [&](const char* why) { return Status::corruption(file, why); };
    if (bytes.size() < 32 || fileSize < 32) return bad("truncated header");
    const char* h = bytes.data();
    auto version = static_cast<uint8_t>(h[0]);
    if (version != kVersionPlain && version != kVersionMemo) return bad("not a table file");
    uint16_t headerLength = le16(h + 8);
    uint16_t recordLength = le16(h + 10);
    // 32 + 32n + 2 exactly: any other length would put the records where
    // the field list does not say.
    if (headerLength < 32 + 32 + 2 || headerLength > fileSize || headerLength > bytes.size())
        return bad("wrong header length");
    int n = (headerLength - 34) / 32;
    if ((headerLength - 34) % 32 != 0 || n > kMaxFields) return bad("wrong header length");
    if (h[32 + 32 * n] != 0x0D) return bad("field list without terminator");

    TableLayout t;
    long total = 1;
    for (int i = 0; i < n; ++i) {
        const char* d = h + 32 + 32 * i;
        if (d[0] == 0x0D) return bad("wrong header length");
        FieldDef f;
        f.name.assign(d, strnlen(d, 11));
        f.type = d[11];
        auto lo = static_cast<uint8_t>(d[16]);
        auto hi = static_cast<uint8_t>(d[17]);
        if (f.type == 'C') {
            f.length = lo + 256 * hi;
        } else {
            f.length = lo;
            f.decimals = f.type == 'N' ? hi : 0;
        }
        if (!fieldFault(f).empty()) return bad("bad field descriptor");
        total += f.length;
        t.m_fields.push_back(std::move(f));
    }
    if (total != recordLength) return bad("record length does not match the fields");
    t.computeOffsets();
    t.m_headerLength = headerLength;
    t.m_version = version;
    t.m_headerCount = le32(h + 4);
    *out = std::move(t);
    return Status::ok();
}

int TableLayout::fieldIndex(std::string_view name) const {
    return fieldPosition(m_fields, name);
}

void TableLayout::dateAndCount(uint32_t count, int year, int month, int day, char out[7]) {
    out[0] = static_cast<char>(year - 1900);
    out[1] = static_cast<char>(month);
    out[2] = static_cast<char>(day);
    put32(out + 3, count);
}

std::string TableLayout::headerBytes(uint32_t count, int year, int month, int day) const {
    std::string h(m_headerLength, '\0');
    h[0] = static_cast<char>(m_version);
    dateAndCount(count, year, month, day, h.data() + 1);
    put16(h.data() + 8, m_headerLength);
    put16(h.data() + 10, m_recordLength);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        char* d = h.data() + 32 + 32 * i;
        const FieldDef& f = m_fields[i];
        std::memcpy(d, f.name.data(), f.name.size());
        d[11] = f.type;
        if (f.type == 'C') {
            d[16] = static_cast<char>(f.length & 0xFF);
            d[17] = static_cast<char>((f.length >> 8) & 0xFF);
        } else {
            d[16] = static_cast<char>(f.length);
            d[17] = static_cast<char>(f.decimals);
        }
    }
    h[32 + 32 * m_fields.size()] = 0x0D;
    return h;
}

}  // namespace drav::data
