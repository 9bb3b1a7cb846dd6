#include "print/TableRowSource.h"

#include "data/access/Slots.h"

#include <memory>

namespace drav::print {

void TableRowSource::first() {
    m_table->goTop();
}

bool TableRowSource::next() {
    if (m_table->eof()) return false;
    m_table->skip(1);
    return !m_table->eof();
}

bool TableRowSource::eof() const {
    return m_table->eof();
}

uint32_t TableRowSource::recNo() const {
    return m_table->eof() ? 0 : m_table->recno();
}

void TableRowSource::goTo(uint32_t recNo) {
    // Record 0 is the end of the table: the number past the last record.
    m_table->goTo(recNo == 0 ? m_table->lastRec() + 1 : recNo);
}

Value TableRowSource::field(std::string_view name) const {
    const int pos = m_table->fieldPos(name);
    return pos < 0 ? Value() : m_table->get(pos);
}

void installTableRowSource() {
    setCurrentRowSourceProvider([]() -> RowSource* {
        static std::unique_ptr<TableRowSource> source;
        data::Table* t = data::tableIn(data::currentSlot());
        if (!t) return nullptr;
        if (source)
            source->setTable(*t);
        else
            source = std::make_unique<TableRowSource>(*t);
        return source.get();
    });
}

}  // namespace drav::print
