#include "print/Resources.h"

#include <QPixmap>

// The resource initialiser must be called from the global namespace: the
// library is static, so nothing else would pull the resource object in.
static void initPrintResources() {
    Q_INIT_RESOURCE(print);
}

namespace drav::print {
namespace {
void ensureResources() {
    static const bool done = (initPrintResources(), true);
    (void)done;
}
}  // namespace

QIcon printIcon(const QString& name) {
    ensureResources();
    return QIcon(QStringLiteral(":/print/%1.svg").arg(name));
}

QCursor zoomCursor() {
    ensureResources();
    QPixmap pm = QIcon(QStringLiteral(":/print/ZOOMCURSOR.svg")).pixmap(32, 32);
    if (pm.isNull()) return QCursor(Qt::CrossCursor);
    return QCursor(pm, 12, 12);
}

}  // namespace drav::print
