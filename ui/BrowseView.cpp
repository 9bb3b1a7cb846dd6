#include "ui/BrowseView.h"

#include "ui/EventGuard.h"
#include "ui/TWBrowse.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>

namespace drav::ui {
namespace {

constexpr int kFrame = 1;
constexpr int kPad = 3;  // text inside its cell
const QColor kShadow(160, 160, 160);
const QColor kNoFocusBack(128, 128, 128);

Qt::Alignment alignOf(Justify j) {
    switch (j) {
        case Justify::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case Justify::Center:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

BrowseView::BrowseView(QWidget* parent)
    : QWidget(parent),
      m_vScroll(new QScrollBar(Qt::Vertical, this)),
      m_hScroll(new QScrollBar(Qt::Horizontal, this)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_hScroll->hide();
    for (QScrollBar* s : {m_vScroll, m_hScroll}) {
        s->setFocusPolicy(Qt::NoFocus);
        s->setTracking(false);
    }
    // Arrows and page areas move the table as the keys do; a thumb released
    // goes to the record at its position.
    connect(m_vScroll, &QScrollBar::actionTriggered, this, [this](int action) {
        if (!m_browse || action == QAbstractSlider::SliderMove) return;
        runGuarded([&] { m_browse->vScroll(action); });
        if (m_browse)
            m_vScroll->setSliderPosition(
                static_cast<int>(std::max<uint64_t>(1, m_browse->position())));
    });
    connect(m_vScroll, &QScrollBar::sliderReleased, this, [this] {
        if (m_browse) runGuarded([&] { m_browse->vThumb(m_vScroll->sliderPosition()); });
    });
    connect(m_hScroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_browse) runGuarded([&] { m_browse->hScroll(value); });
    });
    placeScrollBars();
}

void BrowseView::showHScroll(bool on) {
    m_hScroll->setVisible(on);
    placeScrollBars();
}

QRect BrowseView::dataArea() const {
    QRect r = rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
    r.setRight(r.right() - m_vScroll->sizeHint().width());
    if (!m_hScroll->isHidden()) r.setBottom(r.bottom() - m_hScroll->sizeHint().height());
    return r;
}

void BrowseView::placeScrollBars() {
    const QRect inner = rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
    const int vw = m_vScroll->sizeHint().width();
    const int hh = m_hScroll->isHidden() ? 0 : m_hScroll->sizeHint().height();
    m_vScroll->setGeometry(inner.right() - vw + 1, inner.top(), vw, inner.height() - hh);
    if (hh) m_hScroll->setGeometry(inner.left(), inner.bottom() - hh + 1, inner.width() - vw, hh);
}

void BrowseView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    placeScrollBars();
    if (m_browse) runGuarded([&] { m_browse->refresh(); });
}

// ---- Painting --------------------------------------------------------------

void BrowseView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = dataArea();
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(kShadow);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_browse) return;
    if (!m_browse->hBkgBmp.isNull()) p.drawTiledPixmap(area, m_browse->hBkgBmp);
    p.setClipRect(area);
    paintHeader(p, area);
    paintRows(p, area);
}

void BrowseView::paintHeader(QPainter& p, const QRect& area) {
    TWBrowse& b = *m_browse;
    const int h = b.headerHeight();
    if (h == 0) return;
    const QRect band(area.left(), area.top(), area.width(), h);
    // Two steps: the upper half light, the lower half a little deeper.
    const int half = h / 2;
    QLinearGradient upper(0, band.top(), 0, band.top() + half);
    upper.setColorAt(0, QColor(254, 254, 255));
    upper.setColorAt(1, QColor(232, 236, 246));
    QLinearGradient lower(0, band.top() + half, 0, band.bottom());
    lower.setColorAt(0, QColor(212, 219, 237));
    lower.setColorAt(1, QColor(222, 227, 244));
    p.fillRect(QRect(band.left(), band.top(), band.width(), half), upper);
    p.fillRect(QRect(band.left(), band.top() + half, band.width(), h - half), lower);

    for (int c = 1; c <= b.colCount(); ++c) {
        QRect cell = b.cellRect(1, c);
        if (cell.isNull()) continue;
        cell.moveTop(band.top());
        cell.setHeight(h);
        // A raised box: light above and left, shadow below and right.
        p.setPen(Qt::white);
        p.drawLine(cell.topLeft(), cell.topRight());
        p.drawLine(cell.topLeft(), cell.bottomLeft());
        p.setPen(kShadow);
        p.drawLine(cell.bottomLeft(), cell.bottomRight());
        p.drawLine(cell.topRight(), cell.bottomRight());
        QRect text = cell.adjusted(kPad, 0, -kPad, 0);
        if (c == b.nColOrder) {
            // The sort column: a small triangle at the right of its title.
            const int s = 4;
            const QPoint tip(cell.right() - kPad - s, cell.center().y() + s / 2);
            QPainterPath tri;
            tri.moveTo(tip.x() - s, tip.y() - s);
            tri.lineTo(tip.x() + s, tip.y() - s);
            tri.lineTo(tip);
            tri.closeSubpath();
            p.fillPath(tri, QColor(96, 96, 96));
            text.setRight(text.right() - 2 * s - 2);
        }
        const QString title = c <= b.aHeaders.size() ? b.aHeaders.at(c - 1).trimmed() : QString();
        p.setPen(b.nClrForeHead);
        p.setFont(b.bFont ? b.bFont(c) : font());
        p.drawText(text, alignOf(b.aJustify[static_cast<size_t>(c) - 1]) | Qt::TextSingleLine,
                   fontMetrics().elidedText(title, Qt::ElideRight, text.width()));
    }
}

void BrowseView::paintRows(QPainter& p, const QRect& area) {
    TWBrowse& b = *m_browse;
    const bool focus = hasFocus();
    const QColor hiFore = b.nClrForeFocus.value_or(palette().color(QPalette::HighlightedText));
    const QColor hiBack =
        focus ? b.nClrBackFocus.value_or(palette().color(QPalette::Highlight)) : kNoFocusBack;
    const QColor fore = palette().color(QPalette::Text);
    const QColor back = palette().color(QPalette::Base);
    for (int r = 1; r <= b.rowsShown(); ++r) {
        for (int c = 1; c <= b.colCount(); ++c) {
            const QRect cell = b.cellRect(r, c);
            if (cell.isNull() || cell.left() > area.right()) continue;
            const bool hi = r == b.nRowPos && (!b.lCellStyle || c == b.nColAct);
            QColor cf = b.cellFore(r, c), cb = b.cellBack(r, c);
            if (hi) {
                cf = hiFore;
                cb = hiBack;
            }
            if (!cf.isValid()) cf = fore;
            if (cb.isValid() || hi)
                p.fillRect(cell, cb);
            else if (b.hBkgBmp.isNull())
                p.fillRect(cell, back);
            const Qt::Alignment align = alignOf(b.aJustify[static_cast<size_t>(c) - 1]);
            const QRect inner = cell.adjusted(kPad, 0, -kPad, 0);
            if (int n = b.cellBitmap(r, c)) {
                QPixmap pm = b.bitmapAt(n);
                if (pm.height() > cell.height() - 2)
                    pm =
                        pm.scaledToHeight(std::max(1, cell.height() - 2), Qt::SmoothTransformation);
                QRect target(QPoint(), pm.size());
                target.moveCenter(cell.center());
                if (align & Qt::AlignLeft) target.moveLeft(inner.left());
                if (align & Qt::AlignRight) target.moveRight(inner.right());
                p.drawPixmap(target, pm);
            } else {
                p.setPen(cf);
                p.setFont(b.bFont ? b.bFont(c) : font());
                // Trailing blanks of a left-aligned cell show nothing; drawn,
                // they would only push its text into an ellipsis.
                QString text = b.cellText(r, c);
                while (text.endsWith(QLatin1Char(' '))) text.chop(1);
                p.drawText(inner, align | Qt::TextSingleLine,
                           p.fontMetrics().elidedText(text, Qt::ElideRight, inner.width()));
            }
            if (b.lCellLines) {
                p.setPen(kShadow);
                p.drawLine(cell.topRight(), cell.bottomRight());
                p.drawLine(cell.bottomLeft(), cell.bottomRight());
            }
        }
    }
}

// ---- Input -----------------------------------------------------------------

void BrowseView::keyPressEvent(QKeyEvent* e) {
    bool taken = false;
    if (m_browse)
        runGuarded([&] { taken = m_browse->keyDown(e->key(), e->modifiers(), e->text()); });
    if (taken)
        e->accept();
    else
        QWidget::keyPressEvent(e);  // the form's keys (Tab, Esc, Enter without an action)
}

void BrowseView::mousePressEvent(QMouseEvent* e) {
    if (!m_browse) return;
    const int flags = (e->button() == Qt::RightButton ? kMouseRight : kMouseLeft) |
                      ((e->modifiers() & Qt::ShiftModifier) ? kMouseShift : 0) |
                      ((e->modifiers() & Qt::ControlModifier) ? kMouseControl : 0);
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::RightButton)
        runGuarded([&] { m_browse->rButtonDown(pos.y(), pos.x(), flags); });
    else if (e->button() == Qt::LeftButton)
        runGuarded([&] { m_browse->lButtonDown(pos.y(), pos.x(), flags); });
}

void BrowseView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!m_browse || e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    runGuarded([&] { m_browse->lDblClick(pos.y(), pos.x(), kMouseLeft); });
}

void BrowseView::wheelEvent(QWheelEvent* e) {
    if (!m_browse) return;
    const int delta = e->angleDelta().y();
    const bool middle = (e->buttons() & Qt::MiddleButton) != 0;
    runGuarded([&] { m_browse->mouseWheel(delta, middle); });
    e->accept();
}

void BrowseView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void BrowseView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

}  // namespace drav::ui
