// The bitmaps and icons the forms name by resource name ("KOLT", "PRINT",
// "DBCOMBO", "OK", "CANCEL", "EXCLAMATION"): our own artwork, compiled into
// the program through the Qt resource system (ui/ui.qrc).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace drav::ui {

// Registers the compiled resources; safe to call any number of times.
void initResources();

// True when a bitmap of that name exists.
bool hasBitmap(const QString& name);
// The bitmap drawn at the given size (its own size when size is empty);
// a null pixmap when the name is unknown.
QPixmap bitmap(const QString& name, QSize size = {});
QIcon bitmapIcon(const QString& name);

}  // namespace drav::ui
