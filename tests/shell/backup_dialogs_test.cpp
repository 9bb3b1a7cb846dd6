// "Salvataggio dati..." and "Ripristino dati..." on the program itself: the
// file dialogs with their titles and proposed name, a backup restored into
// another data folder, and the dialogs cancelled.
#include "data/backup/Backup.h"
#include "tests/shell/DravRun.h"
#include "tests/shell/ShellTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace drav::test {
namespace {

// A data folder of the program's own tables holding one client.
void makeDataFolder(const TempDir& dir, const std::string& client) {
    const std::string admin = DRAV_ADMIN;
    writeFile(dir.file("clienti.csv"), "CODICE,CLIENTE,RAGSOC1,NOTE\n1," + client + "," + client +
                                           ",nota di " + client + "\n");
    ASSERT_EQ(std::system((admin + " init " + dir.path() + " >/dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(std::system((admin + " load " + dir.path() + " CLIENTI " + dir.file("clienti.csv") +
                           " >/dev/null 2>&1")
                              .c_str()),
              0);
    ::unlink(dir.file("clienti.csv").c_str());
}

class BackupDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        makeDataFolder(m_data, "Rossi");
        makeDataFolder(m_other, "Bianchi");
    }
    TempDir m_data;
    TempDir m_other;
};

// The archive proposed in the data folder is named after today; the one
// chosen brings the tables and memos, not the indexes, into another folder,
// replacing what is there, and the indexes are rebuilt for them.
TEST_F(BackupDialogs, ABackupRestoredIntoAnotherFolder) {
    const std::string archive = m_other.file("copia");  // ".zip" is added
    DravRun save =
        runDrav(m_data.path(), QString::fromStdString(R"(menu Servizio/Salvataggio dati...
expect-title Salvataggio dati
expect-text fileNameEdit )" + data::defaultArchiveName() +
                                                      R"(
set fileNameEdit )" + archive + R"(
answer OK
key Enter
expect-message Salvataggio completato.
)"));
    EXPECT_EQ(save.exitCode, 0) << save.err.toStdString();
    EXPECT_EQ(save.out, QStringList({"Compressione in corso...", "Salvataggio completato."}));

    const std::string table = readFile(m_data.file("CLIENTI.DBF"));
    const std::string memo = readFile(m_data.file("CLIENTI.DBT"));
    DravRun restore =
        runDrav(m_other.path(), QString::fromStdString(R"(menu Servizio/Ripristino dati...
answer OK
expect-title Ripristina dati da
set fileNameEdit )" + archive + R"(.zip
answer OK
key Enter
expect-message Ripristino completato.
)"));
    EXPECT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_EQ(restore.out, QStringList({"Spegnere tutti i terminali.;;Continuo l'operazione?",
                                        "Decompressione in corso...",
                                        "Ricostruzione degli indici in corso.",
                                        "Ripristino completato."}));
    EXPECT_EQ(readFile(m_other.file("CLIENTI.DBF")), table);
    EXPECT_EQ(readFile(m_other.file("CLIENTI.DBT")), memo);
    // The tag files were rebuilt for the restored tables: the folder checks clean.
    const std::string check = std::string(DRAV_ADMIN) + " check " + m_other.path() + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0);
}

// Cancelling a file dialog does nothing and shows nothing more.
TEST_F(BackupDialogs, CancelledDialogsDoNothing) {
    const std::string before = readFile(m_data.file("CLIENTI.DBF"));
    DravRun run = runDrav(m_data.path(), R"(menu Servizio/Salvataggio dati...
expect-title Salvataggio dati
key Escape
expect-title DRAV - Marvesto
menu Servizio/Ripristino dati...
answer OK
expect-title Ripristina dati da
key Escape
expect-title DRAV - Marvesto
)");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringList({"Spegnere tutti i terminali.;;Continuo l'operazione?"}));
    EXPECT_EQ(readFile(m_data.file("CLIENTI.DBF")), before);
}

}  // namespace
}  // namespace drav::test
