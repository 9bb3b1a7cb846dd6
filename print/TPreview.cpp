#include "print/TPreview.h"

#include "print/PrintForm.h"
#include "print/PrintJob.h"
#include "print/Resources.h"
#include "print/TMetaFile.h"
#include "print/TPrinter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace drav::print {
namespace {

TPreview* g_active = nullptr;

// The main window of the program: the first top-level main window that is
// not a preview.
QWidget* mainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(w) && !qobject_cast<TPreview*>(w)) return w;
    }
    return nullptr;
}

constexpr double kLandscapeZoom = 1.4;
constexpr double kStep = 100;  // device units per scroll step when zoomed

}  // namespace

// ---- 1. run, construction -------------------------------------------------------

void TPreview::run(TPrinter& printer, bool noPrint) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No windows (a console tool): nothing to show the pages in.
        printer.end();
        return;
    }
    QPointer<QWidget> caller = QApplication::activeWindow();
    {
        TPreview preview(printer, noPrint);
        preview.setWindowModality(Qt::ApplicationModal);
        QEventLoop loop;
        connect(&preview, &TPreview::closed, &loop, &QEventLoop::quit);
        preview.showMaximized();
        preview.relayout();
        if (preview.isVisible()) loop.exec();
    }
    printer.end();
    if (caller) caller->activateWindow();
}

TPreview::TPreview(TPrinter& printer, bool noPrint, QWidget* parent)
    : QMainWindow(parent), m_printer(printer), m_noPrint(noPrint), m_outer(g_active) {
    g_active = this;
    setObjectName(QStringLiteral("PREVIEW"));
    QWidget* main = mainWindow();
    setWindowTitle(main ? main->windowTitle() + QStringLiteral(" - ") + printer.cDocument()
                        : printer.cDocument());
    setWindowIcon(printIcon(QStringLiteral("ICONA")));

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(26, 26));
    addToolBar(Qt::TopToolBarArea, bar);
    auto key = [this](int k) { return [this, k] { checkKey(k); }; };
    connect(addButton(QStringLiteral("TOP"), QStringLiteral("Prima pagina"), false),
            &QToolButton::clicked, this, key(Qt::Key_Home));
    connect(addButton(QStringLiteral("PREVIOUS"), QStringLiteral("Pagina precedente"), false),
            &QToolButton::clicked, this, key(Qt::Key_PageUp));
    connect(addButton(QStringLiteral("NEXT"), QStringLiteral("Pagina successiva"), false),
            &QToolButton::clicked, this, key(Qt::Key_PageDown));
    connect(addButton(QStringLiteral("BOTTOM"), QStringLiteral("Ultima pagina"), false),
            &QToolButton::clicked, this, key(Qt::Key_End));
    connect(addButton(QStringLiteral("ZOOM"), QStringLiteral("Zoom"), true), &QToolButton::clicked,
            this, [this] { zoom(); });
    if (!noPrint) {
        connect(addButton(QStringLiteral("PRINT"), QStringLiteral("Stampa documento"), true),
                &QToolButton::clicked, this, [this] { print(); });
    }
    connect(addButton(QStringLiteral("SAVEPDF"), QStringLiteral("Salva come PDF"), true),
            &QToolButton::clicked, this, [this] { m_printer.savePdf(std::nullopt, true, false); });
    connect(addButton(QStringLiteral("SENDMAIL"), QStringLiteral("Invia PDF per email"), false),
            &QToolButton::clicked, this, [this] { m_printer.savePdf(std::nullopt, true, true); });
    connect(
        addButton(QStringLiteral("EXIT"), QStringLiteral("Esci dall'anteprima di stampa"), true),
        &QToolButton::clicked, this, &TPreview::close);
    bar->addSeparator();
    m_counter = new QLabel(bar);
    m_counter->setObjectName(QStringLiteral("counter"));
    QFont counterFont(QStringLiteral("Segoe UI"));
    counterFont.setPixelSize(12);
    m_counter->setFont(counterFont);
    m_counter->setContentsMargins(12, 0, 0, 0);
    bar->addWidget(m_counter);

    auto* message = new QLabel(QStringLiteral("Anteprima di stampa"), this);
    statusBar()->addWidget(message, 1);
    statusBar()->setSizeGripEnabled(false);

    m_area = new QWidget(this);
    m_area->setAutoFillBackground(true);
    QPalette pal = m_area->palette();
    pal.setColor(QPalette::Window, QColor(86, 86, 86));
    m_area->setPalette(pal);
    m_area->installEventFilter(this);
    setCentralWidget(m_area);

    m_oMeta = new TMetaFile(m_area);
    m_oMeta->setObjectName(QStringLiteral("page"));
    m_oMeta->setCursor(zoomCursor());
    m_oMeta->nWidth = printer.nHorzRes();
    m_oMeta->nHeight = printer.nVertRes();
    m_oMeta->onKey = [this](int k) { checkKey(k, true); };
    m_oMeta->onWheel = [this](int delta) { chkWheel(delta); };
    m_oMeta->onClick = [this](QPoint at) { zoom(at); };

    m_oVScroll = new QScrollBar(Qt::Vertical, m_area);
    m_oVScroll->setObjectName(QStringLiteral("vscroll"));
    m_oHScroll = new QScrollBar(Qt::Horizontal, m_area);
    m_oHScroll->setObjectName(QStringLiteral("hscroll"));
    connect(m_oVScroll, &QScrollBar::actionTriggered, this, [this](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                chkScroll(Scroll::Up);
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                chkScroll(Scroll::Down);
                break;
            case QAbstractSlider::SliderPageStepSub:
                chkScroll(Scroll::PageUp);
                break;
            case QAbstractSlider::SliderPageStepAdd:
                chkScroll(Scroll::PageDown);
                break;
            case QAbstractSlider::SliderMove:
                if (m_lZoom) {
                    m_oMeta->nYOrig = m_oVScroll->sliderPosition();
                } else {
                    m_nPage = m_oVScroll->sliderPosition();
                }
                checkKey(0);
                break;
            default:
                return;
        }
        refreshScrollBars();
    });
    connect(m_oHScroll, &QScrollBar::actionTriggered, this, [this](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
            case QAbstractSlider::SliderPageStepSub:
                checkKey(Qt::Key_Left);
                break;
            case QAbstractSlider::SliderSingleStepAdd:
            case QAbstractSlider::SliderPageStepAdd:
                checkKey(Qt::Key_Right);
                break;
            case QAbstractSlider::SliderMove:
                if (m_lZoom) m_oMeta->nXOrig = m_oHScroll->sliderPosition();
                checkKey(0);
                break;
            default:
                return;
        }
        refreshScrollBars();
    });

    loadPage();
    resize(1024, 768);
}

TPreview::~TPreview() {
    if (g_active == this) g_active = m_outer;
}

TPreview* TPreview::active() {
    return g_active;
}

QToolButton* TPreview::addButton(const QString& bitmap, const QString& tip, bool newGroup) {
    auto* bar = findChild<QToolBar*>(QStringLiteral("toolbar"));
    if (newGroup) bar->addSeparator();
    auto* b = new QToolButton(bar);
    b->setObjectName(bitmap);
    b->setIcon(printIcon(bitmap));
    b->setToolTip(tip);
    b->setFixedSize(33, 33);
    b->setIconSize(QSize(26, 26));
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

int TPreview::pageCount() const {
    return int(m_printer.aMeta().size());
}

QString TPreview::counterText() const {
    return QStringLiteral("Pagina: %1 di %2").arg(m_nPage).arg(pageCount());
}

void TPreview::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) Q_EMIT closed();
}

bool TPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area && event->type() == QEvent::Resize) relayout();
    return QMainWindow::eventFilter(watched, event);
}

void TPreview::loadPage() {
    const QStringList& files = m_printer.aMeta();
    if (m_nPage >= 1 && m_nPage <= files.size()) m_oMeta->setFile(files[m_nPage - 1]);
    m_counter->setText(counterText());
}

// ---- 2. layout ------------------------------------------------------------------

double TPreview::limitX() const {
    return std::max(0.0, m_printer.nHorzRes() - m_oMeta->nWidth);
}

double TPreview::limitY() const {
    return std::max(0.0, m_printer.nVertRes() - m_oMeta->nHeight);
}

void TPreview::relayout() {
    if (isMinimized() || !m_area) return;
    const double ratio = double(m_printer.nHorzRes()) / std::max(1, m_printer.nVertRes());
    const int vw = m_oVScroll->sizeHint().width();
    const int hh = m_oHScroll->sizeHint().height();
    const int T = 0, L = 2;
    const int W = m_area->width() - vw - 4;
    int H = m_area->height() - (m_lZoom ? hh : 1);
    if (W <= 0) return;
    if (m_nMaxWidth == 0 && isVisible()) m_nMaxWidth = W;
    const int maxWidth = m_nMaxWidth > 0 ? m_nMaxWidth : W;

    if (!m_lZoom || H <= 0) {
        m_oVScroll->setGeometry(W + 4, T, vw, std::max(H, 0));
        m_oHScroll->hide();
        m_oMeta->nWidth = m_printer.nHorzRes();
        m_oMeta->nHeight = m_printer.nVertRes();
        if (H > 0 && double(W) / H >= ratio) {
            int width = int(std::lround(H * ratio));
            m_oMeta->setGeometry(L + (W - width) / 2, T, width, H);
        } else {
            int height = int(std::lround(W / ratio));
            m_oMeta->setGeometry(L, T + (H - height) / 2, W, height);
        }
    } else {
        m_oVScroll->setGeometry(W + 4, T, vw, H - 2);
        m_oHScroll->setGeometry(L, T + H, W, hh);
        m_oHScroll->show();
        H -= 2;
        m_oMeta->setGeometry(L, T, W, H);
        double nWidth = std::round(double(W) * m_printer.nHorzRes() / maxWidth);
        double nHeight = std::round(double(H) * m_printer.nHorzRes() / maxWidth);
        if (ratio > 1) {
            nWidth = std::round(nWidth / kLandscapeZoom);
            nHeight = std::round(nHeight / kLandscapeZoom);
        }
        m_oMeta->nWidth = nWidth;
        m_oMeta->nHeight = nHeight;
        m_oMeta->nXOrig = std::clamp(m_oMeta->nXOrig, 0.0, limitX());
        m_oMeta->nYOrig = std::clamp(m_oMeta->nYOrig, 0.0, limitY());
    }
    refreshScrollBars();
    m_oMeta->update();
    m_oMeta->setFocus();
}

void TPreview::refreshScrollBars() {
    QSignalBlocker bv(m_oVScroll), bh(m_oHScroll);
    if (m_lZoom) {
        m_oVScroll->setRange(0, int(limitY()));
        m_oVScroll->setValue(int(m_oMeta->nYOrig));
        m_oHScroll->setRange(0, int(limitX()));
        m_oHScroll->setValue(int(m_oMeta->nXOrig));
    } else {
        m_oVScroll->setRange(1, std::max(1, pageCount()));
        m_oVScroll->setValue(m_nPage);
    }
    m_oVScroll->setPageStep(1);
    m_oHScroll->setPageStep(1);
    m_oVScroll->setSingleStep(1);
    m_oHScroll->setSingleStep(1);
}

// ---- 3. navigation ----------------------------------------------------------------

void TPreview::afterEffect(bool pageChanged) {
    if (pageChanged) loadPage();
    m_counter->setText(counterText());
    m_oMeta->update();
    m_oMeta->setFocus();
    refreshScrollBars();
}

void TPreview::checkKey(int key, bool fromView) {
    const int last = pageCount();
    double& x = m_oMeta->nXOrig;
    double& y = m_oMeta->nYOrig;
    const bool zoomedView = fromView && m_lZoom;
    auto toPage = [&](int page) {
        if (page == m_nPage) return;
        m_nPage = page;
        y = 0;
        afterEffect(true);
    };
    auto toOrigin = [&](double& origin, double value) {
        if (value == origin) return;
        origin = value;
        afterEffect(false);
    };
    switch (key) {
        case Qt::Key_Home:
            if (!zoomedView) {
                if (m_nPage != 1) {
                    m_nPage = 1;
                    afterEffect(true);
                }
            } else {
                toOrigin(y, 0);
            }
            return;
        case Qt::Key_End:
            if (!zoomedView) {
                if (m_nPage != last && last > 0) {
                    m_nPage = last;
                    afterEffect(true);
                }
            } else {
                toOrigin(y, limitY());
            }
            return;
        case Qt::Key_PageUp:
            if (m_nPage > 1) toPage(m_nPage - 1);
            return;
        case Qt::Key_PageDown:
            if (m_nPage < last) toPage(m_nPage + 1);
            return;
        case Qt::Key_Up:
            if (!m_lZoom) {
                if (m_nPage > 1) toPage(m_nPage - 1);
            } else {
                toOrigin(y, std::max(0.0, y - kStep));
            }
            return;
        case Qt::Key_Down:
            if (!m_lZoom) {
                if (m_nPage < last) toPage(m_nPage + 1);
            } else {
                toOrigin(y, std::min(limitY(), y + kStep));
            }
            return;
        case Qt::Key_Left:
            if (m_lZoom) toOrigin(x, std::max(0.0, x - kStep));
            return;
        case Qt::Key_Right:
            if (m_lZoom) toOrigin(x, std::min(limitX(), x + kStep));
            return;
        case 0:
            if (!m_lZoom) {
                m_nPage = std::clamp(m_nPage, 1, std::max(1, last));
                afterEffect(true);
            } else {
                x = std::clamp(x, 0.0, limitX());
                y = std::clamp(y, 0.0, limitY());
                afterEffect(false);
            }
            return;
        default:
            return;
    }
}

void TPreview::chkScroll(Scroll code) {
    switch (code) {
        case Scroll::Up:
            checkKey(Qt::Key_Up);
            break;
        case Scroll::Down:
            checkKey(Qt::Key_Down);
            break;
        case Scroll::PageUp:
            if (m_lZoom) {
                checkKey(Qt::Key_Up);
            } else {
                m_nPage -= 10;
                checkKey(0);
            }
            break;
        case Scroll::PageDown:
            if (m_lZoom) {
                checkKey(Qt::Key_Down);
            } else {
                m_nPage += 10;
                checkKey(0);
            }
            break;
    }
}

void TPreview::chkWheel(int delta) {
    checkKey(delta > 0 ? Qt::Key_Up : Qt::Key_Down);
}

void TPreview::zoom(std::optional<QPoint> at) {
    const double sx = m_oMeta->nWidth / std::max(1, m_oMeta->nPixelWidth());
    const double sy = m_oMeta->nHeight / std::max(1, m_oMeta->nPixelHeight());
    m_lZoom = !m_lZoom;
    relayout();
    if (m_lZoom && at) {
        m_oMeta->nYOrig = at->y() * sy - m_oMeta->nHeight / 2;
        m_oMeta->nXOrig = at->x() * sx - m_oMeta->nWidth / 2;
    } else {
        m_oMeta->nXOrig = 0;
        m_oMeta->nYOrig = 0;
    }
    checkKey(0);
    m_oMeta->setCursor(m_lZoom ? QCursor(Qt::ArrowCursor) : zoomCursor());
}

// ---- 4. print -----------------------------------------------------------------------

void TPreview::print() {
    PrintForm form(m_printer.cModel(), pageCount(), this);
    form.move(geometry().topLeft() + QPoint(50, 50));
    if (form.exec() != QDialog::Accepted) return;
    printRecordedPages(m_printer, form.choice(), m_nPage);
}

}  // namespace drav::print
