// The commands of the main menu and the tool bar, and the one table that
// says which operation each of them opens.
//
// Every menu item and tool-bar button calls runCommand() with its command;
// runCommand() is the recovery point of every screen: an operation given
// up by the error handler comes back here and the main window goes on, and
// an error that ends the program makes the event loop return.
#pragma once

#include <functional>

class QWidget;

namespace drav::shell {

enum class Command {
    Clienti,
    Destinatari,
    Pony,
    Corse,
    Fatture,  // the invoice register in its normal mode
    Attivita,
    Parametri,
    Contabilita,
    Manutenzione,
    PSetup,
    Salva,
    Ricarica,
    Infos,
};

// The operation's name in capitals ("CLIENTI", "PSETUP"); the objectNames of
// the menu items and tool-bar buttons are made from it.
const char* commandName(Command command);

// Runs the command's operation; its screen is modal over parent.
void runCommand(Command command, QWidget* parent);

// The recovery point itself, for an operation outside the table.
void runInRecoveryPoint(const std::function<void()>& operation);

// The exit code asked for by an error that ended the program from inside a
// command (nothing asked: -1).
int requestedExitCode();

using CommandHandler = std::function<void(QWidget* parent)>;
// For tests only: replaces the operation of a command; returns the old one.
CommandHandler TEST_setCommandHandler(Command command, CommandHandler handler);

}  // namespace drav::shell
