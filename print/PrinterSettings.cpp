#include "print/PrinterSettings.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace drav::print {

PrinterSettings& printerSettings() {
    static PrinterSettings settings = [] {
        PrinterSettings s;
        QPrinterInfo def = QPrinterInfo::defaultPrinter();
        if (!def.isNull()) {
            s.printer = def.printerName();
            QPageSize size = def.defaultPageSize();
            if (size.isValid()) s.pageSize = size;
        }
        return s;
    }();
    return settings;
}

bool pSetup() {
    PrinterSettings& s = printerSettings();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!s.printer.isEmpty()) printer.setPrinterName(s.printer);
    printer.setPageSize(s.pageSize);
    printer.setPageOrientation(s.orientation);
    QPageSetupDialog dialog(&printer, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    if (printer.outputFormat() == QPrinter::NativeFormat) s.printer = printer.printerName();
    s.pageSize = printer.pageLayout().pageSize();
    s.orientation = printer.pageLayout().orientation();
    return true;
}

void prnLandscape() {
    printerSettings().orientation = QPageLayout::Landscape;
}
void prnPortrait() {
    printerSettings().orientation = QPageLayout::Portrait;
}

int prnGetOrientation() {
    return printerSettings().orientation == QPageLayout::Landscape ? 2 : 1;
}

QStringList aDevNames() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.sort();
    names.prepend(QString());
    return names;
}

QString prnGetName() {
    return printerSettings().printer;
}

}  // namespace drav::print
