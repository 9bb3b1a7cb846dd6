// Start-up: the first start in an empty data folder, the starts that must
// end without a window, the order of the start-up operations, and the
// program itself run on a data folder.
#include "shell/Program.h"
#include "tests/shell/DravRun.h"
#include "tests/shell/ShellTestSupport.h"

#include <gtest/gtest.h>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QToolBar>

namespace drav::shell {
namespace {

constexpr int kWaitMs = 60000;  // upper bound for the program to get going or end

class StartUp : public ::testing::Test {
protected:
    test::SettingsState m_state;
    test::TempDir m_dir;
};

TEST_F(StartUp, FirstStartInAnEmptyFolder) {
    test::ScopedChdir cd(m_dir.path());
    setDateFormat(DateFormat::FourDigitYear);
    std::unique_ptr<MainWindow> window = startUp();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(test::readFile(m_dir.file("DRAV.CFG")), test::kFirstStartCfg);
    EXPECT_EQ(settingNumber("CFG_IVA"), 20);
    EXPECT_EQ(Date::fromYmd(2026, 3, 5).toText(), "05/03/26");  // two-digit years from here on
}

TEST_F(StartUp, EndsWithoutAWindowWhenTheFileCannotBeMadeOrRead) {
    test::ErrorCapture capture;
    auto folder = test::unwritableFolder(m_dir);
    if (folder) {
        test::ScopedChdir cd(*folder);
        EXPECT_EQ(startUp(), nullptr) << *folder;
        EXPECT_NE(::access((*folder + "/DRAV.CFG").c_str(), F_OK), 0);
    }
    ASSERT_EQ(::mkdir(m_dir.file("DRAV.CFG").c_str(), 0755), 0);  // there but unreadable
    test::ScopedChdir cd(m_dir.path());
    EXPECT_EQ(startUp(), nullptr);
    EXPECT_EQ(capture.errors.size(), folder ? 2u : 1u);
}

TEST_F(StartUp, OperationsRunInOrderBeforeTheCommandsCanBeUsed) {
    test::ScopedChdir cd(m_dir.path());
    MainWindow window;
    QStringList ran;
    auto step = [&](const char* name, bool goOn) -> StartupAction {
        return [&ran, name, goOn](MainWindow& w) {
            EXPECT_FALSE(w.menuBar()->isEnabled()) << name;
            EXPECT_FALSE(w.findChild<QToolBar*>("toolBar")->isEnabled()) << name;
            ran << name;
            return goOn;
        };
    };
    EXPECT_TRUE(runStartupActions(window, {step("AGGIORNADATABASE", true), step("USER", true),
                                           step("FATTURE", true), step("SOSPESI", true)}));
    EXPECT_EQ(ran, QStringList({"AGGIORNADATABASE", "USER", "FATTURE", "SOSPESI"}));
    EXPECT_TRUE(window.menuBar()->isEnabled());

    ran.clear();
    EXPECT_FALSE(runStartupActions(window, {step("AGGIORNADATABASE", false), step("USER", true)}));
    EXPECT_EQ(ran, QStringList({"AGGIORNADATABASE"}));
}

// A close asked for while the upgrade or the maintenance of the start-up
// runs (their waits handle window events) would leave the program with no
// window and an event loop that nothing ends: it is refused until the
// start-up is over.
TEST_F(StartUp, TheWindowCannotBeClosedWhileTheStartUpRuns) {
    test::ScopedChdir cd(m_dir.path());
    MainWindow window;
    window.show();
    bool closed = true;
    EXPECT_TRUE(runStartupActions(window, {[&closed](MainWindow& w) {
                                      closed = w.close();
                                      return true;
                                  }}));
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
}

// ---- The program itself ---------------------------------------------------

QProcess* startProgram(QObject* owner, const std::string& dataFolder) {
    auto* p = new QProcess(owner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(DRAV_PROGRAM), {"--data", QString::fromStdString(dataFolder)});
    EXPECT_TRUE(p->waitForStarted(kWaitMs));
    return p;
}

TEST_F(StartUp, TheProgramOnAnEmptyFolderMakesItsFileAndKeepsRunning) {
    QObject owner;
    QProcess* p = startProgram(&owner, m_dir.path());
    std::string cfg = m_dir.file("DRAV.CFG");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return ::access(cfg.c_str(), F_OK) == 0 && test::readFile(cfg) == test::kFirstStartCfg;
        },
        kWaitMs));
    EXPECT_FALSE(p->waitForFinished(500)) << "the main window closed by itself";
    p->kill();
    p->waitForFinished(kWaitMs);
}

// The error handler says why, and once its message is closed the program
// ends without its window.
TEST_F(StartUp, TheProgramEndsWhenItCannotMakeItsFile) {
    auto folder = test::unwritableFolder(m_dir);
    if (!folder) GTEST_SKIP() << "no folder here refuses new files";
    test::DravRun run = test::runDrav(*folder, "answer OK\n");
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringList("Impossibile accedere al file " +
                                   QString::fromStdString(*folder + "/DRAV.CFG") + "."));
}

TEST_F(StartUp, TheProgramRefusesAMissingDataFolder) {
    QObject owner;
    QProcess* p = startProgram(&owner, m_dir.file("NON_ESISTE"));
    ASSERT_TRUE(p->waitForFinished(kWaitMs));
    EXPECT_EQ(p->exitCode(), 2);
    EXPECT_TRUE(p->readAllStandardError().contains("NON_ESISTE"));
}

}  // namespace
}  // namespace drav::shell
