// The bitmaps of the print windows (our own drawings in resources/print).
#pragma once

#include <QCursor>
#include <QIcon>
#include <QString>

namespace drav::print {

// "TOP", "PREVIOUS", "NEXT", "BOTTOM", "ZOOM", "PRINT", "SAVEPDF",
// "SENDMAIL", "EXIT", "ICONA".
QIcon printIcon(const QString& name);
// The zoom cursor of the preview.
QCursor zoomCursor();

}  // namespace drav::print
