#include "print/TPrinter.h"

#include "print/PageGrid.h"
#include "print/ProgressForm.h"
#include "print/RowSource.h"
#include "print/TPreview.h"
#include "util/Error.h"
#include "util/Messages.h"
#include "util/Paths.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QWidget>
#include <cerrno>

namespace drav::print {
namespace {

QString withoutParagraphEnds(QString text) {
    text.remove(QChar(kParagraphEnd));
    return text;
}

QApplication* widgetApp() {
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

}  // namespace

QString TPrinter::pageFileName(int page) {
    std::string folder = instanceFolder();
    if (folder.empty()) folder = tempFolder() + "/";
    return QString::fromStdString(folder) + QChar(0x7F) + QString::number(page) +
           QStringLiteral(".WMF");
}

// ---- 1. the job -------------------------------------------------------------

TPrinter::TPrinter(const QString& document, bool preview, bool noPrint,
                   const std::optional<QString>& printerName)
    : m_cDocument(document), m_lPreview(preview), m_lNoPrint(noPrint) {
    if (printerName) {
        m_cModel = *printerName;
        m_dc = PrintDevice::named(m_cModel);
    } else {
        m_dc = PrintDevice::selected();
        m_cModel = prnGetName();
    }
    // Printing straight to paper needs a printer; the page device only records.
    if (m_dc && !m_lPreview && !m_dc->canPrint()) m_dc.reset();
    if (!m_dc) {
        msgInfo(QStringLiteral("Impossibile trovare la stampante ") + m_cModel +
                QStringLiteral("."));
        return;
    }
    m_caps = m_dc->caps();
    resetPageGrid();
    if (!m_lPreview) {
        QPrinter* p = m_dc->printer();
        p->setDocName(m_cDocument);
        m_jobStarted = true;
    }
    if (QApplication* app = widgetApp()) {
        m_hWnd = app->activeWindow();
        m_oDlg = std::make_unique<ProgressForm>(m_cDocument, [this] { cancel(); });
        m_oDlg->setPage(m_nPage);
        m_oDlg->show();
        if (m_hWnd) m_hWnd->setEnabled(false);
    }
    if (RowSource* rs = currentRowSource()) m_nRec = rs->recNo();
}

TPrinter::~TPrinter() {
    try {
        end();
    } catch (const Abandoned&) {
        // Nothing left to abandon: the object is going away anyway.
    }
}

void TPrinter::closeWnd() {
    if (m_hWnd) m_hWnd->setEnabled(true);
    m_hWnd.clear();
    if (m_oDlg) {
        m_oDlg->finish();
        m_oDlg.reset();
    }
    if (widgetApp()) QCoreApplication::processEvents();
}

void TPrinter::end() {
    if (!m_dc || m_ended) return;
    m_ended = true;
    closeWnd();
    m_out = nullptr;
    m_recorder.reset();
    m_picture.reset();
    if (m_printPainter) {
        m_printPainter->end();
        m_printPainter.reset();
    }
    m_dc.reset();
    for (const QString& file : std::as_const(m_aMeta)) QFile::remove(file);
    m_aMeta.clear();
    if (m_nRec) {
        if (RowSource* rs = currentRowSource()) rs->goTo(*m_nRec);
    }
}

void TPrinter::endPrint() {
    if (m_lPreview) {
        preview();
    } else {
        end();
    }
}

void TPrinter::preview() {
    closeWnd();
    if (!m_dc || m_ended) return;
    if (m_aMeta.isEmpty()) {
        end();
        return;
    }
    TPreview::run(*this, m_lNoPrint);
}

// ---- 2. pages -----------------------------------------------------------------

void TPrinter::startPage() {
    if (!m_dc || m_lCancel || m_ended) return;
    if (m_oDlg) m_oDlg->setPage(m_nPage);
    if (widgetApp()) QCoreApplication::processEvents();
    if (m_lCancel) return;
    m_align = 0;
    m_updatePos = false;
    m_pos = QPointF();
    if (m_lPreview) {
        m_aMeta.append(pageFileName(m_nPage));
        m_picture = std::make_unique<QPicture>();
        m_recorder = std::make_unique<QPainter>(m_picture.get());
        m_recorder->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                                   QPainter::SmoothPixmapTransform);
        m_out = m_recorder.get();
    } else {
        QPrinter* p = m_dc->printer();
        if (!m_printPainter) {
            m_printPainter = std::make_unique<QPainter>();
            if (!m_printPainter->begin(p)) {
                m_printPainter.reset();
                ErrorInfo e;
                e.genCode = gen::Print;
                e.description = "printer not ready";
                e.fileName = m_cModel.toStdString();
                e.operation = "StartPage";
                raiseError(e);
                return;
            }
        } else {
            p->newPage();
        }
        m_out = m_printPainter.get();
    }
}

void TPrinter::endPage() {
    if (!m_dc || m_ended) return;
    if (m_lPreview && m_recorder) {
        m_recorder->end();
        m_recorder.reset();
        m_out = nullptr;
        m_picture->setBoundingRect(QRect(0, 0, m_caps.horzRes, m_caps.vertRes));
        const QString file = m_aMeta.isEmpty() ? QString() : m_aMeta.last();
        bool saved = m_picture->save(file);
        m_picture.reset();
        if (!saved) {
            int err = errno;
            m_aMeta.removeLast();
            QFile::remove(file);
            ErrorInfo e;
            e.genCode = gen::Create;
            e.osCode = osCodeFromErrno(err);
            e.fileName = file.toStdString();
            e.operation = "EndPage";
            raiseError(e);
        }
    } else if (!m_lPreview) {
        m_out = nullptr;
    }
    ++m_nPage;
    setProw(0);
}

// ---- 3. drawing -----------------------------------------------------------------

void TPrinter::drawText(double left, double top, const QString& text, const TFont& font,
                        const QColor& colour, int bkMode, const QRectF* clip) {
    QFontMetricsF fm(font.qfont());
    QPainter& p = *m_out;
    p.save();
    if (clip) p.setClipRect(*clip);
    p.setFont(font.qfont());
    const double blankWidth = fm.horizontalAdvance(QLatin1Char(' '));
    const int blanks = m_justify > 0 ? int(text.count(QLatin1Char(' '))) : 0;
    const double extra = blanks > 0 ? m_justify / blanks : 0;
    const double width = fm.horizontalAdvance(text) + extra * blanks;
    if (bkMode == 2) p.fillRect(QRectF(left, top, width, fm.height()), m_bkColor);
    p.setPen(colour);
    const double baseline = top + fm.ascent();
    if (extra > 0) {
        // Justified: every blank widened by the same amount, word by word.
        double x = left;
        const QStringList words = text.split(QLatin1Char(' '));
        for (int i = 0; i < words.size(); ++i) {
            if (!words[i].isEmpty()) p.drawText(QPointF(x, baseline), words[i]);
            x += fm.horizontalAdvance(words[i]) + blankWidth + extra;
        }
    } else {
        p.drawText(QPointF(left, baseline), text);
    }
    p.restore();
    m_justify = 0;
}

void TPrinter::say(double row, double column, const PrintText& text, const TFont& font,
                   std::optional<double> width, const QColor& colour, int bkMode, int align) {
    if (!drawing()) return;
    const QString t = withoutParagraphEnds(text.text());
    const double w = getTextWidth(t, font);
    m_align = align;
    m_updatePos = false;
    if (!width) {
        double left = align == 1 ? column - w : align == 2 ? column - w / 2 : column;
        drawText(left, row, t, font, colour, bkMode, nullptr);
        return;
    }
    double left = align == 1   ? column + *width - w
                  : align == 2 ? column + (*width - w) / 2
                               : column;
    QRectF clip(QPointF(column - 3, row), QPointF(column + *width + 2, row + 1.5 * font.nHeight()));
    drawText(left, row, t, font, colour, bkMode, &clip);
}

void TPrinter::sayAtPos(const PrintText& text, const TFont& font, const QColor& colour,
                        int bkMode) {
    if (!drawing()) return;
    const QString t = withoutParagraphEnds(text.text());
    const double extra = m_justify > 0 && t.contains(QLatin1Char(' ')) ? m_justify : 0;
    const double w = getTextWidth(t, font) + extra;
    double left = m_align == 1 ? m_pos.x() - w : m_align == 2 ? m_pos.x() - w / 2 : m_pos.x();
    drawText(left, m_pos.y(), t, font, colour, bkMode, nullptr);
    if (m_updatePos) m_pos.setX(left + w);
}

void TPrinter::cmSay(double row, double column, const PrintText& text, const TFont& font,
                     std::optional<double> width, const QColor& colour, int bkMode, int align) {
    if (!drawing()) return;
    auto [r, c] = cmtr2Pix(row, column);
    if (width) *width = *width * 10 * m_caps.horzRes / m_caps.horzSizeMm;
    say(r, c, text, font, width, colour, bkMode, align);
}

void TPrinter::sayImage(double row, double column, const QString& file, double width,
                        double height) {
    if (!drawing()) return;
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull()) return;
    // Transparent parts print as white paper.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    m_out->save();
    m_out->setRenderHint(QPainter::SmoothPixmapTransform);
    m_out->drawImage(QRectF(column, row, width, height), flat);
    m_out->restore();
}

void TPrinter::setPos(double row, double column) {
    if (!drawing()) return;
    m_pos = QPointF(column, row);
}

void TPrinter::line(double top, double left, double bottom, double right, const TPen* pen) {
    if (!drawing()) return;
    m_out->save();
    m_out->setPen(pen ? pen->qpen() : QPen(Qt::black, 0));
    m_out->drawLine(QPointF(left, top), QPointF(right, bottom));
    m_out->restore();
    m_pos = QPointF(right, bottom);
}

void TPrinter::box(double top, double left, double bottom, double right, const TPen* pen) {
    if (!drawing()) return;
    m_out->save();
    m_out->setPen(pen ? pen->qpen() : QPen(Qt::black, 0));
    m_out->setBrush(Qt::NoBrush);
    m_out->drawRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
    m_out->restore();
}

void TPrinter::fillRect(double top, double left, double bottom, double right, const QColor& brush) {
    if (!drawing()) return;
    m_out->fillRect(QRectF(QPointF(left, top), QPointF(right, bottom)), brush);
}

void TPrinter::back(double rows) {
    setProw(setProw() - rows * m_caps.vertRes / 66.0);
}

void TPrinter::setTextAlign(int align, bool updatePos) {
    m_align = align;
    m_updatePos = updatePos;
}

QColor TPrinter::setBkColor(const QColor& colour) {
    return std::exchange(m_bkColor, colour);
}

void TPrinter::setJustification(double extraWidth) {
    m_justify = extraWidth;
}

// ---- 4. capabilities ------------------------------------------------------------

double TPrinter::getTextWidth(const PrintText& text, const TFont& font) const {
    return QFontMetricsF(font.qfont()).horizontalAdvance(text.text());
}

std::pair<double, double> TPrinter::cmtr2Pix(double row, double column) const {
    if (m_caps.vertSizeMm <= 0 || m_caps.horzSizeMm <= 0) return {0, 0};
    return {row * 10 * m_caps.vertRes / m_caps.vertSizeMm - m_caps.yOffset,
            column * 10 * m_caps.horzRes / m_caps.horzSizeMm - m_caps.xOffset};
}

}  // namespace drav::print
