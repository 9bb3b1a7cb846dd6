// The parameters form end to end: the program run on a data folder and
// driven by a script, the configuration file read back afterwards.
#include "tests/shell/DravRun.h"
#include "tests/shell/ShellTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace drav::test {
namespace {

// A file as an older release or another station may leave it: an extra
// text key, its own order, another section.
const std::string kCfg =
    "[Vars]\r\n"
    "CFG_DBUST=N0\r\n"
    "CFG_IVA=N20\r\n"
    "CFG_NFATT=N7\r\n"
    "CFG_SBUST=N2\r\n"
    "CFG_SFATT=N0\r\n"
    "CFG_NOTE=Cfiliale\r\n"
    "[Altro]\r\n"
    "CHIAVE=valore\r\n";

std::string withLine(std::string cfg, const std::string& from, const std::string& to) {
    cfg.replace(cfg.find(from), from.size(), to);
    return cfg;
}

class Parametri : public ::testing::Test {
protected:
    Parametri() { writeFile(m_data.file("DRAV.CFG"), kCfg); }
    std::string cfg() const { return readFile(m_data.file("DRAV.CFG")); }

    TempDir m_data;
};

// The form shows the file's values; a new VAT rate confirmed changes only
// its own line, and the extra key is written back as it was.
TEST_F(Parametri, ConfirmedVatRateChangesOnlyItsLine) {
    DravRun run = runDrav(m_data.path(), R"(menu Modifica/Parametri...
expect-title Parametri
expect-text 101 7
expect-text 102 20 %
expect-text 103
expect-text 104 2
expect-text 105
set 102 22
press 201
expect-title DRAV - Marvesto
quit
)");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(cfg(), withLine(kCfg, "CFG_IVA=N20", "CFG_IVA=N22"));
    EXPECT_TRUE(run.out.isEmpty()) << run.out.join('|').toStdString();
}

// A value written with a blank after its type letter reads as its number:
// the form shows the rate, and a confirmed change of another field writes
// every parameter back in the program's own form, each on its own line.
TEST_F(Parametri, ABlankAfterTheTypeLetterReadsAsTheNumber) {
    const std::string spaced = withLine(kCfg, "CFG_IVA=N20", "CFG_IVA=N 21");
    writeFile(m_data.file("DRAV.CFG"), spaced);
    DravRun run = runDrav(m_data.path(), R"(menu Modifica/Parametri...
expect-text 102 21 %
expect-text 101 7
set 101 8
press 201
expect-title DRAV - Marvesto
)");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(cfg(), withLine(withLine(spaced, "CFG_IVA=N 21", "CFG_IVA=N21"), "CFG_NFATT=N7",
                              "CFG_NFATT=N8"));
}

// Ways out of the form that write nothing, with the messages each shows.
TEST_F(Parametri, WaysOutThatWriteNothing) {
    struct Case {
        const char* name;
        const char* script;
        QStringList messages;
    };
    const Case cases[] = {
        {"first invoice left at zero: refused, the form stays open",
         R"(menu Modifica/Parametri...
set 101 0
answer OK
press 201
expect-message Campo non valido.
expect-title Parametri
expect-text 101
press 202
answer Sì
expect-title DRAV - Marvesto
)",
         {"Campo non valido.", "Annullo le modifiche?"}},
        {"Esc after a change asks; No keeps the form and the edit, Yes drops them",
         R"(menu Modifica/Parametri...
set 104 5
key Escape
answer No
expect-message Annullo le modifiche?
expect-title Parametri
expect-text 104 5
key Escape
answer Sì
expect-title DRAV - Marvesto
)",
         {"Annullo le modifiche?", "Annullo le modifiche?"}},
        {"Esc without a change closes at once",
         R"(menu Modifica/Parametri...
expect-title Parametri
key Escape
expect-title DRAV - Marvesto
)",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(m_data.file("DRAV.CFG"), kCfg);
        DravRun run = runDrav(m_data.path(), QString::fromUtf8(c.script));
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, c.messages);
        EXPECT_EQ(cfg(), kCfg);
    }
}

// A parameter the file lacks, or holds as something other than a number,
// starts from the value of the first start and is saved as a number: saved
// as text it would break every screen that reads it.
TEST_F(Parametri, AMissingOrUnreadableParameterIsSavedAsANumber) {
    writeFile(m_data.file("DRAV.CFG"),
              "[Vars]\r\nCFG_DBUST=N0\r\nCFG_IVA=X20\r\nCFG_NFATT=N3\r\nCFG_SBUST=N0\r\n");
    DravRun run = runDrav(m_data.path(), R"(menu Modifica/Parametri...
expect-text 102 20 %
expect-text 105
set 105 4
press 201
expect-title DRAV - Marvesto
)");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(cfg(),
              "[Vars]\r\nCFG_DBUST=N0\r\nCFG_IVA=N20\r\nCFG_NFATT=N3\r\nCFG_SBUST=N0\r\n"
              "CFG_SFATT=N4\r\n");
}

// The data folder is full when the form is confirmed: the message, then
// the form again with the values as typed; leaving it now asks first, since
// the edits were not saved. The file is untouched and no temporary file is
// left behind. The folder is a small file system of its own, filled up,
// which needs a private mount namespace.
TEST_F(Parametri, AWriteErrorShowsTheFormAgainWithTheEdits) {
    TempDir mount;
    TempDir tables;  // the program's tables, made beforehand: the full disk takes no new file
    ASSERT_EQ(std::system((std::string(DRAV_ADMIN) + " init " + tables.path() + " >/dev/null 2>&1")
                              .c_str()),
              0);
    const std::string outside = m_data.file("DOPO.CFG");
    const QString shell = QStringLiteral(
        "mount -t tmpfs -o size=256k tmpfs \"$D\" || exit 77\n"
        "cp \"$T\"/* \"$D\"/ && cp \"$C\" \"$D/DRAV.CFG\" && : > \"$D/NET\"\n"
        "dd if=/dev/zero of=\"$D/PIENO\" bs=4096 2>/dev/null\n"
        "\"$@\"; rc=$?\n"
        "cp \"$D/DRAV.CFG\" \"$O\"; ls -A \"$D\" >&2\n"
        "exit $rc");
    const QString setup =
        QStringLiteral("D='%1' C='%2' O='%3' T='%4'; ")
            .arg(QString::fromStdString(mount.path()),
                 QString::fromStdString(m_data.file("DRAV.CFG")), QString::fromStdString(outside),
                 QString::fromStdString(tables.path()));
    DravRun run = runDrav(mount.path(), R"(menu Modifica/Parametri...
set 102 22
answer OK
press 201
expect-title Parametri
expect-text 102 22 %
key Escape
answer Sì
expect-title DRAV - Marvesto
)",
                          {.wrapper = {"unshare", "-m", "sh", "-c", setup + shell, "sh"}});
    if (run.exitCode == 77 || run.err.contains("unshare:"))
        GTEST_SKIP() << "no private mount here: " << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString full = "Spazio sul disco " +
                         QString::fromStdString(mount.path() + "/DRAV.CFG") +
                         " insufficiente.";
    EXPECT_EQ(run.out, QStringList({full, "Annullo le modifiche?"}));
    EXPECT_EQ(readFile(outside), kCfg);
    EXPECT_TRUE(run.err.contains("DRAV.CFG\n")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QChar(0x7F))) << "a temporary file was left behind";
}

}  // namespace
}  // namespace drav::test
