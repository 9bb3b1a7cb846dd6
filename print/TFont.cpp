#include "print/TFont.h"

#include "print/TPrinter.h"

#include <algorithm>
#include <cmath>

namespace drav::print {
namespace {
constexpr int kScreenDpi = 96;
}

TFont::TFont(const QString& face, double points, bool bold, bool italic, bool underline)
    : m_face(face), m_points(points) {
    build(int(std::lround(kScreenDpi * points / 72.0)), bold, italic, underline);
}

TFont::TFont(const TPrinter& device, const QString& face, double points, bool bold, bool italic,
             bool underline)
    : m_face(face), m_points(points), m_hasDevice(true) {
    build(int(std::lround(device.nLogPixelY() * points / 72.0)), bold, italic, underline);
}

TFont TFont::forDevice(const TPrinter& device, double heightFactor) const {
    TFont f(device, m_face, m_points * heightFactor, bold(), italic(), underline());
    f.m_points = m_points;
    return f;
}

void TFont::build(int pixelHeight, bool bold, bool italic, bool underline) {
    m_height = std::max(pixelHeight, 1);
    m_font = QFont(m_face);
    m_font.setPixelSize(m_height);
    m_font.setBold(bold);
    m_font.setItalic(italic);
    m_font.setUnderline(underline);
    // Unhinted outlines scale linearly, so a width measured here is the
    // width drawn on the printer, in the preview and in the PDF.
    m_font.setHintingPreference(QFont::PreferNoHinting);
}

}  // namespace drav::print
