#include "print/Launcher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>
#include <utility>

namespace drav::print {
namespace {
std::unique_ptr<Launcher>& slot() {
    static std::unique_ptr<Launcher> l = std::make_unique<ProcessLauncher>();
    return l;
}
}  // namespace

int ProcessLauncher::run(const QString& program, const QStringList& args) {
    QProcess process;
    if (m_substitute.isEmpty()) {
        process.start(program, args);
    } else {
        process.start(m_substitute, QStringList{program} + args);
    }
    if (!process.waitForStarted()) return -1;
    while (!process.waitForFinished(50)) {
        if (process.state() == QProcess::NotRunning) break;
        QCoreApplication::processEvents();
    }
    if (process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
}

bool ProcessLauncher::openFile(const QString& path) {
    if (!m_substitute.isEmpty()) return run(QStringLiteral("open"), {path}) == 0;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::unique_ptr<Launcher> setLauncher(std::unique_ptr<Launcher> launcher) {
    if (!launcher) launcher = std::make_unique<ProcessLauncher>();
    return std::exchange(slot(), std::move(launcher));
}

Launcher& launcher() {
    return *slot();
}

}  // namespace drav::print
