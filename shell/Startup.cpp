// The start-up and end-of-program operations. Those whose subsystem is not
// part of the program yet do nothing here; each says what will take its
// place.
#include "shell/Startup.h"

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
    // Removes the temporary files left in the data folder and the instance
    // folders left under the temporary folder by instances that died.
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
    // Names this instance and makes its instance folder, held by its open
    // "USER" file.
}

void fattureOverdue(QWidget*) {
    // Lists the unpaid invoices already due, once the main window is active.
}

void sospesi() {
    // Lists the suspended runs.
}

void closeAll() {
    // Closes every open table and removes this instance's view files.
}

void endInstance() {
    // Closes the instance file and removes the instance folder.
}

void stopImageLibrary() {}

void endOfProgram() {
    closeAll();
    endInstance();
    stopImageLibrary();
}

}  // namespace drav::shell
