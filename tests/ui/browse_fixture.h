// What the browse list tests share: a data folder with the program's own
// tables (ATTIVITA, CLIENTI) filled quickly and indexed by their schema
// tags and a list form "TESTBROWSE" with the list as control 101.
#pragma once

#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/support/CountingOrder.h"
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
