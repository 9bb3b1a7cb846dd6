// The program from process start to its end.
#include "shell/Program.h"

#include "shell/Commands.h"
#include "shell/Config.h"
#include "shell/Startup.h"
#include "util/Date.h"
#include "util/Error.h"
#include "util/Paths.h"
#include "util/Settings.h"

#include <unistd.h>
#include <QApplication>
#include <QIcon>
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

int mainProcedure(QApplication& app) {
    std::unique_ptr<MainWindow> window = startUp();
    if (!window) return 1;
    window->showMaximized();
    QApplication::processEvents();
    if (!runStartupActions(*window, startupActions())) return 1;
    return app.exec();
}

}  // namespace

void setProcessSettings() {
    // 1. Errors: the handler comes first, so every later step reports
    //    through it.
    installProgramErrorHandler();
    // 2-4. Table and index format, lock scheme, memo extension: the data
    //    layer has only the one.
    // 5. Dates with four-digit years until the main procedure starts.
    setDateFormat(DateFormat::FourDigitYear);
    // 6-8. Deleted records invisible, two-digit years from 1980, file names in
    //    capitals: how the data layer and the date helpers always work.
    // 9. Left print margin.
    setPrintMargin(5);
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
        if (!action(window)) return false;
    window.setCommandsEnabled(true);
    return true;
}

int dravMain(int argc, char** argv) {
    // The data folder is the current folder: "--data DIR" moves there before
    // anything else, so every file named by the program lands in DIR.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") != 0) continue;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "drav: --data needs a folder\n");
            return 2;
        }
        if (::chdir(argv[i + 1]) != 0) {
            std::fprintf(stderr, "drav: cannot use the data folder %s: %s\n", argv[i + 1],
                         std::strerror(errno));
            return 2;
        }
        ++i;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DRAV"));
    setProcessSettings();
    installProgramUserPort();

    EndOfProgram end;
    try {
        int code = mainProcedure(app);
        return requestedExitCode() >= 0 ? requestedExitCode() : code;
    } catch (const ProgramEnd& e) {
        return e.code();
    }
}

}  // namespace drav::shell
