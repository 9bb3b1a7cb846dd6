// The window of a browse list (TWBrowse): it draws the header band and the
// rows the list has read, and hands every key, click, wheel turn and
// scroll bar action to the list, which moves the table.
//
// Look: a one-pixel frame; the header band filled with a two-step vertical
// gradient, each title in a raised box aligned as its column, the sort
// column with a small triangle; the rows below, one line each, vertically
// centred, with grid lines in the shadow colour; the highlighted row in the
// system highlight colours while the list has the focus, on grey (128, 128,
// 128) when it does not; the vertical scroll bar at the right edge.
#pragma once

#include <QPointer>
#include <QWidget>

class QScrollBar;

namespace drav::ui {

class TWBrowse;

class BrowseView : public QWidget {
    Q_OBJECT
public:
    explicit BrowseView(QWidget* parent);

    void setBrowse(TWBrowse* browse) { m_browse = browse; }
    QScrollBar* vScrollBar() const { return m_vScroll; }
    QScrollBar* hScrollBar() const { return m_hScroll; }
    void showHScroll(bool on);
    // The area of the header and the rows (inside the frame, left of the
    // vertical scroll bar, above the horizontal one).
    QRect dataArea() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void placeScrollBars();
    void paintHeader(class QPainter& p, const QRect& area);
    void paintRows(class QPainter& p, const QRect& area);

    QPointer<TWBrowse> m_browse;
    QScrollBar* m_vScroll;
    QScrollBar* m_hScroll;
};

}  // namespace drav::ui
