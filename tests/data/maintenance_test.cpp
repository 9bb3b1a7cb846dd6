// The archive maintenance: tables packed and renumbered, every tag listing
// exactly the live records, the memo space of removed records given back,
// the menu's question, an error stopping at the table where it happened,
// waiting for another station, and backup and restore giving back the
// very same files.
#include "data/backup/Backup.h"
#include "data/backup/Manutenzione.h"
#include "data/dbf/MemoFile.h"
#include "data/upgrade/CreateDb.h"
#include "tests/data/backup_fixture.h"
#include "tests/data/upgrade_fixture.h"
#include "tests/support/Child.h"

namespace drav::data::testupgrade {
namespace {

using test::readFile;

using Maintenance = UpgradeTest;

OldRecord pony(const char* sigla, const char* name, bool deleted = false) {
    return {{{"SIGLA", std::string(sigla)}, {"NOMINATIVO", std::string(name)}}, deleted};
}

TEST_F(Maintenance, PackRenumbersAndEveryTagListsExactlyTheLiveRecords) {
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("PONY.DBF", findTable("PONY")->fields,
               {pony("CCCC", "Anna"), pony("BBBB", "Bruno", true), pony("AAAA", "Carla")});
    log().waitTexts.clear();

    ASSERT_TRUE(manutenzione(false));
    EXPECT_EQ(log().waitTexts, std::vector<QString>{"Ricostruzione degli indici in corso."});
    EXPECT_FALSE(log().waitOpen);
    std::vector<bool> deleted;
    std::vector<Values> records = readTable("PONY.DBF", &deleted);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(deleted, (std::vector<bool>{false, false}));
    EXPECT_EQ(records[0].at("SIGLA"), Value(std::string("CCCC")));
    EXPECT_EQ(records[1].at("SIGLA"), Value(std::string("AAAA")));
    EXPECT_EQ(tagEntries("PONY", "PONY"), (std::vector<uint32_t>{1, 2}));   // Anna, Carla
    EXPECT_EQ(tagEntries("PONY", "SIGLE"), (std::vector<uint32_t>{2, 1}));  // AAAA, CCCC
    EXPECT_TRUE(usedSlots().empty());
}

TEST_F(Maintenance, MemoSpaceOfRemovedRecordsIsGivenBack) {
    // Three clients with notes of 1, 8 and 1 blocks: 16, 17-24, 25.
    const std::string longNote(500, 'n');
    const struct {
        int removed;  // 1-based
        std::vector<MemoFile::Run> freeRuns;
        uint32_t nextFree;
    } cases[] = {
        {2, {{17, 8}}, 26},  // in the middle: listed as free
        {3, {}, 25},         // at the end: the file gets shorter
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.removed);
        ASSERT_TRUE(createDb(schemaTables()));
        ::unlink("CLIENTI.DBT");
        std::vector<std::string> notes = {"uno", longNote, "tre"};
        std::vector<OldRecord> rows;
        for (size_t i = 0; i < notes.size(); ++i)
            rows.push_back({{{"NOTE", notes[i]}}, static_cast<int>(i) + 1 == c.removed});
        writeTable("CLIENTI.DBF", findTable("CLIENTI")->fields, rows);

        ASSERT_TRUE(manutenzione(false));
        notes.erase(notes.begin() + (c.removed - 1));
        std::vector<Values> records = readTable("CLIENTI.DBF");
        ASSERT_EQ(records.size(), 2u);
        for (size_t i = 0; i < 2; ++i) EXPECT_EQ(records[i].at("NOTE"), Value(notes[i]));
        MemoFile memo;
        ASSERT_TRUE(memo.open("CLIENTI.DBT", File::Share::Shared, true));
        std::vector<MemoFile::Run> runs;
        uint32_t nextFree = 0;
        ASSERT_TRUE(memo.freeRuns(&runs, &nextFree));
        ASSERT_EQ(runs.size(), c.freeRuns.size());
        for (size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].first, c.freeRuns[i].first);
            EXPECT_EQ(runs[i].count, c.freeRuns[i].count);
        }
        EXPECT_EQ(nextFree, c.nextFree);
        EXPECT_EQ(readFile("CLIENTI.DBT").size(), uint64_t(nextFree) * kMemoBlockSize);
        memo.close();
        // A second run finds nothing more to give back and changes nothing.
        std::string before = readFile("CLIENTI.DBT");
        ASSERT_TRUE(manutenzione(false));
        EXPECT_EQ(readFile("CLIENTI.DBT"), before);
    }
}

TEST_F(Maintenance, TextsLeftByARebuildAreGivenBack) {
    // A rebuild writes every note anew after a copy of the old memo.
    ASSERT_TRUE(createDb(schemaTables()));
    ::unlink("CLIENTI.DBF");
    ::unlink("CLIENTI.DBT");
    std::vector<OldRecord> rows;
    for (int i = 0; i < 20; ++i) rows.push_back({{{"NOTE", std::string(100, char('a' + i))}}});
    writeTable("CLIENTI.DBF", schemaFieldsWith("CLIENTI", {{"FISSO", std::nullopt}}), rows);
    const size_t before = readFile("CLIENTI.DBT").size();

    ASSERT_TRUE(createDb(schemaTables()));
    std::vector<Values> records = readTable("CLIENTI.DBF");
    ASSERT_EQ(records.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(records[i].at("NOTE"), Value(std::string(100, char('a' + i))));
    MemoFile memo;
    ASSERT_TRUE(memo.open("CLIENTI.DBT", File::Share::Shared, true));
    std::vector<MemoFile::Run> runs;
    uint32_t nextFree = 0;
    ASSERT_TRUE(memo.freeRuns(&runs, &nextFree));
    // The old copies are one free stretch as long as all the old texts.
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, kMemoFirstBlock);
    EXPECT_EQ(uint64_t(runs[0].count) * kMemoBlockSize, before - kMemoFirstBlock * kMemoBlockSize);
}

TEST_F(Maintenance, TheMenuAsksFirstAndCancelDoesNothing) {
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("PONY.DBF", findTable("PONY")->fields, {pony("AAAA", "A", true)});
    const std::string table = readFile("PONY.DBF");
    log().waitTexts.clear();

    port.answer(2);  // Annulla
    EXPECT_FALSE(manutenzione(true));
    ASSERT_EQ(log().messages.size(), 1u);
    EXPECT_EQ(log().messages[0].text,
              "La manutenzione potrebbe\r\nrichiedere del tempo.\r\nConfermi l'operazione?");
    EXPECT_EQ(readFile("PONY.DBF"), table);
    EXPECT_TRUE(log().waitTexts.empty());

    port.answer(1);  // OK
    EXPECT_TRUE(manutenzione(true));
    EXPECT_EQ(log().waitTexts, std::vector<QString>{"Manutenzione degli archivi in corso."});
    EXPECT_TRUE(readTable("PONY.DBF").empty());
}

TEST_F(Maintenance, AnErrorStopsAtItsTableAndLeavesTheRestAsTheyAre) {
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("CLIENTI.DBF", findTable("CLIENTI")->fields, {{{}, true}});
    writeTable("PONY.DBF", findTable("PONY")->fields, {pony("AAAA", "A", true)});
    ASSERT_EQ(::unlink("DESTINAT.DBF"), 0);  // third in order

    EXPECT_FALSE(manutenzione(false));
    ASSERT_FALSE(errorLog.errors.empty());
    EXPECT_EQ(errorLog.errors.back().genCode, gen::Open);
    EXPECT_TRUE(readTable("CLIENTI.DBF").empty());  // done before
    EXPECT_EQ(readTable("PONY.DBF").size(), 1u);    // left as it was
    EXPECT_TRUE(usedSlots().empty());
    EXPECT_FALSE(log().waitOpen);

    // At start the failure ends the program rather than leave tags missing.
    ASSERT_EQ(::unlink("SIGLE.NTX"), 0);
    ASSERT_EQ(::mkdir("DESTINAT.DBF", 0755), 0);  // there, but no table
    EXPECT_FALSE(createDb(schemaTables()));
}

// A station holding PONY open until told to close it.
DRAV_TEST_CHILD(holdPony, args) {
    TableFile t;
    if (!t.open(args[0] + "/PONY.DBF", File::Share::Shared, false)) return 2;
    test::childWriteLine("ready");
    test::childReadLine();
    if (!t.close()) return 3;
    return 0;
}

TEST_F(Maintenance, WaitsBehindItsMessageWhileAnotherStationHasATableOpen) {
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("PONY.DBF", findTable("PONY")->fields, {pony("AAAA", "A", true), pony("BBBB", "B")});
    test::ChildProcess other = test::startChild("holdPony", {dir.path()});
    ASSERT_EQ(other.readLine(), "ready");
    bool told = false;
    log().onWaitOpen = [&](const QString& text) {
        if (text == "Spegnere tutti i terminali..." && !told) {
            told = true;
            other.writeLine("chiudi");
        }
    };
    log().waitTexts.clear();

    ASSERT_TRUE(manutenzione(false));
    log().onWaitOpen = nullptr;
    EXPECT_TRUE(told);
    EXPECT_EQ(other.wait(), 0);
    EXPECT_EQ(log().waitTexts, (std::vector<QString>{"Ricostruzione degli indici in corso.",
                                                     "Spegnere tutti i terminali...",
                                                     "Ricostruzione degli indici in corso."}));
    EXPECT_EQ(readTable("PONY.DBF").size(), 1u);
    EXPECT_EQ(tagEntries("PONY", "SIGLE"), std::vector<uint32_t>{1});
}

TEST_F(Maintenance, BackupAndRestoreGiveBackTheSameFiles) {
    ASSERT_TRUE(createDb(schemaTables()));
    writeTable("CLIENTI.DBF", findTable("CLIENTI")->fields,
               {{{{"CLIENTE", std::string("Rossi")}, {"NOTE", std::string("nota")}}},
                {{{"CLIENTE", std::string("Via")}, {"NOTE", std::string(200, 'v')}}, true},
                {{{"CLIENTE", std::string("Bianchi")}, {"FATTURAZ", std::string("mensile")}}}});
    writeTable("CORSE.DBF", findTable("CORSE")->fields,
               {{{{"NUMERO", 1.0}, {"DATA", Date::fromYmd(2026, 3, 5)}}},
                {{{"NUMERO", 0.0}, {"DATA", Date::fromYmd(2026, 3, 6)}, {"SOSPESO", true}}}});
    ASSERT_TRUE(manutenzione(false));
    const auto original = test::dataFiles(dir.path());
    ASSERT_EQ(original.size(), 8u + 3u + 11u);

    test::TempDir other;
    const std::string archive = other.file("copia.zip");
    ASSERT_TRUE(backupFolder(".", archive));
    test::TempDir restored;
    bool maintained = false;
    ASSERT_TRUE(restoreFolder(archive, restored.path(), [&] {
        test::ScopedChdir in(restored.path());
        maintained = manutenzione(false);
    }));
    EXPECT_TRUE(maintained);
    EXPECT_EQ(test::dataFiles(restored.path()), original);
}

}  // namespace
}  // namespace drav::data::testupgrade
