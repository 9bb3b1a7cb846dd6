#include "tests/print/PageRecorder.h"

#include <QPainter>
#include <QPainterPath>
#include <QPicture>

#include "print/PagePicture.h"

namespace drav::print::test {
namespace {

class RecordingEngine : public QPaintEngine {
public:
    explicit RecordingEngine(DrawnPage& page) : QPaintEngine(AllFeatures), m_page(page) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyTransform) m_transform = state.transform();
        if (state.state() & DirtyPen) m_pen = state.pen();
        if (state.state() & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) {
            if (state.isClipEnabled() && state.clipOperation() != Qt::NoClip) {
                m_clip = m_transform.mapRect(state.clipRegion().boundingRect().toRectF());
                if (state.clipRegion().isEmpty())
                    m_clip = m_transform.mapRect(state.clipPath().boundingRect());
            } else {
                m_clip.reset();
            }
        }
        if (state.state() & DirtyClipEnabled && !state.isClipEnabled()) m_clip.reset();
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        m_page.texts.push_back(
            {item.text(), m_transform.map(p), item.font(), m_pen.color(), m_clip});
    }
    void drawLines(const QLineF* lines, int n) override {
        for (int i = 0; i < n; ++i) m_page.lines.push_back(m_transform.map(lines[i]));
    }
    void drawLines(const QLine* lines, int n) override {
        for (int i = 0; i < n; ++i) m_page.lines.push_back(m_transform.map(QLineF(lines[i])));
    }
    void drawRects(const QRectF* rects, int n) override {
        for (int i = 0; i < n; ++i) m_page.rects.push_back(m_transform.mapRect(rects[i]));
    }
    void drawRects(const QRect* rects, int n) override {
        for (int i = 0; i < n; ++i) m_page.rects.push_back(m_transform.mapRect(QRectF(rects[i])));
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
        m_page.images.push_back(m_transform.mapRect(r));
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        m_page.images.push_back(m_transform.mapRect(r));
    }
    void drawPolygon(const QPointF* points, int n, PolygonDrawMode mode) override {
        QPolygonF poly;
        for (int i = 0; i < n; ++i) poly << points[i];
        shape(poly, mode == PolylineMode);
    }
    void drawPath(const QPainterPath& path) override {
        for (const QPolygonF& poly : path.toSubpathPolygons()) shape(poly, false);
    }

    // Lines and rectangles that reach the engine as outlines.
    void shape(QPolygonF poly, bool open) {
        poly = m_transform.map(poly);
        if (poly.size() >= 2 && poly.size() <= 3 &&
            (open || poly.size() == 2 || poly.front() == poly.back())) {
            m_page.lines.push_back(QLineF(poly[0], poly[1]));
        } else if (poly.size() >= 4) {
            m_page.rects.push_back(poly.boundingRect());
        }
    }

private:
    DrawnPage& m_page;
    QTransform m_transform;
    QPen m_pen;
    std::optional<QRectF> m_clip;
};

}  // namespace

QString DrawnPage::allText() const {
    QStringList all;
    for (const auto& t : texts) all << t.text;
    return all.join(QLatin1Char('|'));
}

const DrawnText* DrawnPage::find(const QString& s) const {
    for (const auto& t : texts)
        if (t.text == s) return &t;
    return nullptr;
}

PageRecorder::PageRecorder() : m_engine(std::make_unique<RecordingEngine>(m_page)) {}
PageRecorder::~PageRecorder() = default;

QPaintEngine* PageRecorder::paintEngine() const {
    return m_engine.get();
}

int PageRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 10000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 423;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
    }
}

DrawnPage replayPage(const QString& file) {
    QPicture picture;
    PageRecorder recorder;
    if (picture.load(file)) {
        QPainter p(&recorder);
        drawPage(p, picture);
    }
    return recorder.page();
}

}  // namespace drav::print::test
