// A printer opened for drawing, with the capabilities the layouts scale by.
//
// Positions are device units (printer pixels) of the printable area, origin
// at its top-left corner. A station without printers gets the page device:
// A4 at 600 dpi whose printable area is the paper less 4.2 mm on each side.
// Pages are recorded and previewed on it, saved as PDF and mailed, but it
// cannot print.
//
//   quantity        virtual A4 portrait   meaning
//   horzRes         4762                  printable width, device units
//   vertRes         6817                  printable height, device units
//   logPixelX/Y     600                   device units per inch
//   xOffset/yOffset 99                    printable area from the paper edge
//   horzSizeMm      201.6                 printable width in millimetres
//   vertSizeMm      288.6                 printable height in millimetres
#pragma once

#include "print/PrinterSettings.h"

#include <QSize>
#include <QString>
#include <memory>

class QPrinter;

namespace drav::print {

struct DeviceCaps {
    int horzRes = 0;
    int vertRes = 0;
    int logPixelX = 0;
    int logPixelY = 0;
    int xOffset = 0;
    int yOffset = 0;
    double horzSizeMm = 0;
    double vertSizeMm = 0;
    QSize paper;  // the whole sheet, device units
};

class PrintDevice {
public:
    ~PrintDevice();
    PrintDevice(const PrintDevice&) = delete;
    PrintDevice& operator=(const PrintDevice&) = delete;

    // GETPRINTDEFAULT: the selected printer with the shared settings, or the
    // page device when no printer is installed.
    static std::unique_ptr<PrintDevice> selected();
    // PRINTERDCFROMNAME: the named printer with the shared settings; nullptr
    // when it does not exist. The empty name is the page device on a station
    // without printers.
    static std::unique_ptr<PrintDevice> named(const QString& name);
    // The page device itself, in the shared orientation.
    static std::unique_ptr<PrintDevice> pageDevice(
        QPageLayout::Orientation orientation = printerSettings().orientation);

    const QString& name() const { return m_name; }
    const DeviceCaps& caps() const { return m_caps; }
    // The printer to draw on; nullptr for the page device, which cannot print.
    QPrinter* printer() const { return m_printer.get(); }
    bool canPrint() const { return m_printer != nullptr; }

private:
    PrintDevice() = default;

    QString m_name;
    DeviceCaps m_caps;
    std::unique_ptr<QPrinter> m_printer;
};

// PRNOFFSET: the physical offsets of the printable area {x, y}.
QPoint prnOffset(const PrintDevice& device);

}  // namespace drav::print
