// Starting other programs: the mail program and the PDF viewer.
//
// Everything the print windows start goes through the installed launcher,
// so tests can put a script in place of the real programs.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace drav::print {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Runs a program with arguments and waits until it ends, window events
    // still being handled; its exit code, -1 when it could not be started.
    virtual int run(const QString& program, const QStringList& args) = 0;
    // Opens a file with the program the desktop associates with its type.
    virtual bool openFile(const QString& path) = 0;
};

// Runs programs as processes. With a substitute, that program is run in
// place of every program asked for, with the program's name as its first
// argument (tests record what would have been started).
class ProcessLauncher : public Launcher {
public:
    explicit ProcessLauncher(QString substitute = {}) : m_substitute(std::move(substitute)) {}
    int run(const QString& program, const QStringList& args) override;
    bool openFile(const QString& path) override;

private:
    QString m_substitute;
};

// Installs a launcher; returns the previous one. nullptr restores the default.
std::unique_ptr<Launcher> setLauncher(std::unique_ptr<Launcher> launcher);
Launcher& launcher();

}  // namespace drav::print
