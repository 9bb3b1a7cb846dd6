// The command table: one row per command, naming the operation it opens.
// Operations whose screen is not part of the program yet say so with a
// short information message and do nothing else.
#include "shell/Commands.h"

#include "clients/Activities.h"
#include "clients/Clients.h"
#include "data/backup/Manutenzione.h"
#include "print/PrinterSettings.h"
#include "shell/BackupDialogs.h"
#include "shell/Parametri.h"
#include "ui/FormHelpers.h"
#include "util/Error.h"
#include "util/Messages.h"

#include <QCoreApplication>
#include <array>
#include <cassert>
#include <utility>

namespace drav::shell {
namespace {

void notAvailable(QWidget*) {
    msgInfo(QStringLiteral("Funzione non ancora disponibile."));
}

// "Informazioni": the about box with the program's title, version and year.
void infos(QWidget*) {
    ui::infos(QStringLiteral("DRAV - Marvesto"), QStringLiteral("1.14"), QStringLiteral("2026"));
}

void clienti(QWidget*) {
    clients::clienti();
}

void attivita(QWidget*) {
    clients::attivita();
}

void manutenzione(QWidget*) {
    data::manutenzione(true);
}

struct Row {
    Command command;
    const char* name;
    CommandHandler handler;
};

std::array<Row, 13>& table() {
    static std::array<Row, 13> rows{{
        {Command::Clienti, "CLIENTI", clienti},
        {Command::Destinatari, "DESTINATARI", notAvailable},
        {Command::Pony, "PONY", notAvailable},
        {Command::Corse, "CORSE", notAvailable},
        {Command::Fatture, "FATTURE", notAvailable},
        {Command::Attivita, "ATTIVITA", attivita},
        {Command::Parametri, "PARAMETRI", [](QWidget*) { parametri(); }},
        {Command::Contabilita, "CONTABILITA", notAvailable},
        {Command::Manutenzione, "MANUTENZIONE", manutenzione},
        {Command::PSetup, "PSETUP", [](QWidget*) { print::pSetup(); }},
        {Command::Salva, "SALVA", salvataggioDati},
        {Command::Ricarica, "RICARICA", ripristinoDati},
        {Command::Infos, "INFOS", infos},
    }};
    return rows;
}

Row& row(Command command) {
    Row& r = table()[static_cast<size_t>(command)];
    assert(r.command == command && "the table lists the commands in their declaration order");
    return r;
}

int g_exitCode = -1;

}  // namespace

const char* commandName(Command command) {
    return row(command).name;
}

void runCommand(Command command, QWidget* parent) {
    runInRecoveryPoint([&] { row(command).handler(parent); });
}

void runInRecoveryPoint(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const Abandoned&) {
        // The error handler has told the user; the screen has closed what it
        // opened on its way out, and the main window carries on.
    } catch (const ProgramEnd& end) {
        g_exitCode = end.code();
        QCoreApplication::exit(end.code());
    }
}

int requestedExitCode() {
    return g_exitCode;
}

CommandHandler TEST_setCommandHandler(Command command, CommandHandler handler) {
    return std::exchange(row(command).handler, std::move(handler));
}

}  // namespace drav::shell
