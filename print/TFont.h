// A font for the printer: a face, a height in points, bold, italic and
// underline.
//
// A font created for a printer has its height in device pixels,
// logPixelY * points / 72, the character height (leading not counted). A
// font created without a device only describes itself: the report engine
// re-creates such fonts for its printer. "Arial", "Courier New" and "Segoe
// UI" are asked for by name; the system maps them to metric-compatible
// faces.
#pragma once

#include <QFont>
#include <QString>

namespace drav::print {

class TPrinter;

class TFont {
public:
    TFont(const QString& face, double points, bool bold = false, bool italic = false,
          bool underline = false);
    TFont(const TPrinter& device, const QString& face, double points, bool bold = false,
          bool italic = false, bool underline = false);

    // The same face and style for the device; heightFactor scales the
    // height (the report engine narrows "Courier New" this way).
    TFont forDevice(const TPrinter& device, double heightFactor = 1.0) const;

    const QString& face() const { return m_face; }
    double points() const { return m_points; }
    bool bold() const { return m_font.bold(); }
    bool italic() const { return m_font.italic(); }
    bool underline() const { return m_font.underline(); }
    bool hasDevice() const { return m_hasDevice; }
    // The height in device pixels (screen pixels for a font without device).
    int nHeight() const { return m_height; }
    const QFont& qfont() const { return m_font; }

private:
    void build(int pixelHeight, bool bold, bool italic, bool underline);

    QString m_face;
    double m_points;
    bool m_hasDevice = false;
    int m_height = 0;
    QFont m_font;
};

}  // namespace drav::print
