#include "tests/support/gui/Screenshot.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace drav::test {

QString saveScreenshot(QWidget* widget, const QString& name) {
    QString dir = qEnvironmentVariable("DRAV_SCREENSHOT_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(DRAV_SCREENSHOT_DEFAULT_DIR);
    if (!QDir().mkpath(dir)) return {};
    QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    return widget->grab().save(path, "PNG") ? path : QString();
}

}  // namespace drav::test
