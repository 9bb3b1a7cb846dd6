#include "tests/support/gui/FormShot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace drav::test {

QString saveFormShot(QWidget* window, const QString& name) {
    if (!window) return {};
    QString dir = qEnvironmentVariable("DRAV_SHOT_DIR");
    if (dir.isEmpty()) {
        const QString bin = qEnvironmentVariable("DRAV_TEST_BIN_DIR");
        dir = (bin.isEmpty() ? QDir::tempPath() : bin) + QStringLiteral("/shots");
    }
    if (!QDir().mkpath(dir)) return {};
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    return window->grab().save(path) ? path : QString();
}

}  // namespace drav::test
