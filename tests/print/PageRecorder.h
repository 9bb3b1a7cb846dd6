// A paint device that keeps what is drawn on it instead of pixels: texts
// with their positions, lines, rectangles and images. Tests replay a
// recorded page onto it and check where things landed, in printer device
// units.
#pragma once

#include <QFont>
#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

namespace drav::print::test {

struct DrawnText {
    QString text;
    QPointF baseline;  // left end of the baseline
    QFont font;
    QColor colour;
    std::optional<QRectF> clip;
};

struct DrawnPage {
    std::vector<DrawnText> texts;
    std::vector<QLineF> lines;
    std::vector<QRectF> rects;  // outlines and fills
    std::vector<QRectF> images;

    // The texts in drawing order, joined with "|".
    QString allText() const;
    // The first text equal to s (nullptr when none).
    const DrawnText* find(const QString& s) const;
};

class PageRecorder : public QPaintDevice {
public:
    PageRecorder();
    ~PageRecorder() override;
    QPaintEngine* paintEngine() const override;
    DrawnPage& page() { return m_page; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    DrawnPage m_page;
    std::unique_ptr<QPaintEngine> m_engine;
};

// Replays a page file onto a recorder and returns what was drawn.
DrawnPage replayPage(const QString& file);

}  // namespace drav::print::test
