// The page view of the preview: one recorded page, or the part of it that
// the zoomed preview shows, scaled into the view.
//
// The part shown starts at (nXOrig, nYOrig) and is nWidth x nHeight printer
// device units; it fills the nPixelWidth x nPixelHeight pixels of the view,
// the two directions scaled independently.
#pragma once

#include <QPicture>
#include <QWidget>
#include <functional>
#include <memory>

namespace drav::print {

class TMetaFile : public QWidget {
    Q_OBJECT
public:
    explicit TMetaFile(QWidget* parent = nullptr);

    // Loads a page file (nothing shown when it cannot be read).
    void setFile(const QString& file);

    int nPixelWidth() const { return width(); }
    int nPixelHeight() const { return height(); }
    double nWidth = 0;
    double nHeight = 0;
    double nXOrig = 0;
    double nYOrig = 0;

    // What the preview does with the keys, the wheel and clicks on the page.
    std::function<void(int key)> onKey;
    std::function<void(int delta)> onWheel;
    std::function<void(QPoint at)> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<QPicture> m_hMeta;
};

}  // namespace drav::print
