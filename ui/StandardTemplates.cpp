// The framework's own dialog templates: the one-line input prompt (MSGGET),
// the about box (INFOS), the print-progress box (PRINTDLG), the in-place
// editor of a browse list (EDCOL) and the drop-down pick list (DBCOMBO).
#include "ui/FormTemplate.h"

#include <QDialog>
#include <QHash>
#include <QLabel>
#include <QPushButton>

namespace drav::ui {
namespace {

// MSGGET: label 101 (the prompt), edit field 102, buttons 201 "&Conferma"
// (the default button: Enter in the field confirms) and 202 "&Annulla".
void msgGetTemplate(QWidget& w) {
    TemplateBuilder b(w, 200, 62);
    b.say(101, QString(), QRect(8, 7, 184, 10));
    b.get(102, QRect(8, 19, 184, 13));
    b.button(201, QStringLiteral("&Conferma"), QRect(88, 40, 50, 15), true);
    b.button(202, QStringLiteral("&Annulla"), QRect(142, 40, 50, 15));
}

// INFOS: the maker's bitmap 101, labels 102 (title), 103 (version), 104
// (year) and 105, the supplier's lines under a separator, button 201.
void infosTemplate(QWidget& w) {
    TemplateBuilder b(w, 200, 138);
    b.image(101, QStringLiteral("KOLT"), QRect(10, 10, 36, 36));
    QLabel* title = b.say(102, QString(), QRect(56, 10, 136, 11));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPixelSize(bold.pixelSize() + 2);
    title->setFont(bold);
    b.say(103, QString(), QRect(56, 23, 136, 9));
    b.say(104, QString(), QRect(56, 33, 136, 9));
    b.say(105, QString(), QRect(56, 43, 136, 9));
    b.line(QRect(8, 58, 184, 2));
    b.say(kStaticId, QStringLiteral("KOLT Software di Marvesto"), QRect(10, 64, 180, 9));
    b.say(kStaticId, QStringLiteral("Via dei Corrieri 14 - 20121 Milano (MI)"),
          QRect(10, 74, 180, 9));
    b.say(kStaticId, QStringLiteral("Telefono: 02 1234 5678"), QRect(10, 84, 180, 9));
    b.say(kStaticId, QStringLiteral("Email: assistenza@kolt-software.example"),
          QRect(10, 94, 180, 9));
    b.button(201, QStringLiteral("&Chiudi"), QRect(75, 115, 50, 15), true);
}

// PRINTDLG: a frame with bitmap button 101 ("PRINT"), the fixed label and
// label 102 with the page count; button 201 "&Annulla" below the frame.
void printDlgTemplate(QWidget& w) {
    TemplateBuilder b(w, 176, 62, QStringLiteral("Attendere"));
    b.frame(QString(), QRect(5, 3, 166, 38));
    b.bitmapButton(101, QStringLiteral("PRINT"), QRect(11, 10, 24, 25));
    b.say(kStaticId, QStringLiteral("Sto stampando la pagina n.:"), QRect(40, 17, 100, 10));
    b.say(102, QString(), QRect(142, 17, 24, 10));
    b.button(201, QStringLiteral("&Annulla"), QRect(63, 44, 50, 14));
}

// EDCOL: the in-place editor of a browse list's cell: edit field 101 and
// the bitmap buttons 102 "OK" and 103 "CANCEL"; the list places them over
// the cell.
void edColTemplate(QWidget& w) {
    TemplateBuilder b(w, 100, 10);
    b.get(101, QRect(0, 0, 80, 10));
    b.bitmapButton(102, QStringLiteral("OK"), QRect(80, 0, 10, 10));
    b.bitmapButton(103, QStringLiteral("CANCEL"), QRect(90, 0, 10, 10));
}

// DBCOMBO: the drop-down pick list, one browse list 101 filling it; the
// pick list sizes it under its field.
void dbComboTemplate(QWidget& w) {
    TemplateBuilder b(w, 100, 80);
    b.custom(101, QRect(0, 0, 100, 80));
}

}  // namespace

QHash<QString, TemplateFn> standardTemplates() {
    return {
        {QStringLiteral("MSGGET"), msgGetTemplate},     {QStringLiteral("INFOS"), infosTemplate},
        {QStringLiteral("PRINTDLG"), printDlgTemplate}, {QStringLiteral("EDCOL"), edColTemplate},
        {QStringLiteral("DBCOMBO"), dbComboTemplate},
    };
}

}  // namespace drav::ui
