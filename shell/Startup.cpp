// The start-up and end-of-program operations. Those whose subsystem is not
// part of the program yet do nothing here; each says what will take its
// place.
#include "shell/Startup.h"

#include "data/access/TableAccess.h"
#include "shell/Instance.h"
#include "ui/ErrorSys.h"
#include "ui/QtUserPort.h"
#include "util/Error.h"

namespace drav::shell {

void installProgramErrorHandler() {
    ui::installErrorHandler();
}

void installProgramUserPort() {
    ui::installQtUserPort();
}

void cleanStaleInstances() {
    processInstance().cleanStale();
}

void startImageLibrary() {
    // Qt's image readers need no start; kept so the image support of the
    // printing has its place at start and at the end.
}

bool aggiornaDatabase() {
    // The check of every table and index of the data folder, with their
    // creation or rebuild, goes here.
    return true;
}

void user() {
    // The station table cannot be made: the program cannot run here.
    try {
        processInstance().setUp();
    } catch (const Abandoned&) {
        throw ProgramEnd(1);
    }
}

void fattureOverdue(QWidget*) {
    // Lists the unpaid invoices already due, once the main window is active.
}

void sospesi() {
    // Lists the suspended runs.
}

void closeAll() {
    try {
        data::closeAll();
    } catch (const ProgramEnd&) {
        // The handler chose to end the program over a failed close: it is
        // ending already, and every table is closed.
    }
}

void endInstance() {
    processInstance().end();
}

void stopImageLibrary() {}

void endOfProgram() {
    closeAll();
    endInstance();
    stopImageLibrary();
}

}  // namespace drav::shell
