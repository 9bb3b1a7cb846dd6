// The clients screen run in the program itself by the scripted driver, on
// a data folder the program prepares at start: clients added through the
// card by control ids, searched, printed to a PDF through the preview and
// deleted; the tables are read afterwards through the access layer.
#include "tests/clients/ClientsFixture.h"

#include "data/access/ScopedTable.h"
#include "tests/shell/DravRun.h"

#include <QProcess>

namespace drav::clients::test {
namespace {

TEST(DrivenRun, AddSearchPrintDelete) {
    drav::test::TempDir data;
    drav::test::DravRun run = drav::test::runDrav(data.path(), R"(menu Modifica/Clienti...
expect-title Clienti - 0 di 0
press 202
expect-title Aggiungi
set 101 Rossi
key Tab
expect-text 102 Rossi
set 107 Via Roma 1
set 108 Milano
set 109 20100
set 110 mi
set 114 rssmra80a01f205x
press 201
expect-title Clienti - 1 di 1
press 202
set 101 Bianchi
set 113 123
answer OK
press 201
expect-message Campo non valido.
set 113 
press 201
expect-title Clienti - 2 di 2
press 202
set 101 rossi
answer OK
press 201
expect-message Cliente già presente.
expect-title Aggiungi
expect-text 101 rossi
key Escape
answer Sì
expect-title Clienti - 2 di 2
press 205
expect-title Ricerca
set 105 MI
press 201
expect-title Clienti - 1 di 2
press 206
expect-pages 1
save-pdf clienti.pdf
close-preview
expect-title Clienti - 1 di 2
answer OK
press 204
expect-message Confermi la cancellazione?
expect-title Clienti - 0 di 1
press 201
quit
)");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << "\n" << run.out.join('\n').toStdString();

    QProcess p;
    p.start("pdftotext", {"-layout", QString::fromStdString(data.file("clienti.pdf")), "-"});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains("STAMPA TABULATO CLIENTI")) << text.toStdString();
    EXPECT_TRUE(text.contains("Rossi")) << text.toStdString();
    EXPECT_TRUE(text.contains("Via Roma 1")) << text.toStdString();
    EXPECT_FALSE(text.contains("Bianchi")) << "only the clients listed";

    drav::test::ScopedChdir chdir(data.path());
    drav::test::ScopedScriptedPort port;
    {
        data::ScopedTable clienti("CLIENTI");
        data::ordAdd("CLIENTI");
        clienti->goTop();
        ASSERT_FALSE(clienti->eof());
        const Client b = readClient(*clienti);
        EXPECT_EQ(trimRight(b.cliente), "Bianchi");
        EXPECT_EQ(b.codice, "         2");
        clienti->skip();
        EXPECT_TRUE(clienti->eof()) << "Rossi was deleted";
        EXPECT_EQ(clienti->totRec(), 1u);
    }
    data::closeAll();
}

}  // namespace
}  // namespace drav::clients::test
