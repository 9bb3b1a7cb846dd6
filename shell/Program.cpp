// The program from process start to its end.
#include "shell/Program.h"

#include "shell/Commands.h"
#include "shell/Config.h"
#include "shell/ScriptDriver.h"
#include "shell/Startup.h"
#include "shell/TestCommands.h"
#include "ui/EventGuard.h"
#include "util/Date.h"
#include "util/Error.h"
#include "util/Paths.h"
#include "util/Settings.h"

#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace drav::shell {
namespace {

// Runs the end-of-program steps on every way out of the main procedure.
class EndOfProgram {
public:
    EndOfProgram() = default;
    ~EndOfProgram() { endOfProgram(); }
    EndOfProgram(const EndOfProgram&) = delete;
    EndOfProgram& operator=(const EndOfProgram&) = delete;
};

// A start-up operation that its error abandons: nothing more to do for it,
// and the program goes on.
StartupAction optional(std::function<void(MainWindow&)> run) {
    return [run = std::move(run)](MainWindow& window) {
        try {
            run(window);
        } catch (const Abandoned&) {
        }
        return true;
    };
}

// What the command line asks for besides the data folder.
struct Options {
    std::optional<std::string> script;  // --script FILE: the steps to follow
    bool testCommands = false;          // --test-commands: the hidden menu "TEST"
};

int mainProcedure(QApplication& app, const Options& options) {
    std::unique_ptr<MainWindow> window = startUp();
    if (!window) return 1;
    if (options.testCommands) TEST_addTestCommands(*window);
    // Shown, but neither usable nor closable until the start-up operations
    // are over.
    window->setCommandsEnabled(false);
    window->showMaximized();
    QApplication::processEvents();
    if (!runStartupActions(*window, startupActions())) return 1;
    // An end asked for while the start-up operations ran: the event loop
    // must not start, it would run on regardless.
    if (ui::pendingProgramEnd()) return *ui::pendingProgramEnd();
    return app.exec();
}

// The exit code of the program once its loop has returned: the code of an
// end asked for by the error handler, if any.
int programExitCode(int code) {
    if (ui::pendingProgramEnd()) return *ui::pendingProgramEnd();
    if (requestedExitCode() >= 0) return requestedExitCode();
    return code;
}

// The script's steps; nothing (and the reason on standard error) when the
// file cannot be read or a line is no step.
std::optional<std::vector<ScriptStep>> readScript(const std::string& path, int* exitCode) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "drav: cannot read the script %s: %s\n", path.c_str(),
                     file.errorString().toLocal8Bit().constData());
        *exitCode = 2;
        return std::nullopt;
    }
    QString error;
    auto steps = parseScript(QString::fromUtf8(file.readAll()), &error);
    if (!steps) {
        std::fprintf(stderr, "drav: %s\n", error.toLocal8Bit().constData());
        *exitCode = 1;
    }
    return steps;
}

}  // namespace

void setProcessSettings() {
    // 1. Errors: the handler comes first, so every later step reports
    //    through it; its messages are drawn on Qt, and an error that ends
    //    the program stops the event loop, after which the end-of-program
    //    steps run.
    installProgramErrorHandler();
    installProgramUserPort();
    ui::setMainLoopStopper([](int code) { QCoreApplication::exit(code); });
    // 2-4. Table and index format, lock scheme, memo extension: the data
    //    layer has only the one.
    // 5. Dates with four-digit years until the main procedure starts.
    setDateFormat(DateFormat::FourDigitYear);
    // 6-8. Deleted records invisible, two-digit years from 1980, file names in
    //    capitals: how the data layer and the date helpers always work.
    // 9. Left print margin; printers and reports read the current table
    //    through the table layer.
    setPrintMargin(5);
    installPrintTableSource();
    // 10. No instance folder until the instance is set up.
    setInstanceFolder("");
    // 11. What instances that died left behind.
    cleanStaleInstances();
    // 12. Drive errors come back as file errors anyway.
    // 13. Images for printing.
    startImageLibrary();
}

std::unique_ptr<MainWindow> startUp() {
    setDateFormat(DateFormat::TwoDigitYear);
    try {
        if (!mkCfg() || !loadSettings()) return nullptr;
    } catch (const Abandoned&) {
        return nullptr;
    }
    return std::make_unique<MainWindow>();
}

std::vector<StartupAction> startupActions() {
    return {
        [](MainWindow&) {
            try {
                return aggiornaDatabase();
            } catch (const Abandoned&) {
                return false;
            }
        },
        optional([](MainWindow&) { user(); }),
        optional([](MainWindow& window) { fattureOverdue(&window); }),
        optional([](MainWindow&) { sospesi(); }),
    };
}

bool runStartupActions(MainWindow& window, const std::vector<StartupAction>& actions) {
    window.setCommandsEnabled(false);
    for (const StartupAction& action : actions)
        if (!action(window) || ui::pendingProgramEnd()) return false;
    window.setCommandsEnabled(true);
    return true;
}

int dravMain(int argc, char** argv) {
    // The data folder is the current folder: "--data DIR" moves there before
    // anything else, so every file named by the program lands in DIR. The
    // script is read from where the program was started.
    Options options;
    std::optional<std::string> dataFolder;
    for (int i = 1; i < argc; ++i) {
        const bool data = std::strcmp(argv[i], "--data") == 0;
        const bool script = std::strcmp(argv[i], "--script") == 0;
        if (std::strcmp(argv[i], "--test-commands") == 0) options.testCommands = true;
        if (!data && !script) continue;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "drav: %s needs a %s\n", argv[i], data ? "folder" : "file");
            return 2;
        }
        (data ? dataFolder : options.script) = argv[++i];
    }
    // The script is read before the program moves to its data folder.
    std::optional<std::vector<ScriptStep>> steps;
    if (options.script) {
        int exitCode = 0;
        if (!(steps = readScript(*options.script, &exitCode))) return exitCode;
    }
    if (dataFolder && ::chdir(dataFolder->c_str()) != 0) {
        std::fprintf(stderr, "drav: cannot use the data folder %s: %s\n", dataFolder->c_str(),
                     std::strerror(errno));
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DRAV"));
    // The toolkit's own dialogs (file dialogs, the printer set-up and their
    // warnings) speak Italian where the system has Qt's translations.
    QTranslator toolkitItalian;
    if (toolkitItalian.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                            QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitItalian);
    std::unique_ptr<ScriptDriver> driver;
    if (steps) driver = std::make_unique<ScriptDriver>(std::move(*steps));
    setProcessSettings();
    if (driver) driver->start();

    EndOfProgram end;
    int code;
    try {
        code = programExitCode(mainProcedure(app, options));
    } catch (const ProgramEnd& e) {
        code = e.code();
    }
    return driver ? driver->exitCode(code) : code;
}

}  // namespace drav::shell
