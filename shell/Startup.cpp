// The start-up and end-of-program operations. Those whose subsystem is not
// part of the program yet do nothing here; each says what will take its
// place.
#include "shell/Startup.h"

#include "data/access/TableAccess.h"
#include "data/backup/StagingFolder.h"
#include "data/schema/Schema.h"
#include "data/upgrade/CreateDb.h"
#include "print/TableRowSource.h"
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
    // A restore that died leaves its private folder in the data folder.
    data::sweepStaleStaging(".");
}

void installPrintTableSource() {
    print::installTableRowSource();
}

void startImageLibrary() {
    // Qt's image readers need no start; kept so the image support of the
    // printing has its place at start and at the end.
}

bool aggiornaDatabase() {
    return data::createDb(data::schemaTables());
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
