// The start-up and end-of-program operations. Those whose subsystem is not
// part of the program yet do nothing here; each says what will take its
// place.
#include "shell/Startup.h"

#include "data/access/TableAccess.h"
#include "shell/Instance.h"
#include "util/Error.h"

namespace drav::shell {

void installProgramErrorHandler() {
    // Until the program's own handler (messages, error report by e-mail)
    // exists, errors go to the plain handler: soft failures fail, a division
    // by zero gives 0, anything else is written out and abandoned.
    setErrorHandler(defaultErrorHandler);
}

void installProgramUserPort() {
    // The Qt message boxes and wait box take over from the console here.
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
