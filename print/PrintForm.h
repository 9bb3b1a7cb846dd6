// The print form of the preview ("PRINT", caption "Stampa"): printer,
// range of pages and copies.
//
//   101 printer (combo box, the installed printers)   not empty
//   102 "Tutte", 103 "Pagina corrente", 104 "Selezione"
//   105 first page ("da")   1 .. pages        only with "Selezione"
//   106 last page ("a")     first .. pages    only with "Selezione"
//   107 copies ("Copie:")
//   201 "&Conferma" (the default button), 202 "&Annulla"
//
// The rules run when the form is confirmed, in control order; the first
// failure shows "Campo non valido." and keeps the form open on that field.
#pragma once

#include "print/PrintJob.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace drav::print {

class PrintForm : public QDialog {
    Q_OBJECT
public:
    PrintForm(const QString& printer, int pageCount, QWidget* parent = nullptr);

    // The values as they stand on the form.
    PrintChoice choice() const;
    // Runs the rules; true when the form may close confirmed.
    bool validate();
    bool lModify() const { return m_modified; }

public Q_SLOTS:
    void accept() override;

private:
    void updateWhen();

    int m_pageCount;
    bool m_modified = false;
    QComboBox* m_printer;
    QRadioButton* m_all;
    QRadioButton* m_current;
    QRadioButton* m_selection;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QLineEdit* m_copies;
};

}  // namespace drav::print
