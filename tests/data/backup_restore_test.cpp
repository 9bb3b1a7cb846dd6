// Restoring archives: what lands in the data folder and under which names,
// how entry names are judged, the all-or-nothing move into place, and the
// clean-up of restores that died.
#include "data/backup/EntryName.h"
#include "data/backup/StagingFolder.h"
#include "data/backup/Unzip.h"
#include "tests/data/backup_fixture.h"
#include "tests/support/ScriptedPort.h"
#include "util/Messages.h"

namespace drav::data {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(BackupRestore, ArchiveFromAnotherFolderLandsHereInCapitals) {
    TempDir dir;
    writeFile(dir.file("CLIENTI.DBF"), "clienti attuale");
    ::chmod(dir.file("CLIENTI.DBF").c_str(), 0660);  // shared with the office's group
    writeFile(dir.file("CLIENTI.NTX"), "indice attuale");
    writeFile(dir.file("PONY.DBF"), "non nell'archivio");
    test::ZipBuilder(dir.file("copia.zip"))
        .add("DATI/", "")  // the folder entry of a folder archiver
        .add("clienti.dbf", "clienti salvato")
        .add("Clienti.Dbt", "memo salvato")
        .add("CLIENTI.NTX", "indice salvato")
        .add("LEGGIMI.TXT", "leggimi")
        .add("VUOTO.DBF", "")
        .close();
    test::ScopedChdir in(dir.path());
    test::ScopedScriptedPort port;
    ASSERT_TRUE(unzip("copia.zip"));
    EXPECT_TRUE(port.log().messages.empty());

    auto after = test::snapshot(dir.path());
    after.erase("copia.zip");
    const std::map<std::string, std::string> expected = {
        {"CLIENTI.DBF", "clienti salvato"}, {"CLIENTI.DBT", "memo salvato"},
        {"CLIENTI.NTX", "indice attuale"},  // index files are rebuilt, never restored
        {"PONY.DBF", "non nell'archivio"},  {"VUOTO.DBF", ""},
    };
    EXPECT_EQ(after, expected);  // and no staging folder left behind
    struct stat st;
    ASSERT_EQ(::stat(dir.file("CLIENTI.DBF").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);  // a replaced table keeps its permissions
}

TEST(BackupRestore, EntryNames) {
    const EntryVerdict R = EntryVerdict::Restore, S = EntryVerdict::Skip, X = EntryVerdict::Refuse;
    const struct {
        std::string raw;
        EntryVerdict verdict;
        const char* name;
    } cases[] = {
        {"CLIENTI.DBF", R, "CLIENTI.DBF"},
        {"clienti.dbt", R, "CLIENTI.DBT"},
        {"TEMPDBF_.DBF", R, "TEMPDBF_.DBF"},
        {"CORSE 2.DBF", R, "CORSE 2.DBF"},
        {"CLIENTI.NTX", S, ""},
        {"DRAV.CFG", S, ""},
        {"CLIENTI.DB", S, ""},
        {"CLIENTI.DBFX", S, ""},
        {"CLIENTI.DB ", S, ""},
        {"CLIENT\xCC.DBF", S, ""},  // not plain ASCII: its encoding is unknown
        {"A*B.DBF", S, ""},
        {"DATI/", S, ""},
        {"DATI\\", S, ""},
        {"", X, ""},
        {"../CLIENTI.DBF", X, ""},
        {"..", X, ""},
        {"DATI/../../CLIENTI.DBF", X, ""},
        {"..\\CLIENTI.DBF", X, ""},
        {"/etc/CLIENTI.DBF", X, ""},
        {"\\CLIENTI.DBF", X, ""},
        {"C:CLIENTI.DBF", X, ""},
        {"c:\\DATI\\CLIENTI.DBF", X, ""},
        {"DATI/CLIENTI.DBF", X, ""},  // a folder's table: may not match the memo beside it
        {"DATI\\CLIENTI.DBF", X, ""},
        {"./CLIENTI.DBF", X, ""},
        {"CLIENTI.DBF\nX", X, ""},
        {std::string("CLIENTI.DBF\0.TXT", 16), X, ""},
        {"\x7F"
         "20260305.DBF",
         X, ""},  // a temporary name of the system
    };
    for (const auto& c : cases) {
        EntryJudgement j = judgeEntryName(c.raw);
        EXPECT_EQ(j.verdict, c.verdict) << c.raw;
        EXPECT_EQ(j.fileName, c.name) << c.raw;
    }
}

// A move into place that fails half-way puts back what was moved: the
// replaced table returns and a table that was not there goes again.
TEST(BackupRestore, MoveIntoPlaceIsAllOrNothing) {
    TempDir dir;
    writeFile(dir.file("CLIENTI.DBF"), "clienti attuale");
    writeFile(dir.file("CORSE.DBF"), "corse attuale");
    test::ZipBuilder(dir.file("copia.zip"))
        .add("CLIENTI.DBF", "clienti salvato")
        .add("NUOVA.DBF", "nuova")
        .add("CORSE.DBF", "corse salvato")
        .close();
    auto before = test::snapshot(dir.path());

    auto previous = StagingFolder::TEST_setRenameFault(
        [](const std::string& target) { return target.ends_with("/CORSE.DBF") ? EIO : 0; });
    test::ScopedScriptedPort port;
    EXPECT_FALSE(unzipInto(dir.file("copia.zip"), dir.path()));
    StagingFolder::TEST_setRenameFault(previous);

    EXPECT_EQ(test::snapshot(dir.path()), before);
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text,
              messageText(QStringLiteral("Si è verificato un errore durante la decompressione "
                                         "del file;;") +
                          QString::fromStdString(dir.file("copia.zip"))));
}

TEST(BackupRestore, SweepRemovesOnlyStagingOfDeadRestores) {
    TempDir dir;
    writeFile(dir.file("CLIENTI.DBF"), "clienti");
    // A restore that died: its folder and files stay until the sweep.
    {
        StagingFolder staging;
        ASSERT_TRUE(staging.open(dir.path()));
        std::filesystem::copy(staging.path(),
                              dir.file("\x7F"
                                       "MORTO"),
                              std::filesystem::copy_options::recursive);
    }
    writeFile(dir.file("\x7F"
                       "MORTO/CLIENTI.DBF"),
              "a metà");
    // A restore still running, and a folder that is none of ours.
    StagingFolder running;
    ASSERT_TRUE(running.open(dir.path()));
    writeFile(running.filePath("CLIENTI.DBF"), "in corso");
    std::filesystem::create_directory(
        dir.file("\x7F"
                 "ALTRO"));
    writeFile(dir.file("\x7F"
                       "ALTRO/USER"),
              "");
    std::filesystem::create_directory(
        dir.file("\x7F"
                 "VUOTA"));

    sweepStaleStaging(dir.path());
    EXPECT_FALSE(
        std::filesystem::exists(dir.file("\x7F"
                                         "MORTO")));
    EXPECT_FALSE(
        std::filesystem::exists(dir.file("\x7F"
                                         "VUOTA")));
    EXPECT_EQ(readFile(running.filePath("CLIENTI.DBF")), "in corso");
    EXPECT_TRUE(
        std::filesystem::exists(dir.file("\x7F"
                                         "ALTRO/USER")));
    EXPECT_EQ(readFile(dir.file("CLIENTI.DBF")), "clienti");
}

}  // namespace
}  // namespace drav::data
