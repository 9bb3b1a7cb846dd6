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

// Every field of every table, in file order, exactly as the database is
// defined: name, type, length and decimals. Stored files, other stations
// and the formatters' widths all depend on these.
TEST(Schema, EveryFieldOfEveryTableAsDefined) {
    struct Row {
        const char* table;
        const char* name;
        char type;
        int length, decimals;
    };
    const Row rows[] = {
        {"CLIENTI", "CODICE", 'C', 10, 0},    {"CLIENTI", "CLIENTE", 'C', 35, 0},
        {"CLIENTI", "RAGSOC1", 'C', 35, 0},   {"CLIENTI", "RAGSOC2", 'C', 35, 0},
        {"CLIENTI", "RAGSOC3", 'C', 35, 0},   {"CLIENTI", "RAGSOC4", 'C', 35, 0},
        {"CLIENTI", "RAGSOC5", 'C', 35, 0},   {"CLIENTI", "INDIRIZZO", 'C', 35, 0},
        {"CLIENTI", "CITTA", 'C', 35, 0},     {"CLIENTI", "CAP", 'C', 5, 0},
        {"CLIENTI", "PROVINCIA", 'C', 2, 0},  {"CLIENTI", "TELEFONO", 'C', 45, 0},
        {"CLIENTI", "FAX", 'C', 13, 0},       {"CLIENTI", "PARTIVA", 'C', 11, 0},
        {"CLIENTI", "CODFISC", 'C', 16, 0},   {"CLIENTI", "ATTIVITA", 'C', 20, 0},
        {"CLIENTI", "FATTURA", 'L', 1, 0},    {"CLIENTI", "COSTOCLIE", 'N', 5, 2},
        {"CLIENTI", "COSTOPONY", 'N', 4, 2},  {"CLIENTI", "PAGAMENTO", 'C', 25, 0},
        {"CLIENTI", "FATTURAZ", 'M', 10, 0},  {"CLIENTI", "NOTE", 'M', 10, 0},
        {"CLIENTI", "FISSO", 'L', 1, 0},      {"ABBONAM", "CLIENTE", 'C', 10, 0},
        {"ABBONAM", "DATA", 'D', 8, 0},       {"ABBONAM", "TAGLIANDI", 'N', 3, 0},
        {"ABBONAM", "DALNUM", 'C', 6, 0},     {"ABBONAM", "ALNUM", 'C', 6, 0},
        {"ABBONAM", "RESIDUI", 'N', 3, 0},    {"ABBONAM", "OMAGGIO", 'L', 1, 0},
        {"DESTINAT", "CLIENTE", 'C', 35, 0},  {"DESTINAT", "INDIRIZZO", 'C', 35, 0},
        {"DESTINAT", "CITTA", 'C', 35, 0},    {"DESTINAT", "CAP", 'C', 5, 0},
        {"DESTINAT", "TELEFONO", 'C', 13, 0}, {"DESTINAT", "ATTIVITA", 'C', 20, 0},
        {"PONY", "NOMINATIVO", 'C', 35, 0},   {"PONY", "SIGLA", 'C', 4, 0},
        {"PONY", "INDIRIZZO", 'C', 35, 0},    {"PONY", "CITTA", 'C', 35, 0},
        {"PONY", "CAP", 'C', 5, 0},           {"PONY", "TELEFONO", 'C', 13, 0},
        {"PONY", "CELLULARE", 'C', 13, 0},    {"PONY", "CODFISC", 'C', 16, 0},
        {"PONY", "PARTIVA", 'C', 11, 0},      {"PONY", "DOCUMENTO", 'C', 30, 0},
        {"PONY", "COSTOPONY", 'N', 4, 2},     {"ACCONTI", "PONY", 'C', 4, 0},
        {"ACCONTI", "DATA", 'D', 8, 0},       {"ACCONTI", "IMPORTO", 'N', 7, 2},
        {"ACCONTI", "NOTE", 'C', 30, 0},      {"CORSE", "NUMERO", 'N', 3, 0},
        {"CORSE", "DATA", 'D', 8, 0},         {"CORSE", "ORA", 'C', 5, 0},
        {"CORSE", "CLIENTE", 'C', 35, 0},     {"CORSE", "MITTENTE", 'C', 35, 0},
        {"CORSE", "INDMITT", 'C', 35, 0},     {"CORSE", "CITMITT", 'C', 35, 0},
        {"CORSE", "NOTMITT", 'M', 10, 0},     {"CORSE", "DESTINAT", 'C', 35, 0},
        {"CORSE", "INDDEST", 'C', 35, 0},     {"CORSE", "CITDEST", 'C', 35, 0},
        {"CORSE", "TELDEST", 'C', 13, 0},     {"CORSE", "NOTDEST", 'M', 10, 0},
        {"CORSE", "BUONI", 'N', 2, 0},        {"CORSE", "NUMBUONO", 'C', 8, 0},
        {"CORSE", "PONY1", 'C', 4, 0},        {"CORSE", "IMPORTO1", 'N', 7, 2},
        {"CORSE", "PONY2", 'C', 4, 0},        {"CORSE", "IMPORTO2", 'N', 7, 2},
        {"CORSE", "CONTANTI", 'L', 1, 0},     {"CORSE", "IMPCONT", 'N', 6, 2},
        {"CORSE", "CONSEGNATA", 'L', 1, 0},   {"CORSE", "FAX", 'L', 1, 0},
        {"CORSE", "SOSPESO", 'L', 1, 0},      {"FATTURE", "NUMERO", 'N', 5, 0},
        {"FATTURE", "CLIENTE", 'C', 35, 0},   {"FATTURE", "RAGSOC1", 'C', 35, 0},
        {"FATTURE", "RAGSOC2", 'C', 35, 0},   {"FATTURE", "RAGSOC3", 'C', 35, 0},
        {"FATTURE", "RAGSOC4", 'C', 35, 0},   {"FATTURE", "RAGSOC5", 'C', 35, 0},
        {"FATTURE", "INDIRIZZO", 'C', 35, 0}, {"FATTURE", "CAP", 'C', 5, 0},
        {"FATTURE", "CITTA", 'C', 35, 0},     {"FATTURE", "PROVINCIA", 'C', 2, 0},
        {"FATTURE", "TELEFONO", 'C', 45, 0},  {"FATTURE", "PARTIVA", 'C', 16, 0},
        {"FATTURE", "FATTURAZ", 'M', 10, 0},  {"FATTURE", "DATA", 'D', 8, 0},
        {"FATTURE", "PAGAMENTO", 'C', 25, 0}, {"FATTURE", "QUANT01", 'N', 3, 0},
        {"FATTURE", "DESCR01", 'C', 40, 0},   {"FATTURE", "IMPOR01", 'N', 8, 2},
        {"FATTURE", "QUANT02", 'N', 3, 0},    {"FATTURE", "DESCR02", 'C', 40, 0},
        {"FATTURE", "IMPOR02", 'N', 8, 2},    {"FATTURE", "QUANT03", 'N', 3, 0},
        {"FATTURE", "DESCR03", 'C', 40, 0},   {"FATTURE", "IMPOR03", 'N', 8, 2},
        {"FATTURE", "QUANT04", 'N', 3, 0},    {"FATTURE", "DESCR04", 'C', 40, 0},
        {"FATTURE", "IMPOR04", 'N', 8, 2},    {"FATTURE", "QUANT05", 'N', 3, 0},
        {"FATTURE", "DESCR05", 'C', 40, 0},   {"FATTURE", "IMPOR05", 'N', 8, 2},
        {"FATTURE", "QUANT06", 'N', 3, 0},    {"FATTURE", "DESCR06", 'C', 40, 0},
        {"FATTURE", "IMPOR06", 'N', 8, 2},    {"FATTURE", "QUANT07", 'N', 3, 0},
        {"FATTURE", "DESCR07", 'C', 40, 0},   {"FATTURE", "IMPOR07", 'N', 8, 2},
        {"FATTURE", "QUANT08", 'N', 3, 0},    {"FATTURE", "DESCR08", 'C', 40, 0},
        {"FATTURE", "IMPOR08", 'N', 8, 2},    {"FATTURE", "QUANT09", 'N', 3, 0},
        {"FATTURE", "DESCR09", 'C', 40, 0},   {"FATTURE", "IMPOR09", 'N', 8, 2},
        {"FATTURE", "QUANT10", 'N', 3, 0},    {"FATTURE", "DESCR10", 'C', 40, 0},
        {"FATTURE", "IMPOR10", 'N', 8, 2},    {"FATTURE", "SALDATA", 'L', 1, 0},
        {"ATTIVITA", "ATTIVITA", 'C', 20, 0},
    };
    std::vector<std::pair<std::string, FieldDef>> listed, defined;
    for (const Row& r : rows) listed.push_back({r.table, {r.name, r.type, r.length, r.decimals}});
    for (const TableDef& t : schemaTables())
        for (const FieldDef& f : t.fields) defined.push_back({t.name, f});
    ASSERT_EQ(defined.size(), listed.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(defined[i].first, listed[i].first) << i;
        EXPECT_EQ(defined[i].second, listed[i].second)
            << listed[i].first << "." << listed[i].second.name << " is defined as "
            << defined[i].second.name << " " << defined[i].second.type << " "
            << defined[i].second.length << "," << defined[i].second.decimals;
    }
}

// Every tag in rebuild order: its table, file, key and condition as stated,
// the texts its header keeps, and its key type and length.
TEST(Schema, EveryTagAsDefined) {
    struct Row {
        const char *name, *table, *file, *key, *condition, *keyText, *conditionText;
        char keyType;
        int keyLength;
    };
    const Row rows[] = {
        {"CLIENTI", "CLIENTI", "CLIENTI.NTX", "UPPER( FIELD -> cliente )", "!DELETED()",
         "UPPER( cliente )", "!DELETED()", 'C', 35},
        {"ABBONAM", "ABBONAM", "ABBONAM.NTX", "FIELD -> cliente + DTOS( FIELD -> data )",
         "!DELETED()", "cliente + DTOS( data )", "!DELETED()", 'C', 18},
        {"DESTINAT", "DESTINAT", "DESTINAT.NTX", "UPPER( FIELD -> cliente )", "!DELETED()",
         "UPPER( cliente )", "!DELETED()", 'C', 35},
        {"PONY", "PONY", "PONY.NTX", "UPPER( FIELD -> nominativo )", "!DELETED()",
         "UPPER( nominativo )", "!DELETED()", 'C', 35},
        {"SIGLE", "PONY", "SIGLE.NTX", "FIELD -> sigla", "!DELETED()", "sigla", "!DELETED()", 'C',
         4},
        {"ACCONTI", "ACCONTI", "ACCONTI.NTX", "FIELD -> pony + DTOS( FIELD -> data )", "!DELETED()",
         "pony + DTOS( data )", "!DELETED()", 'C', 12},
        {"CORSE", "CORSE", "CORSE.NTX", "DTOS( FIELD -> data ) + STR( FIELD -> numero, 3 )",
         "!EMPTY( FIELD -> numero )", "DTOS( data ) + STR( numero, 3 )",
         "!EMPTY( numero ) .AND. !DELETED()", 'C', 11},
        {"FUTURE", "CORSE", "FUTURE.NTX", "DTOS( FIELD -> data ) + FIELD -> ora",
         "EMPTY( FIELD -> numero )", "DTOS( data ) + ora", "EMPTY( numero ) .AND. !DELETED()", 'C',
         13},
        {"SOSPESI", "CORSE", "SOSPESI.NTX",
         "IF( FIELD -> sospeso, \"S\", \" \" ) + DTOS( FIELD -> data ) + STR( FIELD -> numero, 3 )",
         "!DELETED()", "IF( sospeso, \"S\", \" \" ) + DTOS( data ) + STR( numero, 3 )",
         "!DELETED()", 'C', 12},
        {"FATTURE", "FATTURE", "FATTURE.NTX", ".T.", "!DELETED()", ".T.", "!DELETED()", 'L', 1},
        {"ATTIVITA", "ATTIVITA", "ATTIVITA.NTX", "UPPER( FIELD -> attivita )", "!DELETED()",
         "UPPER( attivita )", "!DELETED()", 'C', 20},
    };
    const auto& tags = schemaTags();
    ASSERT_EQ(tags.size(), std::size(rows));
    for (size_t i = 0; i < tags.size(); ++i) {
        const Row& r = rows[i];
        const TagDef& g = tags[i];
        SCOPED_TRACE(r.name);
        EXPECT_EQ(g.name, r.name);
        EXPECT_EQ(g.table, r.table);
        EXPECT_EQ(g.fileName(), r.file);
        EXPECT_EQ(g.keyExpression, r.key);
        EXPECT_EQ(g.condition, r.condition);
        EXPECT_EQ(g.keyText, r.keyText);
        EXPECT_EQ(g.conditionText, r.conditionText);
        EXPECT_EQ(g.keyType, r.keyType);
        EXPECT_EQ(g.keyLength, r.keyLength);
    }
}

}  // namespace
}  // namespace drav::data
