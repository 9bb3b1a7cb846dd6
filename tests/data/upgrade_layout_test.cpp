// The start-up check bringing tables of older layouts to the current one:
// every table rebuilt with its live records and values carried over, the
// layout comparison, and a folder that needs nothing.
#include "data/upgrade/CreateDb.h"
#include "tests/data/upgrade_fixture.h"

namespace drav::data::testupgrade {
namespace {

std::string padded(std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
}

struct LayoutCase {
    const char* table;
    // The older layout, as changes to the current one.
    std::map<std::string, std::optional<FieldDef>> older;
    Values written;   // in the older layout
    Values expected;  // read back from the rebuilt table
};

const std::vector<LayoutCase>& layoutCases() {
    static const std::vector<LayoutCase> cases = {
        // A field missing: every client keeps the rest, memos included.
        {"CLIENTI",
         {{"FISSO", std::nullopt}},
         {{"CODICE", std::string("         7")},
          {"CLIENTE", std::string("Rossi Spa")},
          {"NOTE", std::string("prima riga\r\nseconda riga")},
          {"COSTOCLIE", 12.5},
          {"FATTURA", true}},
         {{"CODICE", std::string("         7")},
          {"CLIENTE", padded("Rossi Spa", 35)},
          {"NOTE", std::string("prima riga\r\nseconda riga")},
          {"COSTOCLIE", 12.5},
          {"FATTURA", true},
          {"FISSO", false}}},
        // A field of another type: text to number.
        {"ABBONAM",
         {{"TAGLIANDI", FieldDef{"TAGLIANDI", 'C', 5, 0}}},
         {{"CLIENTE", std::string("         7")}, {"TAGLIANDI", std::string("  12")}},
         {{"CLIENTE", std::string("         7")}, {"TAGLIANDI", 12.0}}},
        // A field narrower than now, and one wider (cut to the new length).
        {"DESTINAT",
         {{"CLIENTE", FieldDef{"CLIENTE", 'C', 20, 0}},
          {"TELEFONO", FieldDef{"TELEFONO", 'C', 20, 0}}},
         {{"CLIENTE", std::string("Bianchi Mario")},
          {"TELEFONO", std::string("02 1234 5678 interno")}},
         {{"CLIENTE", padded("Bianchi Mario", 35)}, {"TELEFONO", std::string("02 1234 5678 ")}}},
        // An old field the layout no longer has goes with the rebuild (alone
        // it would not make one).
        {"PONY",
         {{"VECCHIO", FieldDef{"VECCHIO", 'C', 10, 0}},
          {"DOCUMENTO", FieldDef{"DOCUMENTO", 'C', 20, 0}}},
         {{"NOMINATIVO", std::string("Verdi")},
          {"SIGLA", std::string("VRD1")},
          {"VECCHIO", std::string("via")}},
         {{"NOMINATIVO", padded("Verdi", 35)}, {"SIGLA", std::string("VRD1")}}},
        // Italian amounts in text, and a field found by the beginning of
        // an old field's name.
        {"ACCONTI",
         {{"IMPORTO", FieldDef{"IMPORTO", 'C', 10, 0}},
          {"NOTE", std::nullopt},
          {"NOTEVECCHI", FieldDef{"NOTEVECCHI", 'C', 30, 0}}},
         {{"PONY", std::string("VRD1")},
          {"IMPORTO", std::string("1.234,50")},
          {"NOTEVECCHI", std::string("acconto di marzo")}},
         {{"PONY", std::string("VRD1")},
          {"IMPORTO", 1234.5},
          {"NOTE", padded("acconto di marzo", 30)}}},
        // NUMERO widened from N 2, and a note that becomes a memo.
        {"CORSE",
         {{"NUMERO", FieldDef{"NUMERO", 'N', 2, 0}}, {"NOTMITT", FieldDef{"NOTMITT", 'C', 30, 0}}},
         {{"NUMERO", 12.0},
          {"DATA", Date::fromYmd(2026, 3, 5)},
          {"NOTMITT", std::string("citofonare")},
          {"NOTDEST", std::string("secondo piano")}},
         {{"NUMERO", 12.0},
          {"DATA", Date::fromYmd(2026, 3, 5)},
          {"NOTMITT", std::string("citofonare")},
          {"NOTDEST", std::string("secondo piano")}}},
        // A date kept as text, and a logical missing.
        {"FATTURE",
         {{"DATA", FieldDef{"DATA", 'C', 8, 0}}, {"SALDATA", std::nullopt}},
         {{"NUMERO", 41.0},
          {"DATA", std::string("05/03/26")},
          {"FATTURAZ", std::string("bonifico")}},
         {{"NUMERO", 41.0},
          {"DATA", Date::fromYmd(2026, 3, 5)},
          {"FATTURAZ", std::string("bonifico")},
          {"SALDATA", false}}},
        {"ATTIVITA",
         {{"ATTIVITA", FieldDef{"ATTIVITA", 'C', 10, 0}}},
         {{"ATTIVITA", std::string("Edilizia")}},
         {{"ATTIVITA", padded("Edilizia", 20)}}},
    };
    return cases;
}

using Upgrade = UpgradeTest;

TEST_F(Upgrade, EveryTableOfAnOlderLayoutIsRebuiltWithItsLiveRecords) {
    for (const LayoutCase& c : layoutCases()) {
        // Two live records around a deleted one.
        writeTable(tableFileName(c.table), schemaFieldsWith(c.table, c.older),
                   {{c.written}, {c.written, true}, {c.written}});
    }
    ASSERT_TRUE(createDb(schemaTables()));

    EXPECT_TRUE(messageTexts().empty());
    const std::vector<QString> waits = log().waitTexts;
    ASSERT_GE(waits.size(), 3u);
    EXPECT_EQ(waits[0], "Verifica archivi in corso...");
    EXPECT_EQ(waits[1], "Aggiornamento archivi in corso...");
    EXPECT_EQ(waits.back(), "Ricostruzione degli indici in corso.");
    EXPECT_FALSE(log().waitOpen);

    for (const LayoutCase& c : layoutCases()) {
        SCOPED_TRACE(c.table);
        const std::string path = tableFileName(c.table);
        EXPECT_EQ(fieldsOf(path), findTable(c.table)->fields);
        std::vector<bool> deleted;
        std::vector<Values> records = readTable(path, &deleted);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(deleted, (std::vector<bool>{false, false}));
        for (const Values& r : records)
            for (const auto& [name, value] : c.expected) EXPECT_EQ(r.at(name), value) << name;
        for (const std::string& tag : findTable(c.table)->tags) {
            if (tag == "CORSE" || tag == "FUTURE") continue;  // by NUMERO: one of the two
            EXPECT_EQ(tagEntries(c.table, tag), (std::vector<uint32_t>{1, 2})) << tag;
        }
    }
    EXPECT_FALSE(exists("TEMPDBF_.DBF"));
    EXPECT_FALSE(exists("TEMPDBF_.DBT"));
    EXPECT_FALSE(exists("ACCONTI.DBT"));  // a table without memo fields has no memo file
}

TEST_F(Upgrade, OldMemoFileGoesWithTheLastMemoField) {
    // An older ATTIVITA with a memo of its own.
    writeTable("ATTIVITA.DBF",
               schemaFieldsWith("ATTIVITA", {{"ATTIVITA", FieldDef{"ATTIVITA", 'C', 10, 0}},
                                             {"NOTE", FieldDef{"NOTE", 'M', 10, 0}}}),
               {{{{"ATTIVITA", std::string("Trasporti")}, {"NOTE", std::string("nota")}}}});
    ASSERT_TRUE(exists("ATTIVITA.DBT"));
    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_FALSE(exists("ATTIVITA.DBT"));
    std::vector<Values> records = readTable("ATTIVITA.DBF");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at("ATTIVITA"), Value(padded("Trasporti", 20)));
}

TEST_F(Upgrade, LayoutComparisonIgnoresOrderAndExtraFields) {
    const Fields wanted = {{"NOME", 'C', 20, 0}, {"IMPORTO", 'N', 7, 2}, {"DATA", 'D', 8, 0}};
    const struct {
        const char* what;
        Fields file;
        bool differs;
    } cases[] = {
        {"same", wanted, false},
        {"other order, one more field",
         {{"DATA", 'D', 8, 0}, {"ALTRO", 'L', 1, 0}, {"IMPORTO", 'N', 7, 2}, {"NOME", 'C', 20, 0}},
         false},
        {"a field missing", {{"NOME", 'C', 20, 0}, {"IMPORTO", 'N', 7, 2}}, true},
        {"other length", {{"NOME", 'C', 21, 0}, {"IMPORTO", 'N', 7, 2}, {"DATA", 'D', 8, 0}}, true},
        {"other decimals",
         {{"NOME", 'C', 20, 0}, {"IMPORTO", 'N', 7, 1}, {"DATA", 'D', 8, 0}},
         true},
        {"other type", {{"NOME", 'M', 10, 0}, {"IMPORTO", 'N', 7, 2}, {"DATA", 'D', 8, 0}}, true},
        {"a longer name only",
         {{"NOMEX", 'C', 20, 0}, {"IMPORTO", 'N', 7, 2}, {"DATA", 'D', 8, 0}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::unlink("PROVA.DBF");
        ::unlink("PROVA.DBT");
        writeTable("PROVA.DBF", c.file, {});
        EXPECT_EQ(needUpd("PROVA", wanted), c.differs);
        EXPECT_EQ(tableIn(currentSlot()), nullptr);  // closed again
    }
}

TEST_F(Upgrade, CleanStartTouchesNothing) {
    ASSERT_TRUE(createDb(schemaTables()));
    // A record added without its tags: only a rebuild would list it.
    writeTable("ATTIVITA.DBF", findTable("ATTIVITA")->fields,
               {{{{"ATTIVITA", std::string("Uno")}}}, {{{"ATTIVITA", std::string("Due")}}}});
    std::map<std::string, ino_t> before;
    for (const std::string& f : wildExp({"*.*"})) before[f] = inodeOf(f);
    log().waitTexts.clear();

    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_EQ(log().waitTexts, std::vector<QString>{"Verifica archivi in corso..."});
    EXPECT_TRUE(tagEntries("ATTIVITA", "ATTIVITA").empty());
    for (const auto& [f, inode] : before) EXPECT_EQ(inodeOf(f), inode) << f;
}

TEST_F(Upgrade, OnlyAMissingTagFileRebuildsEveryTagButNoTable) {
    ASSERT_TRUE(createDb(schemaTables()));
    // Records the tags do not know, one of them deleted.
    writeTable("ATTIVITA.DBF", findTable("ATTIVITA")->fields,
               {{{{"ATTIVITA", std::string("Uno")}}},
                {{{"ATTIVITA", std::string("Via")}}, true},
                {{{"ATTIVITA", std::string("Due")}}}});
    writeTable("PONY.DBF", findTable("PONY")->fields, {{{{"SIGLA", std::string("ABCD")}}}});
    std::map<std::string, ino_t> tables;
    for (const TableDef& t : schemaTables()) tables[t.name] = inodeOf(tableFileName(t.name));
    ASSERT_EQ(::unlink("SIGLE.NTX"), 0);
    log().waitTexts.clear();

    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_EQ(log().waitTexts, (std::vector<QString>{"Verifica archivi in corso...",
                                                     "Ricostruzione degli indici in corso."}));
    for (const TableDef& t : schemaTables())
        EXPECT_EQ(inodeOf(tableFileName(t.name)), tables[t.name]) << t.name;
    EXPECT_EQ(readTable("ATTIVITA.DBF").size(), 2u);                               // packed
    EXPECT_EQ(tagEntries("ATTIVITA", "ATTIVITA"), (std::vector<uint32_t>{2, 1}));  // DUE, UNO
    EXPECT_EQ(tagEntries("PONY", "SIGLE"), std::vector<uint32_t>{1});
    EXPECT_EQ(tagEntries("PONY", "PONY"), std::vector<uint32_t>{1});
}

TEST_F(Upgrade, ATableAnotherStationHoldsIsLeftAsItIs) {
    ASSERT_TRUE(createDb(schemaTables()));
    const Fields older =
        schemaFieldsWith("ATTIVITA", {{"ATTIVITA", FieldDef{"ATTIVITA", 'C', 10, 0}}});
    ::unlink("ATTIVITA.DBF");
    writeTable("ATTIVITA.DBF", older, {});
    {
        TableFile other;  // another station's shared open
        ASSERT_TRUE(other.open("ATTIVITA.DBF", File::Share::Shared, false));
        ASSERT_TRUE(createDb(schemaTables()));
        EXPECT_EQ(fieldsOf("ATTIVITA.DBF"), older);
        (void)other.close();
    }
    ASSERT_TRUE(createDb(schemaTables()));
    EXPECT_EQ(fieldsOf("ATTIVITA.DBF"), findTable("ATTIVITA")->fields);
}

}  // namespace
}  // namespace drav::data::testupgrade
