// Runs the program itself on a data folder with a script for the scripted
// driver, and collects what it wrote and how it ended.
#pragma once

#include "tests/support/TempDir.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

namespace drav::test {

struct DravRun {
    int exitCode = -1;  // -1: it did not end in time, or crashed
    QStringList out;    // standard output: the message and wait-box texts, one per line,
                        // after those of the start-up check of the data folder
    QStringList startup;  // the wait texts of the start-up check that came first
    QString err;        // standard error, without the platform's chatter
};

struct DravRunArgs {
    QStringList extra{};       // more options (--test-commands)
    std::string tempFolder{};  // TEMP for the program ("" = a private one)
    // A command that runs drav: its program and arguments, followed by
    // drav's path and arguments (empty: drav itself).
    QStringList wrapper{};
};

// Writes the script to a file and runs "drav --data DATA --script FILE" on
// the offscreen platform; waits at most two minutes.
inline DravRun runDrav(const std::string& dataFolder, const QString& script,
                       const DravRunArgs& args = {}) {
    TempDir work;
    const std::string scriptFile = work.file("script.txt");
    writeFile(scriptFile, script.toStdString());
    const std::string temp = args.tempFolder.empty() ? work.path() : args.tempFolder;

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TEMP", QString::fromStdString(temp));
    p.setProcessEnvironment(env);
    QStringList argv = {"--data", QString::fromStdString(dataFolder), "--script",
                        QString::fromStdString(scriptFile)};
    argv << args.extra;
    if (args.wrapper.isEmpty()) {
        p.start(QStringLiteral(DRAV_PROGRAM), argv);
    } else {
        argv = args.wrapper.mid(1) + QStringList{QStringLiteral(DRAV_PROGRAM)} + argv;
        p.start(args.wrapper.first(), argv);
    }
    DravRun run;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        run.exitCode = p.exitCode();
    }
    run.out = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    // The start-up check shows its wait messages before any step runs.
    static const QStringList kStartup = {QStringLiteral("Verifica archivi in corso..."),
                                         QStringLiteral("Aggiornamento archivi in corso..."),
                                         QStringLiteral("Ricostruzione degli indici in corso.")};
    while (!run.out.isEmpty() && kStartup.contains(run.out.first()))
        run.startup << run.out.takeFirst();
    QStringList err;
    for (const QString& line : QString::fromUtf8(p.readAllStandardError()).split('\n'))
        if (!line.isEmpty() && !line.startsWith("QStandardPaths") &&
            !line.contains("propagateSizeHints"))
            err << line;
    run.err = err.join('\n');
    return run;
}

}  // namespace drav::test
