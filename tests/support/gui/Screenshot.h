// Pictures of widgets for reviewers: a test saves what a window looks like,
// and a person opens the PNG.
#pragma once

#include <QString>

class QWidget;

namespace drav::test {

// Saves the widget as drawn now to "<name>.png" in $DRAV_SCREENSHOT_DIR, or
// in build/screenshots/ of the source tree when that is not set; makes the
// folder when needed. Returns the file's path, "" when it could not be saved.
QString saveScreenshot(QWidget* widget, const QString& name);

}  // namespace drav::test
