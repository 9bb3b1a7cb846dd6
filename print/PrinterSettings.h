// The one set of printer settings of the process and the printer selection
// functions.
//
// The selected printer, its paper and the orientation live for the whole
// run. They are filled from the system's default printer the first time a
// printer function needs them and changed only by pSetup, prnLandscape and
// prnPortrait. A printer object created without a name prints on the
// selected printer; one created with a name uses that printer with the same
// paper and orientation. On a station without printers the selected
// printer's name is "" and prints go to the page device of PrintDevice.h.
#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

namespace drav::print {

struct PrinterSettings {
    QString printer;  // "" when no printer is installed
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// The process-wide settings (filled on first use).
PrinterSettings& printerSettings();

// PSETUP: the system's print set-up dialog over the shared settings; true
// when the user confirmed (the choice then applies to every later print).
bool pSetup();
void prnLandscape();
void prnPortrait();
// 1 portrait, 2 landscape.
int prnGetOrientation();
// The names of the installed printers, sorted, with an empty name first.
QStringList aDevNames();
// The selected printer's name, "" when there is none.
QString prnGetName();

}  // namespace drav::print
