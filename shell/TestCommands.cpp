#include "shell/TestCommands.h"

#include "print/PageGrid.h"
#include "print/TFont.h"
#include "print/TPrinter.h"
#include "shell/Commands.h"
#include "ui/EventGuard.h"
#include "util/Error.h"
#include "util/Messages.h"
#include "util/Paths.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace drav::shell {
namespace {

void stampaDiProva() {
    print::TPrinter printer(QStringLiteral("Stampa di prova"), true);
    print::TFont font(printer, QStringLiteral("Arial"), 12);
    for (int page = 1; page <= 2; ++page) {
        printer.startPage();
        print::printTxt({QStringLiteral("DRAV - Marvesto")}, std::nullopt, printer, font);
        print::printTxt({QStringLiteral("Pagina di prova %1 di 2").arg(page)}, std::nullopt,
                        printer, font);
        printer.endPage();
    }
    printer.endPrint();
}

// An error no row of the handler expects: the report, then the end.
void unexpectedError() {
    ErrorInfo e;
    e.subsystem = "BASE";
    e.genCode = 2;
    e.subCode = 1132;
    e.description = genericDescription(2);
    e.operation = "TEST_errore";
    raiseError(std::move(e));
}

void showInstanceFolder() {
    msgInfo(QStringLiteral("Cartella dell'istanza: ") + QString::fromStdString(instanceFolder()));
}

}  // namespace

void TEST_addTestCommands(QMainWindow& window) {
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("TEST"));
    menu->setObjectName(QStringLiteral("menuTEST"));
    QObject::connect(menu->addAction(QStringLiteral("Stampa di prova")), &QAction::triggered,
                     &window, [] { runInRecoveryPoint(stampaDiProva); });
    QObject::connect(menu->addAction(QStringLiteral("Errore imprevisto")), &QAction::triggered,
                     &window, [] {
                         runInRecoveryPoint([] {
                             showInstanceFolder();
                             unexpectedError();
                         });
                     });
    QObject::connect(menu->addAction(QStringLiteral("Errore da un evento")), &QAction::triggered,
                     &window, [&window] {
                         runInRecoveryPoint(showInstanceFolder);
                         QTimer::singleShot(0, &window, [] { ui::runGuarded(unexpectedError); });
                     });
}

}  // namespace drav::shell
