// Replaying a recorded page.
//
// A page is recorded in printer device units. Qt replays a picture scaled
// by the target's resolution over the picture's own nominal one; drawPage
// undoes that, so one recorded unit is one unit of the painter's
// coordinates on every target (the preview, the PDF, a printer).
#pragma once

#include <QPainter>
#include <QPicture>

namespace drav::print {

inline void drawPage(QPainter& painter, const QPicture& page) {
    const QPaintDevice* device = painter.device();
    painter.save();
    if (device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0) {
        painter.scale(double(page.logicalDpiX()) / device->logicalDpiX(),
                      double(page.logicalDpiY()) / device->logicalDpiY());
    }
    painter.drawPicture(0, 0, page);
    painter.restore();
}

}  // namespace drav::print
