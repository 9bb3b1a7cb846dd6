#include "print/PrintDevice.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

namespace drav::print {
namespace {

constexpr int kPageDeviceDpi = 600;
constexpr double kPageDeviceMarginMm = 4.2;

int mmToUnits(double mm, int dpi) {
    return int(std::lround(mm / 25.4 * dpi));
}

}  // namespace

PrintDevice::~PrintDevice() = default;

std::unique_ptr<PrintDevice> PrintDevice::pageDevice(QPageLayout::Orientation orientation) {
    std::unique_ptr<PrintDevice> d(new PrintDevice);
    QSizeF paper = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    if (orientation == QPageLayout::Landscape) paper.transpose();
    DeviceCaps& c = d->m_caps;
    c.logPixelX = c.logPixelY = kPageDeviceDpi;
    c.horzSizeMm = paper.width() - 2 * kPageDeviceMarginMm;
    c.vertSizeMm = paper.height() - 2 * kPageDeviceMarginMm;
    c.horzRes = mmToUnits(c.horzSizeMm, kPageDeviceDpi);
    c.vertRes = mmToUnits(c.vertSizeMm, kPageDeviceDpi);
    c.xOffset = c.yOffset = mmToUnits(kPageDeviceMarginMm, kPageDeviceDpi);
    c.paper =
        QSize(mmToUnits(paper.width(), kPageDeviceDpi), mmToUnits(paper.height(), kPageDeviceDpi));
    return d;
}

std::unique_ptr<PrintDevice> PrintDevice::named(const QString& name) {
    if (name.isEmpty()) {
        // Only a station without printers has no name to give.
        if (!QPrinterInfo::availablePrinterNames().isEmpty()) return nullptr;
        return pageDevice();
    }
    QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull()) return nullptr;
    const PrinterSettings& s = printerSettings();
    std::unique_ptr<PrintDevice> d(new PrintDevice);
    d->m_name = name;
    d->m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    QPrinter& p = *d->m_printer;
    p.setPageSize(s.pageSize);
    p.setPageOrientation(s.orientation);
    p.setFullPage(false);
    QRect page = p.pageRect(QPrinter::DevicePixel).toRect();
    QRectF pageMm = p.pageRect(QPrinter::Millimeter);
    QRect paper = p.paperRect(QPrinter::DevicePixel).toRect();
    DeviceCaps& c = d->m_caps;
    c.logPixelX = p.logicalDpiX();
    c.logPixelY = p.logicalDpiY();
    c.horzRes = page.width();
    c.vertRes = page.height();
    c.xOffset = page.left() - paper.left();
    c.yOffset = page.top() - paper.top();
    c.horzSizeMm = pageMm.width();
    c.vertSizeMm = pageMm.height();
    c.paper = paper.size();
    if (c.horzRes <= 0 || c.vertRes <= 0 || c.logPixelX <= 0 || c.logPixelY <= 0) return nullptr;
    return d;
}

std::unique_ptr<PrintDevice> PrintDevice::selected() {
    return named(prnGetName());
}

QPoint prnOffset(const PrintDevice& device) {
    return {device.caps().xOffset, device.caps().yOffset};
}

}  // namespace drav::print
