// The printer object: one print job, page by page, in device units.
//
// Sections of TPrinter.cpp:
//   1. New, End, EndPrint, Preview, CloseWnd - the job and the progress form
//   2. StartPage, EndPage                     - pages, recorded or printed
//   3. Say, CmSay, SayImage, SayHeader, SayFooter, SetPos, Line, Box,
//      FillRect, Back                         - drawing
//   4. capabilities                           - nHorzRes ... Cmtr2Pix
// SavePDF lives in TPrinterPdf.cpp.
//
// A print follows one order: create the object (preview true: every print
// of the system is previewed), create its fonts and pens, then for each page
// startPage(), the page's drawing calls, endPage(); finally endPrint(),
// which opens the preview; the preview ends the object when it closes.
//
// Recorded pages. With preview on, each page is drawn into a picture saved
// as a page file: the instance folder, character 127, the page number and
// ".WMF" (the content is Qt's picture format). end() deletes them, and so
// does the destructor on every way out.
//
// When no printer could be found the object shows "Impossibile trovare la
// stampante NAME." once and then ignores every call; after the user cancels
// on the progress form the drawing calls do nothing either, so a layout runs
// to its end without testing for either case.
#pragma once

#include "print/PrintDevice.h"
#include "print/PrintText.h"
#include "print/TFont.h"
#include "print/TPen.h"

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

class QPainter;
class QPicture;
class QWidget;

namespace drav::print {

class ProgressForm;

// The PDF file name chosen in the save dialog, as it will be written:
// ".pdf" is added unless the name already ends so (in any letter case);
// when that file exists the user is asked "Il file NAME già esiste. Lo
// sovrascrivo?". Nothing when the user keeps the existing file.
std::optional<QString> confirmPdfName(QString chosen);

class TPrinter {
public:
    // New(document title, preview, no-print, printer name). Without a name
    // the selected printer is used.
    explicit TPrinter(const QString& document = {}, bool preview = false, bool noPrint = false,
                      const std::optional<QString>& printerName = std::nullopt);
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // ---- the job ---------------------------------------------------------
    void startPage();
    void endPage();
    // Preview on: shows the preview (which ends the job when it closes);
    // otherwise end().
    void endPrint();
    // Finishes the job, deletes the page files, goes back to the record the
    // current table was on at creation. Only the first call acts.
    void end();
    // Closes the progress form and, when a page was recorded, opens the
    // preview until the user closes it.
    void preview();
    // Enables the window disabled at creation and closes the progress form.
    void closeWnd();
    // What the cancel button of the progress form does.
    void cancel() { m_lCancel = true; }

    // SavePDF(file, from preview, mail): the recorded pages as a PDF file;
    // without a file the user chooses it (or, for mail, it is made in the
    // instance folder and deleted after the mail step). True when the file
    // was written.
    bool savePdf(const std::optional<QString>& file, bool fromPreview, bool mail);

    // ---- drawing (device units of the printable area) ---------------------
    // Text at (column, row). Without width: align 0 top-left at column, 1
    // ending at column, 2 centred on it. With width: left at column, ending at
    // column + width, or centred on column + width / 2, clipped to the box
    // (column - 3, row) .. (column + width + 2, row + 1.5 * font height).
    // Background mode 1 transparent, 2 opaque. Character 127 is not printed.
    void say(double row, double column, const PrintText& text, const TFont& font,
             std::optional<double> width = std::nullopt, const QColor& colour = Qt::black,
             int bkMode = 1, int align = 0);
    // Text at the drawing position, with the alignment set there (setTextAlign);
    // advances the position past the text when asked to.
    void sayAtPos(const PrintText& text, const TFont& font, const QColor& colour = Qt::black,
                  int bkMode = 1);
    // As say, with row, column and width in centimetres from the paper's edges.
    void cmSay(double row, double column, const PrintText& text, const TFont& font,
               std::optional<double> width = std::nullopt, const QColor& colour = Qt::black,
               int bkMode = 1, int align = 0);
    // An image file stretched into the rectangle; a missing or unreadable
    // file is skipped; a file named without extension is recognised by its
    // content. Fully transparent pixels print white.
    void sayImage(double row, double column, const QString& file, double width, double height);
    void sayBitmap(double row, double column, const QString& file, double width, double height) {
        sayImage(row, column, file, width, height);
    }
    void setPos(double row, double column);
    void line(double top, double left, double bottom, double right, const TPen* pen = nullptr);
    void box(double top, double left, double bottom, double right, const TPen* pen = nullptr);
    void fillRect(double top, double left, double bottom, double right, const QColor& brush);
    // Moves the row position of the page grid up by rows.
    void back(double rows);

    // The alignment used by sayAtPos: 0 left, 1 right, 2 centre; with
    // updatePos the drawing position moves to the text's end after each text.
    void setTextAlign(int align, bool updatePos);
    // The background colour of opaque text (returns the previous one).
    QColor setBkColor(const QColor& colour);
    // Extra width spread over the blanks of the next text drawn.
    void setJustification(double extraWidth);

    // ---- capabilities -------------------------------------------------------
    int nHorzRes() const { return m_caps.horzRes; }
    int nVertRes() const { return m_caps.vertRes; }
    double nHorzSize() const { return m_caps.horzSizeMm; }
    double nVertSize() const { return m_caps.vertSizeMm; }
    int nLogPixelX() const { return m_caps.logPixelX; }
    int nLogPixelY() const { return m_caps.logPixelY; }
    double getTextWidth(const PrintText& text, const TFont& font) const;
    // Centimetres from the paper's edges to device units {row, column}.
    std::pair<double, double> cmtr2Pix(double row, double column) const;

    // ---- fields ------------------------------------------------------------
    const QString& cDocument() const { return m_cDocument; }
    const QString& cModel() const { return m_cModel; }
    bool hasDC() const { return m_dc != nullptr; }
    const PrintDevice* device() const { return m_dc.get(); }
    int nXOffset() const { return m_caps.xOffset; }
    int nYOffset() const { return m_caps.yOffset; }
    int nPage() const { return m_nPage; }
    bool lPreview() const { return m_lPreview; }
    bool lNoPrint() const { return m_lNoPrint; }
    bool lCancel() const { return m_lCancel; }
    const QStringList& aMeta() const { return m_aMeta; }
    ProgressForm* progressForm() const { return m_oDlg.get(); }
    // The whole sheet in device units (the PDF page).
    QSize paperSize() const { return m_caps.paper; }

    // The page file of page n: instance folder, character 127, n, ".WMF".
    static QString pageFileName(int page);

private:
    void drawText(double left, double top, const QString& text, const TFont& font,
                  const QColor& colour, int bkMode, const QRectF* clip);
    bool drawing() const { return m_dc && !m_lCancel && m_out; }

    QString m_cDocument;
    QString m_cModel;
    std::unique_ptr<PrintDevice> m_dc;
    DeviceCaps m_caps;
    int m_nPage = 1;
    bool m_lPreview = false;
    bool m_lNoPrint = false;
    QStringList m_aMeta;
    QPointer<QWidget> m_hWnd;
    std::unique_ptr<ProgressForm> m_oDlg;
    bool m_lCancel = false;
    std::optional<uint32_t> m_nRec;
    bool m_ended = false;
    bool m_jobStarted = false;

    // Where the current page is drawn (the recording or the printer).
    QPainter* m_out = nullptr;
    std::unique_ptr<QPicture> m_picture;
    std::unique_ptr<QPainter> m_recorder;
    std::unique_ptr<QPainter> m_printPainter;

    // Drawing state of the output: alignment, drawing position, background.
    int m_align = 0;
    bool m_updatePos = false;
    QPointF m_pos;
    QColor m_bkColor = Qt::white;
    double m_justify = 0;
};

}  // namespace drav::print
