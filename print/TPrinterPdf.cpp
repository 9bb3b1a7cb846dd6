// TPrinter::savePdf: the recorded pages as a PDF file, saved where the user
// chooses or attached to an e-mail.
//
// Each recorded page becomes one PDF page the size of the printer's sheet,
// replayed at its recorded size at the printable area's offsets, so the
// PDF looks like the page the printer would have printed.

#include "print/Launcher.h"
#include "print/PagePicture.h"
#include "print/TMail.h"
#include "print/TPrinter.h"
#include "util/Messages.h"
#include "util/NetMarker.h"
#include "util/Paths.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

namespace drav::print {
namespace {

// The document title as a file name: no folder separators, no quotes or
// control characters that the mail program's command line would trip on.
QString fileNameOf(const QString& title) {
    QString name = title.trimmed();
    for (QChar& ch : name) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch == QLatin1Char('\'') ||
            ch == QLatin1Char('"') || ch.unicode() < 32 || ch.unicode() == 0x7F)
            ch = QLatin1Char('_');
    }
    if (name.isEmpty()) name = QStringLiteral("Stampa");
    return name + QStringLiteral(".pdf");
}

}  // namespace

std::optional<QString> confirmPdfName(QString chosen) {
    if (QFileInfo(chosen).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        chosen += QStringLiteral(".pdf");
    if (QFileInfo::exists(chosen) && !msgAsk(QStringLiteral("Il file ") + chosen +
                                                 QStringLiteral(" già esiste. Lo sovrascrivo?"),
                                             2))
        return std::nullopt;
    return chosen;
}

bool TPrinter::savePdf(const std::optional<QString>& file, bool fromPreview, bool mail) {
    if (!fromPreview) {
        closeWnd();
        m_lPreview = false;
    }
    if (m_aMeta.isEmpty() || !m_dc) return false;

    QString path;
    if (file) {
        path = *file;
    } else if (!mail) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
        QString proposed = QDir::current().filePath(fileNameOf(m_cDocument));
        QString chosen = QFileDialog::getSaveFileName(
            QApplication::activeWindow(), QStringLiteral("Salva in"), proposed,
            QStringLiteral("File PDF (*.pdf)"), nullptr, QFileDialog::DontConfirmOverwrite);
        if (chosen.isEmpty()) return false;
        std::optional<QString> target = confirmPdfName(chosen);
        if (!target) return false;
        path = *target;
    } else {
        std::string folder = instanceFolder();
        path = folder.empty() ? QDir::current().filePath(fileNameOf(m_cDocument))
                              : QString::fromStdString(folder) + fileNameOf(m_cDocument);
    }

    waitMsg(QStringLiteral("Generazione PDF in corso..."));
    bool written = false;
    {
        QPdfWriter writer(path);
        writer.setTitle(m_cDocument);
        writer.setCreator(QStringLiteral("DRAV - Marvesto"));
        writer.setResolution(m_caps.logPixelY);
        const QSize paper = m_caps.paper;
        const double wMm = paper.width() * 25.4 / m_caps.logPixelX;
        const double hMm = paper.height() * 25.4 / m_caps.logPixelY;
        const bool landscape = wMm > hMm;
        QPageSize size(landscape ? QSizeF(hMm, wMm) : QSizeF(wMm, hMm), QPageSize::Millimeter,
                       QString(), QPageSize::ExactMatch);
        writer.setPageLayout(QPageLayout(size,
                                         landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0)));
        QPainter p;
        if (p.begin(&writer)) {
            for (qsizetype i = 0; i < m_aMeta.size(); ++i) {
                if (i > 0) writer.newPage();
                QPicture page;
                page.load(m_aMeta[i]);
                p.save();
                p.scale(double(m_caps.logPixelY) / m_caps.logPixelX, 1.0);
                p.translate(m_caps.xOffset, m_caps.yOffset);
                drawPage(p, page);
                p.restore();
            }
            written = p.end();
        }
    }
    waitClose();
    if (!written) {
        QFile::remove(path);
        msgInfo(QStringLiteral("Impossibile creare il file ") + path + QStringLiteral("."));
        return false;
    }

    if (mail) {
        int code;
        if (!networkMode()) {
            TMail message({}, {}, {}, {}, false, true, {}, {},
                          {{path, QFileInfo(path).fileName()}});
            message.activate();
            code = message.nRetCode();
            message.end();
        } else {
            code = launcher().run(QStringLiteral("thunderbird"),
                                  {QStringLiteral("-compose"),
                                   QStringLiteral("attachment='") + path + QStringLiteral("'")});
        }
        QFile::remove(path);
        if (code != 0) msgInfo(QStringLiteral("Error initializing mail."));
    } else if (fromPreview && !file) {
        launcher().openFile(path);
    }
    return true;
}

}  // namespace drav::print
