// What the browse list tests share: a data folder with the program's own
// tables (ATTIVITA, CLIENTI) filled quickly and indexed by their schema
// tags, a list form "TESTBROWSE" with the list as control 101, and an order
// wrapper that counts what the list asks of the index.
#pragma once

#include "data/access/Order.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/support/TempDir.h"
#include "tests/ui/FormFixture.h"
#include "ui/TDialog.h"
#include "ui/TWBrowse.h"
#include "util/Error.h"
#include "util/Paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace drav::test {

// "TESTBROWSE": the list 101, "&Chiudi" 201 and "&Aggiungi" 202.
inline const QString kBrowseForm = QStringLiteral("TESTBROWSE");
void registerBrowseTemplates();

// Counts the steps and the tree look-ups the list asks of an order, and
// passes them on to the order it wraps (an index tag of the same table,
// which keeps its keys itself).
class CountingOrder : public data::Order {
public:
    explicit CountingOrder(data::Order& inner) : m_inner(inner) {}
    uint64_t steps = 0;    // records passed by skip, and every goTop/goBottom/seek
    uint64_t lookups = 0;  // key counts and key positions

    std::string name() const override { return m_inner.name(); }
    std::string keyText() const override { return m_inner.keyText(); }
    char keyType() const override { return m_inner.keyType(); }
    data::Status goTop() override { return ++steps, m_inner.goTop(); }
    data::Status goBottom() override { return ++steps, m_inner.goBottom(); }
    data::Status skip(int64_t n) override {
        steps += static_cast<uint64_t>(n < 0 ? -n : n);
        return m_inner.skip(n);
    }
    data::Status seek(const Value& key, bool soft, bool* found) override {
        ++steps;
        return m_inner.seek(key, soft, found);
    }
    data::Status goToRecord(uint32_t recno) override { return m_inner.goToRecord(recno); }
    data::Status goToPosition(uint64_t p) override {
        return ++lookups, m_inner.goToPosition(p);
    }
    bool bof() const override { return m_inner.bof(); }
    data::Status setScope(const std::optional<Value>& top,
                          const std::optional<Value>& bottom) override {
        return m_inner.setScope(top, bottom);
    }
    std::optional<Value> scopeTop() const override { return m_inner.scopeTop(); }
    std::optional<Value> scopeBottom() const override { return m_inner.scopeBottom(); }
    data::Status keyCount(uint64_t* count) override { return ++lookups, m_inner.keyCount(count); }
    data::Status keyPosition(uint64_t* position) override {
        return ++lookups, m_inner.keyPosition(position);
    }
    std::string currentKey() const override { return m_inner.currentKey(); }

private:
    data::Order& m_inner;
};

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& file) const { return dir.file(file); }
    // Makes the schema's table with one record per text (in the first
    // field, or in the field named), then builds its tags.
    void makeTable(const std::string& table, const std::vector<std::string>& values,
                   const std::string& field = {});
    // Opens it shared in a new slot with its schema tags (the first controls).
    data::Table& open(const std::string& table, const std::string& alias = {});
    // The trimmed text of a field of the current record of the table.
    static std::string text(data::Table& t, const std::string& field);

    TempDir dir;

private:
    ErrorHandler m_previousHandler;
    std::string m_previousInstance;
};

// A list form over the current table: one column showing the field (the
// first one when none is named), typing searches the controlling tag.
struct ListForm {
    explicit ListForm(const QString& title = QStringLiteral("ATTIVITA'"),
                      const std::string& field = {});
    ui::TDialog form;
    ui::TWBrowse* list = nullptr;
    int changes = 0;
    int actions = 0;
    // Shows the form without a modal loop; the list has the focus.
    bool show();
    // The text of the highlighted row.
    QString highlighted() const { return list->cellText(list->nRowPos, 1).trimmed(); }
};

}  // namespace drav::test
