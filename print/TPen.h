// A pen for the printer: style (0 solid, 1 dash, 2 dot, 3 dash-dot,
// 4 dash-dot-dot, 5 none), width in points (device width logPixelX * width
// / 72 pixels, at least one) and colour (black by default).
#pragma once

#include <QColor>
#include <QPen>

namespace drav::print {

class TPrinter;

class TPen {
public:
    TPen(const TPrinter& device, int style = 0, double widthPoints = 0,
         const QColor& colour = Qt::black);
    const QPen& qpen() const { return m_pen; }

private:
    QPen m_pen;
};

}  // namespace drav::print
