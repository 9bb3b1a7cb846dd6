// The preview window: paging, zoom, scroll bars, the tool bar, and the
// blocking preview driven as the acceptance driver does it.
#include "print/PreviewDriver.h"
#include "print/TMetaFile.h"
#include "print/TPreview.h"
#include "tests/print/PrintFixture.h"

#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace drav::print::test {
namespace {

class PreviewTest : public PrintTest {
protected:
    // A preview laid out in a window of a fixed size, not blocking.
    std::unique_ptr<TPreview> open(TPrinter& doc, bool noPrint = false) {
        auto preview = std::make_unique<TPreview>(doc, noPrint);
        preview->resize(900, 700);
        preview->show();
        preview->relayout();
        return preview;
    }
    void key(TPreview& p, int k) { QTest::keyClick(p.view(), Qt::Key(k)); }
};

TEST_F(PreviewTest, OnePageDocumentHasNowhereToGo) {
    auto doc = makeDocument(1);
    auto preview = open(*doc);
    EXPECT_EQ(preview->counterText(), "Pagina: 1 di 1");
    for (int k :
         {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End, Qt::Key_Up, Qt::Key_Down}) {
        key(*preview, k);
        EXPECT_EQ(preview->nPage(), 1) << k;
    }
    EXPECT_EQ(preview->vScroll()->minimum(), 1);
    EXPECT_EQ(preview->vScroll()->maximum(), 1);
}

TEST_F(PreviewTest, KeysTurnPagesWithinTheDocument) {
    auto doc = makeDocument(5);
    auto preview = open(*doc);
    struct Step {
        int key;
        int page;
    };
    const std::vector<Step> steps = {
        {Qt::Key_PageUp, 1},   {Qt::Key_PageDown, 2}, {Qt::Key_Down, 3}, {Qt::Key_End, 5},
        {Qt::Key_PageDown, 5}, {Qt::Key_Up, 4},       {Qt::Key_Left, 4}, {Qt::Key_Home, 1},
    };
    for (const Step& s : steps) {
        key(*preview, s.key);
        EXPECT_EQ(preview->nPage(), s.page) << "after key " << s.key;
        EXPECT_EQ(preview->vScroll()->value(), s.page);
    }
    EXPECT_EQ(preview->counterText(), "Pagina: 1 di 5");
}

TEST_F(PreviewTest, ScrollBarPageClicksMoveTenPagesAndStopAtTheEnds) {
    auto doc = makeDocument(25);
    auto preview = open(*doc);
    preview->checkKey(Qt::Key_End);
    for (int i = 0; i < 5; ++i) preview->checkKey(Qt::Key_PageUp);
    ASSERT_EQ(preview->nPage(), 20);
    preview->vScroll()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(preview->nPage(), 25);
    EXPECT_EQ(preview->vScroll()->value(), 25);
    preview->vScroll()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(preview->nPage(), 15);
    preview->vScroll()->triggerAction(QAbstractSlider::SliderPageStepSub);
    preview->vScroll()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(preview->nPage(), 1);
    preview->vScroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(preview->nPage(), 2);
    preview->vScroll()->setSliderPosition(12);  // dragging the thumb
    EXPECT_EQ(preview->nPage(), 12);
}

TEST_F(PreviewTest, ClickZoomsOnThePointAndClickAgainShowsTheWholePage) {
    auto doc = makeDocument(3);
    auto preview = open(*doc);
    preview->checkKey(Qt::Key_PageDown);
    TMetaFile* view = preview->view();
    const double unitsPerPixelX = view->nWidth / view->nPixelWidth();
    const double unitsPerPixelY = view->nHeight / view->nPixelHeight();
    const QPoint middle(view->width() / 2, view->height() / 2);
    QTest::mouseClick(view, Qt::LeftButton, {}, middle);
    ASSERT_TRUE(preview->lZoom());
    EXPECT_NEAR(view->nXOrig + view->nWidth / 2, middle.x() * unitsPerPixelX, 1.0);
    EXPECT_NEAR(view->nYOrig + view->nHeight / 2, middle.y() * unitsPerPixelY, 1.0);
    EXPECT_NEAR(view->nWidth,
                std::round(double(view->width()) * doc->nHorzRes() / preview->nMaxWidth()), 1);

    // Near the top-left corner the page edges hold the view.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(preview->lZoom());
    EXPECT_EQ(preview->nPage(), 2);
    EXPECT_EQ(view->nWidth, doc->nHorzRes());
    EXPECT_EQ(view->nXOrig, 0);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(preview->lZoom());
    EXPECT_EQ(view->nXOrig, 0);
    EXPECT_EQ(view->nYOrig, 0);
}

TEST_F(PreviewTest, ZoomedKeysAndWheelScrollWithinThePage) {
    auto doc = makeDocument(3);
    auto preview = open(*doc);
    preview->zoom();
    ASSERT_TRUE(preview->lZoom());
    TMetaFile* view = preview->view();
    const double bottom = doc->nVertRes() - view->nHeight;
    key(*preview, Qt::Key_Down);
    EXPECT_EQ(view->nYOrig, 100);
    preview->chkWheel(-120);
    EXPECT_EQ(view->nYOrig, 200);
    EXPECT_EQ(preview->nPage(), 1);  // the wheel scrolls, it does not turn pages
    key(*preview, Qt::Key_End);
    EXPECT_EQ(view->nYOrig, bottom);
    key(*preview, Qt::Key_Down);
    EXPECT_EQ(view->nYOrig, bottom);
    key(*preview, Qt::Key_Home);
    EXPECT_EQ(view->nYOrig, 0);
    key(*preview, Qt::Key_Up);
    EXPECT_EQ(view->nYOrig, 0);
    key(*preview, Qt::Key_Left);
    EXPECT_EQ(view->nXOrig, 0);
    key(*preview, Qt::Key_Right);
    EXPECT_EQ(view->nXOrig, std::min(100.0, doc->nHorzRes() - view->nWidth));
    EXPECT_EQ(preview->vScroll()->value(), 0);
    key(*preview, Qt::Key_PageDown);  // still turns the page, back at its top
    EXPECT_EQ(preview->nPage(), 2);
    EXPECT_EQ(view->nYOrig, 0);
}

TEST_F(PreviewTest, ZoomedScaleFollowsTheFirstLayoutAndLandscapeZoomsStronger) {
    // Zoomed, the page's full width would take nMaxWidth pixels: in the
    // window of the first layout a portrait page shows its whole width, a
    // landscape page 1 / 1.4 of it.
    auto portraitDoc = makeDocument(1, "Verticale");
    auto portrait = open(*portraitDoc);
    portrait->zoom();
    EXPECT_NEAR(portrait->view()->nWidth, portraitDoc->nHorzRes(), 1);
    // A wider window later shows more of the page at the same scale.
    const double perPixel = portrait->view()->nWidth / portrait->view()->width();
    portrait->resize(1100, 700);
    portrait->relayout();
    EXPECT_NEAR(portrait->view()->nWidth / portrait->view()->width(), perPixel, 0.01);

    prnLandscape();
    auto landscapeDoc = makeDocument(1, "Orizzontale");
    prnPortrait();
    ASSERT_GT(landscapeDoc->nHorzRes(), landscapeDoc->nVertRes());
    auto landscape = open(*landscapeDoc);
    landscape->zoom();
    EXPECT_NEAR(landscape->view()->nWidth, landscapeDoc->nHorzRes() / 1.4, 1);
}

TEST_F(PreviewTest, ToolBarButtonsAndTheNoPrintVariant) {
    auto doc = makeDocument(2);
    auto preview = open(*doc);
    struct Button {
        const char* bitmap;
        const char* tip;
    };
    const std::vector<Button> buttons = {
        {"TOP", "Prima pagina"},
        {"PREVIOUS", "Pagina precedente"},
        {"NEXT", "Pagina successiva"},
        {"BOTTOM", "Ultima pagina"},
        {"ZOOM", "Zoom"},
        {"PRINT", "Stampa documento"},
        {"SAVEPDF", "Salva come PDF"},
        {"SENDMAIL", "Invia PDF per email"},
        {"EXIT", "Esci dall'anteprima di stampa"},
    };
    for (const Button& b : buttons) {
        auto* button = preview->findChild<QToolButton*>(b.bitmap);
        ASSERT_NE(button, nullptr) << b.bitmap;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.tip));
    }
    preview->findChild<QToolButton*>("NEXT")->click();
    EXPECT_EQ(preview->nPage(), 2);

    auto noPrint = open(*doc, true);
    EXPECT_EQ(noPrint->findChild<QToolButton*>("PRINT"), nullptr);
    EXPECT_NE(noPrint->findChild<QToolButton*>("SAVEPDF"), nullptr);
    EXPECT_NE(noPrint->findChild<QToolButton*>("SENDMAIL"), nullptr);
}

// Runs the action once a preview is open (the preview blocks its caller).
void whenPreviewOpens(std::function<void()> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        if (previewPageCount() < 0) return;
        poll->deleteLater();
        poll->stop();
        action();
        closePreview();  // in case the action left it open
    });
    poll->start(5);
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(PreviewTest, DriverExportsCountsAndClosesTheOpenPreview) {
    const QString pdf = QString::fromStdString(m_dir.file("export.pdf"));
    auto doc = makeDocument(3, "Stampa tabulato clienti");
    const QStringList pages = doc->aMeta();
    int counted = -2;
    bool exported = false;
    whenPreviewOpens([&] {
        counted = previewPageCount();
        exported = exportPreviewPdf(pdf);
        EXPECT_TRUE(closePreview());
    });
    doc->endPrint();  // returns when the preview has closed
    EXPECT_EQ(counted, 3);
    EXPECT_TRUE(exported);
    EXPECT_EQ(previewPageCount(), -1);
    for (const QString& f : pages) EXPECT_FALSE(QFile::exists(f));
    EXPECT_TRUE(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+3\\b")));
    const QString text = run("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(text.contains("Pagina 1") && text.contains("Pagina 3")) << text.toStdString();
}

}  // namespace
}  // namespace drav::print::test
