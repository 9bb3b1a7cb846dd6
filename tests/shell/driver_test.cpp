// The scripted driver on the program itself: a script run on a data folder,
// its exit code, what it wrote, and what it left behind.
#include "tests/shell/DravRun.h"
#include "tests/shell/ShellTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QRegularExpression>

namespace drav::test {
namespace {

// The standard output of a tool.
QString output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class Driver : public ::testing::Test {
protected:
    TempDir m_data;
};

TEST_F(Driver, TheAboutBoxShowsTitleVersionAndYear) {
    DravRun run = runDrav(m_data.path(), R"(menu ?/Informazioni
expect-text 102 DRAV - Marvesto
expect-text 103 Versione: 1.14
expect-text 104 2026
press 201
expect-title DRAV - Marvesto
quit
)");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

// The first step that does not hold ends the run with 1, named with its
// line; the steps after it never run.
TEST_F(Driver, AFailingStepIsNamedAndEndsTheRun) {
    struct Case {
        const char* script;
        int exitCode;
        const char* error;
    };
    const Case cases[] = {
        {"menu ?/Informazioni\npress 102\nmenu Modifica/Parametri...", 1,
         "drav: script line 2: press 102: control 102 (QLabel) is not a button"},
        {"# una riga di commento\nmenu Modifica/Archivi...\nmenu Modifica/Parametri...", 1,
         "drav: script line 2: menu Modifica/Archivi...: there is no menu item"},
        {"menu ?/Informazioni\nsaluta", 1, "drav: script line 2: saluta: there is no step"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        DravRun run = runDrav(m_data.path(), QString::fromUtf8(c.script));
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.startsWith(QString::fromUtf8(c.error))) << run.err.toStdString();
        EXPECT_EQ(run.err.count("drav: script line"), 1) << run.err.toStdString();
    }
}

// A step that keeps waiting fails after 30 seconds, saying what it waited
// for: here the rows of a browse list on a window that has none.
TEST_F(Driver, AStepThatWaitsTooLongFails) {
    DravRun run = runDrav(m_data.path(), "expect-rows 3\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "drav: script line 1: expect-rows 3: still waiting after 30 seconds: the window "
              "\"DRAV - Marvesto\" (DRAV) has no browse list")
        << run.err.toStdString();
}

// A print's preview: its pages counted, saved as a PDF without the file
// dialog, closed; the PDF holds both pages.
TEST_F(Driver, APreviewIsSavedAsPdfAndClosed) {
    const std::string pdf = m_data.file("prova.pdf");
    DravRun run = runDrav(m_data.path(), QString::fromStdString(R"(menu TEST/Stampa di prova
expect-title DRAV - Marvesto - Stampa di prova
expect-pages 2
save-pdf )" + pdf + R"(
close-preview
expect-title DRAV - Marvesto
)"),
                          {.extra = {"--test-commands"}});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringList({"Generazione PDF in corso..."}));
    EXPECT_TRUE(output("pdfinfo", {QString::fromStdString(pdf)})
                    .contains(QRegularExpression("Pages:\\s+2\\b")));
    const QString text = output("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    EXPECT_TRUE(text.contains("Pagina di prova 1 di 2")) << text.toStdString();
    EXPECT_TRUE(text.contains("Pagina di prova 2 di 2")) << text.toStdString();
}

// An unexpected error shows its report and the question; after "Annulla"
// the program ends with 1 and its end-of-program steps run: the instance
// folder it showed is gone. Raised by a command and by a window event
// outside any command alike.
TEST_F(Driver, AnErrorThatEndsTheProgramRunsTheEndOfProgram) {
    for (const char* item : {"Errore imprevisto", "Errore da un evento"}) {
        SCOPED_TRACE(item);
        TempDir temp;
        DravRun run = runDrav(m_data.path(),
                              QStringLiteral("answer OK\nanswer Annulla\nmenu TEST/%1\n").arg(item),
                              {.extra = {"--test-commands"}, .tempFolder = temp.path()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        ASSERT_EQ(run.out.size(), 2) << run.out.join('\n').toStdString();
        const QString shown = QStringLiteral("Cartella dell'istanza: ");
        ASSERT_TRUE(run.out[0].startsWith(shown));
        const QString folder = run.out[0].mid(shown.size());
        EXPECT_TRUE(folder.startsWith(QString::fromStdString(temp.path() + "/")));
        EXPECT_FALSE(QDir(folder).exists());
        EXPECT_TRUE(entries(temp.path()).empty());
        EXPECT_TRUE(run.out[1].startsWith("Error BASE/1132  Bound error: TEST_errore;Function: "));
        EXPECT_TRUE(run.out[1].endsWith(";;Inviare rapporto di errore via email?"));
    }
}

}  // namespace
}  // namespace drav::test
