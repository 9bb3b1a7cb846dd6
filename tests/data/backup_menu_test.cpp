// The backup and restore behind the menu items: the dialogs' names taken as
// chosen, cancelling, the question, the wait messages, the maintenance after
// a restore and the completion messages.
#include "data/backup/Backup.h"
#include "tests/data/backup_fixture.h"
#include "tests/support/ScriptedPort.h"
#include "util/Messages.h"

namespace drav::data {
namespace {

using test::TempDir;
using test::writeFile;

const QString kQuestion =
    messageText(QStringLiteral("Spegnere tutti i terminali.;;Continuo l'operazione?"));

TEST(BackupMenu, SalvaWritesTheChosenArchive) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    writeFile("CLIENTI.DBF", "clienti");
    writeFile("CLIENTI.NTX", "index");
    test::ScopedScriptedPort port;

    EXPECT_FALSE(salva({}, ""));  // the dialog was cancelled
    EXPECT_TRUE(port.log().messages.empty());
    EXPECT_EQ(port.log().waitOpens, 0);

    ASSERT_TRUE(salva({}, "copia"));  // no extension: ".zip" is added
    EXPECT_EQ(test::entryNames("copia.zip"), std::vector<std::string>{"CLIENTI.DBF"});
    EXPECT_EQ(port.log().waitTexts,
              std::vector<QString>{QStringLiteral("Compressione in corso...")});
    EXPECT_FALSE(port.log().waitOpen);
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text, QStringLiteral("Salvataggio completato."));
    EXPECT_EQ(port.log().messages[0].mode, 1);
}

TEST(BackupMenu, SalvaThatFailsShowsNoCompletion) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    writeFile("CLIENTI.DBF", "clienti");
    test::ScopedScriptedPort port;
    EXPECT_FALSE(salva({"MANCA.BMP"}, "copia.zip"));
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text,
              messageText(QStringLiteral("Impossibile trovare il file;;MANCA.BMP")));
    EXPECT_FALSE(port.log().waitOpen);
}

struct RestoreRun {
    int choices = 0;       // times the archive was asked for
    int maintenances = 0;  // times the maintenance ran
    bool waitOpenDuringMaintenance = false;
};

TEST(BackupMenu, RicaricaAsksFirstAndCancelsQuietly) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    writeFile("CLIENTI.DBF", "attuale");
    test::ZipBuilder(dir.file("copia.zip")).add("CLIENTI.DBF", "salvato").close();

    for (bool cancelQuestion : {true, false}) {
        test::ScopedScriptedPort port;
        if (cancelQuestion) port.answer(2);
        RestoreRun run;
        EXPECT_FALSE(ricarica(
            [&] {
                ++run.choices;
                return std::string();
            },
            [&] { ++run.maintenances; }));
        EXPECT_EQ(run.choices, cancelQuestion ? 0 : 1);
        EXPECT_EQ(run.maintenances, 0);
        ASSERT_EQ(port.log().messages.size(), 1u);
        EXPECT_EQ(port.log().messages[0].text, kQuestion);
        EXPECT_EQ(port.log().messages[0].mode, 2);
        EXPECT_EQ(test::readFile("CLIENTI.DBF"), "attuale");
    }
}

TEST(BackupMenu, RicaricaUnpacksThenRunsTheMaintenance) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    writeFile("CLIENTI.DBF", "attuale");
    test::ZipBuilder(dir.file("copia.zip")).add("CLIENTI.DBF", "salvato").close();
    test::ScopedScriptedPort port;
    RestoreRun run;
    ASSERT_TRUE(ricarica("copia", [&] {
        ++run.maintenances;
        run.waitOpenDuringMaintenance = port.log().waitOpen;
        EXPECT_EQ(test::readFile("CLIENTI.DBF"), "salvato");  // the tables are back first
    }));
    EXPECT_EQ(run.maintenances, 1);
    EXPECT_FALSE(run.waitOpenDuringMaintenance);
    EXPECT_EQ(port.log().waitTexts,
              std::vector<QString>{QStringLiteral("Decompressione in corso...")});
    ASSERT_EQ(port.log().messages.size(), 2u);
    EXPECT_EQ(port.log().messages[0].text, kQuestion);
    EXPECT_EQ(port.log().messages[1].text, QStringLiteral("Ripristino completato."));
}

TEST(BackupMenu, RicaricaThatFailsRunsNoMaintenance) {
    TempDir dir;
    test::ScopedChdir in(dir.path());
    test::ScopedScriptedPort port;
    RestoreRun run;
    EXPECT_FALSE(ricarica("manca", [&] { ++run.maintenances; }));
    EXPECT_EQ(run.maintenances, 0);
    ASSERT_EQ(port.log().messages.size(), 2u);
    EXPECT_EQ(port.log().messages[1].text,
              messageText(QStringLiteral("Impossibile trovare il file;;manca.zip")));
    EXPECT_FALSE(port.log().waitOpen);
}

}  // namespace
}  // namespace drav::data
