#include "ui/TImage.h"

#include "ui/Resources.h"

#include <QLabel>

namespace drav::ui {

TImage::TImage(int id, TContainer& form, const QString& bitmapName, std::source_location where)
    : TControl(id, Binding{}, form, where), cBitmap(bitmapName) {
    if (QLabel* l = attach<QLabel>(id)) l->setAlignment(Qt::AlignCenter);
}

void TImage::refresh() {
    if (auto* l = qobject_cast<QLabel*>(m_widget.data())) l->setPixmap(bitmap(cBitmap, l->size()));
}

void TImage::setBitmap(const QString& bitmapName) {
    cBitmap = bitmapName;
    refresh();
}

}  // namespace drav::ui
