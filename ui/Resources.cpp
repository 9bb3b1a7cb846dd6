#include "ui/Resources.h"

#include <QFile>
#include <QImageReader>

// The resource initialiser lives in the global namespace (Qt's macro needs it).
static void initUiResources() {
    Q_INIT_RESOURCE(ui);
}

namespace drav::ui {
namespace {

QString pathOf(const QString& name) {
    return QStringLiteral(":/bitmaps/") + name.toUpper() + QStringLiteral(".svg");
}

}  // namespace

void initResources() {
    static const bool done = (initUiResources(), true);
    (void)done;
}

bool hasBitmap(const QString& name) {
    initResources();
    return QFile::exists(pathOf(name));
}

QPixmap bitmap(const QString& name, QSize size) {
    initResources();
    // Drawn by the image plug-in for SVG (Debian libqt6svg6), at the size
    // asked for, so the artwork stays sharp at any scale.
    QImageReader reader(pathOf(name));
    if (!size.isEmpty()) reader.setScaledSize(size);
    return QPixmap::fromImage(reader.read());
}

QIcon bitmapIcon(const QString& name) {
    initResources();
    if (!hasBitmap(name)) return {};
    return QIcon(pathOf(name));
}

}  // namespace drav::ui
