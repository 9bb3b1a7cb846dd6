// The wait box: a small window that tells the user the program is busy,
// optionally with a progress bar, or counting the pages being printed.
//
// At most one exists at a time; the message layer (util/Messages.h) holds
// it through the Qt user port. It is not modal: the code that opened it
// goes on working, while the window that was active when it opened stays
// disabled until end(). The user cannot close it (no close box; Esc and
// Alt+F4 are refused): only end() does.
//
// Ordinary box: the exclamation icon, the text in "Segoe UI" of 15 pixels,
// W + 110 pixels wide (W the widest line) and (L + 5) character heights
// high (L the lines, one more with a progress bar), centred.
// Print-progress box: the PRINTDLG template, "Sto stampando la pagina n.:"
// and the count in label 102; its cancel button 201 is hidden and the box
// made 33 pixels less tall, so it cannot be cancelled.
#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <optional>

namespace drav::ui {

class TMsgBox {
public:
    TMsgBox() = default;
    ~TMsgBox();
    TMsgBox(const TMsgBox&) = delete;
    TMsgBox& operator=(const TMsgBox&) = delete;

    QPointer<QDialog> oDlg;       // the box's window
    QPointer<QProgressBar> oPrg;  // its progress bar, when it has one
    QPointer<QWidget> hWnd;       // the window disabled while the box shows
    int nPag = 0;                 // pages counted by the print-progress box

    // New: opens the box (the print-progress variant when print is true).
    void create(const QString& text, const QString& title, std::optional<int> rangeStart,
                std::optional<int> rangeEnd, bool print);
    void end();
    // Replaces the text; unless keepSize, a text of another width resizes
    // the box to fit and centres it again.
    void setMsg(const QString& text, bool keepSize = false);
    void setPos(int position);
    // The pixel width, in the font, of the widest line without trailing blanks.
    static int maxWidth(const QString& text, const QFont& font);
    // Lines of a text: lines end at CR LF, a line longer than 1024
    // characters counts as several.
    static int lineCount(const QString& text);

    bool isOpen() const { return !oDlg.isNull(); }
    bool isPrintVariant() const { return m_print; }
    // The label that shows the text (label 102 in the print variant).
    QLabel* label() const { return m_label; }

    // The font of the ordinary box and its character height.
    static QFont boxFont();
    static constexpr int kCharHeight = 15;

private:
    void placeProgressBar();

    QPointer<QLabel> m_label;
    QString m_text;
    bool m_print = false;
};

}  // namespace drav::ui
