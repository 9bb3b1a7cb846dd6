// The operations the program runs on its own, outside the menu: at process
// start, once the main window is shown, and when the program ends. Each is
// called from exactly one place in the start-up sequence (Program.cpp), so
// the subsystems that own them plug in here.
#pragma once

class QWidget;

namespace drav::shell {

// Process start.
void installProgramErrorHandler();  // the program's error handler (messages, error report)
void installProgramUserPort();      // the message boxes and wait box on Qt
void cleanStaleInstances();         // temporary files of instances that died
void startImageLibrary();
void installPrintTableSource();  // printers and reports go back to the current table's record

// Once the main window is shown, in this order.
// AGGIORNADATABASE: the schema check and upgrade; false when the program
// must end.
bool aggiornaDatabase();
// USER: the instance name and instance folder.
void user();
// FATTURE in its overdue mode: the list of unpaid invoices that are due,
// over the main window, when there is any.
void fattureOverdue(QWidget* mainWindow);
// SOSPESI: the list of suspended runs, when there is any.
void sospesi();

// End of the program, whatever the way out: closeAll(), endInstance(),
// stopImageLibrary(), in this order.
void endOfProgram();
void closeAll();
void endInstance();
void stopImageLibrary();

}  // namespace drav::shell
