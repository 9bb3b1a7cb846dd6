#include "tests/data/MemTable.h"

#include "data/schema/FieldDef.h"

#include <cstdio>
#include <stdexcept>

namespace drav::test {

MemTable::MemTable(std::vector<MemField> fields) : m_fields(std::move(fields)) {
    for (const MemField& f : m_fields) {
        m_offsets.push_back(m_recordLength);
        m_recordLength += f.length;
    }
    m_blank.assign(static_cast<size_t>(m_recordLength), ' ');
}

const std::string& MemTable::record() const {
    if (m_current == 0 || m_current > m_records.size()) return m_blank;
    return m_records[m_current - 1];
}

std::string& MemTable::touch() {
    if (m_current == 0 || m_current > m_records.size())
        throw std::logic_error("no current record to change");
    if (!m_hot) {
        m_hot = true;
        for (auto* o : m_observers)
            if (!o->beforeChange(*this, false)) throw std::runtime_error("beforeChange failed");
    }
    return m_records[m_current - 1];
}

uint32_t MemTable::append() {
    if (m_hot) throw std::logic_error("append with an unwritten change");
    m_records.push_back(m_blank);
    m_current = count();
    m_hot = true;
    for (auto* o : m_observers)
        if (!o->beforeChange(*this, true)) throw std::runtime_error("beforeChange failed");
    return m_current;
}

void MemTable::go(uint32_t recno) {
    if (m_hot) throw std::logic_error("moving with an unwritten change");
    m_current = recno > count() ? 0 : recno;
}

int MemTable::must(const std::string& field) const {
    int i = fieldIndex(field);
    if (i < 0) throw std::logic_error("no field " + field);
    return i;
}

void MemTable::store(int index, const std::string& bytes) {
    std::string& r = touch();
    std::string b = bytes;
    b.resize(static_cast<size_t>(m_fields[index].length), ' ');
    r.replace(static_cast<size_t>(m_offsets[index]), b.size(), b);
}

void MemTable::setText(const std::string& field, const std::string& text) {
    store(must(field), text);
}

void MemTable::setNumber(const std::string& field, double value) {
    int i = must(field);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*f", m_fields[i].length, m_fields[i].decimals, value);
    std::string s(buf);
    if (static_cast<int>(s.size()) > m_fields[i].length) s.assign(m_fields[i].length, '*');
    store(i, s);
}

void MemTable::setDate(const std::string& field, Date value) {
    store(must(field), value.dtos());
}

void MemTable::setLogical(const std::string& field, bool value) {
    store(must(field), value ? "T" : "F");
}

void MemTable::setMemo(const std::string& field, const std::string& text) {
    int i = must(field);
    touch();
    m_memos[{m_current, i}] = text;
}

void MemTable::setDeleted(bool deleted) {
    touch()[0] = deleted ? '*' : ' ';
}

data::Status MemTable::commit() {
    if (!m_hot) return data::Status::ok();
    m_hot = false;
    for (auto* o : m_observers)
        if (data::Status s = o->recordWritten(*this); !s) return s;
    return data::Status::ok();
}

int MemTable::fieldIndex(std::string_view name) const {
    return data::fieldPosition(m_fields, name);
}

std::string_view MemTable::fieldBytes(int index) const {
    return std::string_view(record()).substr(static_cast<size_t>(m_offsets[index]),
                                             static_cast<size_t>(m_fields[index].length));
}

Value MemTable::fieldValue(int index) const {
    std::string_view b = fieldBytes(index);
    switch (m_fields[index].type) {
        case 'C':
            return std::string(b);
        case 'N': {
            std::string s(b);
            return s.find_first_not_of(' ') == std::string::npos ? 0.0 : std::stod(s);
        }
        case 'D':
            return Date::fromDtos(b);
        case 'L':
            return !b.empty() && (b[0] == 'T' || b[0] == 't' || b[0] == 'Y' || b[0] == 'y');
        case 'M': {
            auto it = m_memos.find({m_current, index});
            return it == m_memos.end() ? std::string() : it->second;
        }
        default:
            return {};
    }
}

data::Status MemTable::forEach(
    const std::function<data::Status(const data::RecordContext&)>& visit) {
    uint32_t saved = m_current;
    for (uint32_t r = 1; r <= count(); ++r) {
        m_current = r;
        if (data::Status s = visit(*this); !s) {
            m_current = saved;
            return s;
        }
    }
    m_current = saved;
    return data::Status::ok();
}

}  // namespace drav::test
