// The schema as data: tables in build order, field layouts and the tag texts
// the tag headers store.
#include "data/schema/Schema.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

TEST(Schema, TablesInBuildOrderWithTheirRecordLengthsAndTags) {
    struct Row {
        const char* name;
        size_t fields;
        int recordLength;
        std::vector<std::string> tags;
        bool memo;
    };
    const std::vector<Row> rows = {
        {"CLIENTI",
         23,
         1 + 10 + 35 * 8 + 5 + 2 + 45 + 13 + 11 + 16 + 20 + 1 + 5 + 4 + 25 + 10 + 10 + 1,
         {"CLIENTI"},
         true},
        {"ABBONAM", 7, 1 + 10 + 8 + 3 + 6 + 6 + 3 + 1, {"ABBONAM"}, false},
        {"DESTINAT", 6, 1 + 35 * 3 + 5 + 13 + 20, {"DESTINAT"}, false},
        {"PONY",
         11,
         1 + 35 + 4 + 35 + 35 + 5 + 13 + 13 + 16 + 11 + 30 + 4,
         {"PONY", "SIGLE"},
         false},
        {"ACCONTI", 4, 1 + 4 + 8 + 7 + 30, {"ACCONTI"}, false},
        {"CORSE", 24, 337, {"CORSE", "FUTURE", "SOSPESI"}, true},
        {"FATTURE",
         47,
         1 + 5 + 35 * 8 + 5 + 2 + 45 + 16 + 10 + 8 + 25 + 10 * (3 + 40 + 8) + 1,
         {"FATTURE"},
         true},
        {"ATTIVITA", 1, 21, {"ATTIVITA"}, false},
    };
    const auto& tables = schemaTables();
    ASSERT_EQ(tables.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const TableDef& t = tables[i];
        EXPECT_EQ(t.name, rows[i].name);
        EXPECT_EQ(t.fields.size(), rows[i].fields);
        int len = 1;
        for (const FieldDef& f : t.fields) len += f.length;
        EXPECT_EQ(len, rows[i].recordLength);
        EXPECT_EQ(t.tags, rows[i].tags);
        EXPECT_EQ(t.hasMemo(), rows[i].memo);
    }
}

TEST(Schema, FieldDetailsThatOtherCodeRelieson) {
    const TableDef* fatture = findTable("fatture");
    ASSERT_NE(fatture, nullptr);
    // Invoice lines 01..10 run QUANTnn, DESCRnn, IMPORnn from field 17.
    EXPECT_EQ(fatture->fields[16], (FieldDef{"QUANT01", 'N', 3, 0}));
    EXPECT_EQ(fatture->fields[17], (FieldDef{"DESCR01", 'C', 40, 0}));
    EXPECT_EQ(fatture->fields[45], (FieldDef{"IMPOR10", 'N', 8, 2}));
    EXPECT_EQ(fatture->fields[46], (FieldDef{"SALDATA", 'L', 1, 0}));
    const TableDef* corse = findTable("CORSE");
    EXPECT_EQ(corse->fields[7], (FieldDef{"NOTMITT", 'M', 10, 0}));
    EXPECT_EQ(corse->fields[20], (FieldDef{"IMPCONT", 'N', 6, 2}));
    EXPECT_EQ(findTable("CLIENTI")->fields[18], (FieldDef{"COSTOPONY", 'N', 4, 2}));
    EXPECT_EQ(findTable("NESSUNA"), nullptr);
}

TEST(Schema, TagsKeepStatedAndStoredTexts) {
    std::vector<std::string> order;
    for (const TagDef& g : schemaTags()) order.push_back(g.name);
    EXPECT_EQ(order, (std::vector<std::string>{"CLIENTI", "ABBONAM", "DESTINAT", "PONY", "SIGLE",
                                               "ACCONTI", "CORSE", "FUTURE", "SOSPESI", "FATTURE",
                                               "ATTIVITA"}));
    const TagDef* clienti = findTag("CLIENTI");
    EXPECT_EQ(clienti->keyExpression, "UPPER( FIELD -> cliente )");
    EXPECT_EQ(clienti->keyText, "UPPER( cliente )");
    EXPECT_EQ(clienti->conditionText, "!DELETED()");
    EXPECT_EQ(clienti->fileName(), "CLIENTI.NTX");

    const TagDef* corse = findTag("CORSE");
    EXPECT_EQ(corse->keyText, "DTOS( data ) + STR( numero, 3 )");
    EXPECT_EQ(corse->conditionText, "!EMPTY( numero ) .AND. !DELETED()");
    EXPECT_EQ(findTag("FUTURE")->conditionText, "EMPTY( numero ) .AND. !DELETED()");
    EXPECT_EQ(findTag("SOSPESI")->keyText,
              "IF( sospeso, \"S\", \" \" ) + DTOS( data ) + STR( numero, 3 )");
    EXPECT_EQ(findTag("SOSPESI")->conditionText, "!DELETED()");
    EXPECT_EQ(findTag("SIGLE")->table, "PONY");
    EXPECT_EQ(findTag("FATTURE")->keyType, 'L');
    EXPECT_EQ(findTag("FATTURE")->keyLength, 1);
    EXPECT_EQ(findTag("ABBONAM")->keyLength, 18);

    // Every tag a table names exists and points back at that table.
    for (const TableDef& t : schemaTables())
        for (const std::string& name : t.tags) {
            ASSERT_NE(findTag(name), nullptr) << name;
            EXPECT_EQ(findTag(name)->table, t.name);
        }
}

}  // namespace
}  // namespace drav::data
