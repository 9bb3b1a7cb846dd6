#include "print/TMetaFile.h"

#include "print/PagePicture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace drav::print {

TMetaFile::TMetaFile(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TMetaFile::setFile(const QString& file) {
    auto picture = std::make_unique<QPicture>();
    if (!picture->load(file)) picture.reset();
    m_hMeta = std::move(picture);
    update();
}

void TMetaFile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!m_hMeta || nWidth <= 0 || nHeight <= 0) return;
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    p.scale(width() / nWidth, height() / nHeight);
    p.translate(-nXOrig, -nYOrig);
    drawPage(p, *m_hMeta);
}

void TMetaFile::keyPressEvent(QKeyEvent* event) {
    if (onKey) onKey(event->key());
}

void TMetaFile::wheelEvent(QWheelEvent* event) {
    int delta = event->angleDelta().y();
    if (delta != 0 && onWheel) onWheel(delta);
    event->accept();
}

void TMetaFile::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClick) onClick(event->position().toPoint());
}

}  // namespace drav::print
