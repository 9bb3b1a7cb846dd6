// The print preview: the recorded pages of a printer object in a window of
// their own, from which they are printed, saved as PDF or mailed.
//
// Sections of TPreview.cpp:
//   1. run, construction - the window, tool bar, scroll bars, page view
//   2. layout            - Resize: the whole page, or the zoomed part
//   3. navigation        - CheckKey, ChkScroll, ChkWheel, Zoom
//   4. print             - the print form and the print routine
//
// Zoom. nMaxWidth, the width available to the page at the first layout,
// fixes the zoomed scale for the life of the preview: zoomed, the page's
// full width would be nMaxWidth pixels (a landscape page 1.4 times more).
// Clicking a point of the page zooms so that the point comes to the middle
// of the view, as far as the page edges allow; clicking again shows the
// whole page again. Zoomed, Up and Down scroll by 100 device units.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <optional>

class QLabel;
class QScrollBar;
class QToolButton;

namespace drav::print {

class TMetaFile;
class TPrinter;

class TPreview : public QMainWindow {
    Q_OBJECT
public:
    // New: shows the preview and returns when the user has closed it; the
    // printer is then ended (its page files deleted).
    static void run(TPrinter& printer, bool noPrint);

    // The window alone, not yet shown (run() shows it; tests drive it).
    TPreview(TPrinter& printer, bool noPrint, QWidget* parent = nullptr);
    ~TPreview() override;

    // The preview open now (the innermost when several are), or nullptr.
    static TPreview* active();

    TPrinter& printer() const { return m_printer; }
    int pageCount() const;
    int nPage() const { return m_nPage; }
    bool lZoom() const { return m_lZoom; }
    int nMaxWidth() const { return m_nMaxWidth; }
    TMetaFile* view() const { return m_oMeta; }
    QScrollBar* vScroll() const { return m_oVScroll; }
    QScrollBar* hScroll() const { return m_oHScroll; }
    QString counterText() const;

    // Navigation as the keys, scroll bars, wheel and clicks do it; key 0
    // re-checks the page or the origins.
    void checkKey(int key, bool fromView = false);
    enum class Scroll { Up, Down, PageUp, PageDown };
    void chkScroll(Scroll code);
    void chkWheel(int delta);
    // From the button (no point) or a click on the page (view pixels).
    void zoom(std::optional<QPoint> at = std::nullopt);
    // The print form and the print itself.
    void print();
    // Lays the view out again (the window calls it on every resize).
    void relayout();

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* addButton(const QString& bitmap, const QString& tip, bool newGroup);
    void loadPage();
    void refreshScrollBars();
    void afterEffect(bool pageChanged);
    double limitX() const;
    double limitY() const;

    TPrinter& m_printer;
    bool m_noPrint;
    int m_nPage = 1;
    bool m_lZoom = false;
    int m_nMaxWidth = 0;
    QWidget* m_area = nullptr;
    TMetaFile* m_oMeta = nullptr;
    QScrollBar* m_oVScroll = nullptr;
    QScrollBar* m_oHScroll = nullptr;
    QLabel* m_counter = nullptr;
    QPointer<TPreview> m_outer;  // the preview that was active before this one
};

}  // namespace drav::print
