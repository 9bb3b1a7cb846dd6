#include "print/TPen.h"

#include "print/TPrinter.h"

#include <algorithm>
#include <cmath>

namespace drav::print {

TPen::TPen(const TPrinter& device, int style, double widthPoints, const QColor& colour) {
    static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                               Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen};
    double width = std::max(1.0, std::round(device.nLogPixelX() * widthPoints / 72.0));
    m_pen = QPen(colour, width, kStyles[std::clamp(style, 0, 5)], Qt::FlatCap, Qt::MiterJoin);
}

}  // namespace drav::print
