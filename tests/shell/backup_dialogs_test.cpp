// "Salvataggio dati..." and "Ripristino dati..." on the program itself: the
// file dialogs with their titles and proposed name, a backup restored into
// another data folder, and the dialogs cancelled.
#include "data/backup/Backup.h"
#include "tests/shell/DravRun.h"
#include "tests/shell/ShellTestSupport.h"

#include <gtest/gtest.h>

namespace drav::test {
namespace {

class BackupDialogs : public ::testing::Test {
protected:
    BackupDialogs() {
        writeFile(m_data.file("CLIENTI.DBF"), "tabella clienti");
        writeFile(m_data.file("CLIENTI.DBT"), "memo clienti");
        writeFile(m_data.file("CLIENTI.NTX"), "indice");
    }
    TempDir m_data;
    TempDir m_other;
};

// The archive proposed in the data folder is named after today; the one
// chosen brings the tables and memos, not the indexes, into another folder,
// replacing what is there.
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

    writeFile(m_other.file("CLIENTI.DBF"), "vecchia tabella");
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
                                        "Decompressione in corso...", "Ripristino completato."}));
    EXPECT_EQ(readFile(m_other.file("CLIENTI.DBF")), "tabella clienti");
    EXPECT_EQ(readFile(m_other.file("CLIENTI.DBT")), "memo clienti");
    EXPECT_NE(::access(m_other.file("CLIENTI.NTX").c_str(), F_OK), 0);
}

// Cancelling a file dialog does nothing and shows nothing more.
TEST_F(BackupDialogs, CancelledDialogsDoNothing) {
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
    EXPECT_EQ(readFile(m_data.file("CLIENTI.DBF")), "tabella clienti");
}

}  // namespace
}  // namespace drav::test
