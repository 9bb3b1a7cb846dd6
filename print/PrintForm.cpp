#include "print/PrintForm.h"

#include "util/Messages.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "print/PrinterSettings.h"

namespace drav::print {
namespace {

QLineEdit* digitsEdit(const QString& id, int value, QWidget* parent) {
    auto* e = new QLineEdit(QString::number(value), parent);
    e->setObjectName(id);
    e->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), e));
    e->setMaxLength(5);
    e->setFixedWidth(60);
    e->setAlignment(Qt::AlignRight);
    return e;
}

int number(const QLineEdit* e) {
    return e->text().trimmed().toInt();
}

}  // namespace

PrintForm::PrintForm(const QString& printer, int pageCount, QWidget* parent)
    : QDialog(parent), m_pageCount(pageCount) {
    setObjectName(QStringLiteral("PRINT"));
    setWindowTitle(QStringLiteral("Stampa"));

    auto* printerBox = new QGroupBox(QStringLiteral("Stampante"), this);
    m_printer = new QComboBox(printerBox);
    m_printer->setObjectName(QStringLiteral("101"));
    QStringList names = aDevNames();
    if (!names.contains(printer)) names.prepend(printer);
    m_printer->addItems(names);
    m_printer->setCurrentIndex(int(names.indexOf(printer)));
    m_printer->setMinimumWidth(280);
    (new QVBoxLayout(printerBox))->addWidget(m_printer);

    auto* rangeBox = new QGroupBox(QStringLiteral("Intervallo di stampa"), this);
    m_all = new QRadioButton(QStringLiteral("Tutte"), rangeBox);
    m_all->setObjectName(QStringLiteral("102"));
    m_current = new QRadioButton(QStringLiteral("Pagina corrente"), rangeBox);
    m_current->setObjectName(QStringLiteral("103"));
    m_selection = new QRadioButton(QStringLiteral("Selezione"), rangeBox);
    m_selection->setObjectName(QStringLiteral("104"));
    m_all->setChecked(true);
    m_from = digitsEdit(QStringLiteral("105"), 1, rangeBox);
    m_to = digitsEdit(QStringLiteral("106"), pageCount, rangeBox);
    auto* grid = new QGridLayout(rangeBox);
    grid->addWidget(m_all, 0, 0);
    grid->addWidget(m_current, 1, 0);
    grid->addWidget(m_selection, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("da"), rangeBox), 2, 1);
    grid->addWidget(m_from, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("a"), rangeBox), 2, 3);
    grid->addWidget(m_to, 2, 4);

    m_copies = digitsEdit(QStringLiteral("107"), 1, this);
    auto* copiesRow = new QHBoxLayout;
    copiesRow->addWidget(new QLabel(QStringLiteral("Copie:"), this));
    copiesRow->addWidget(m_copies);
    copiesRow->addStretch();

    auto* confirm = new QPushButton(QStringLiteral("&Conferma"), this);
    confirm->setObjectName(QStringLiteral("201"));
    confirm->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("&Annulla"), this);
    cancelButton->setObjectName(QStringLiteral("202"));
    connect(confirm, &QPushButton::clicked, this, &PrintForm::accept);
    connect(cancelButton, &QPushButton::clicked, this, &PrintForm::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addWidget(rangeBox);
    layout->addLayout(copiesRow);
    layout->addLayout(buttons);

    auto modified = [this] { m_modified = true; };
    for (QRadioButton* r : {m_all, m_current, m_selection}) {
        connect(r, &QRadioButton::clicked, this, [this, modified] {
            modified();
            updateWhen();
        });
    }
    connect(m_printer, &QComboBox::currentIndexChanged, this, modified);
    for (QLineEdit* e : {m_from, m_to, m_copies})
        connect(e, &QLineEdit::textEdited, this, modified);
    updateWhen();
}

void PrintForm::updateWhen() {
    const bool selection = m_selection->isChecked();
    m_from->setEnabled(selection);
    m_to->setEnabled(selection);
}

PrintChoice PrintForm::choice() const {
    PrintChoice c;
    c.printer = m_printer->currentText();
    c.range = m_current->isChecked() ? 2 : m_selection->isChecked() ? 3 : 1;
    c.from = number(m_from);
    c.to = number(m_to);
    c.copies = number(m_copies);
    return c;
}

bool PrintForm::validate() {
    const PrintChoice c = choice();
    auto fail = [](QWidget* control) {
        msgInfo(QStringLiteral("Campo non valido."));
        control->setFocus();
        return false;
    };
    if (c.printer.trimmed().isEmpty()) return fail(m_printer);
    if (c.range == 3) {
        if (c.from < 1 || c.from > m_pageCount) return fail(m_from);
        if (c.to < c.from || c.to < 1 || c.to > m_pageCount) return fail(m_to);
    }
    return true;
}

void PrintForm::accept() {
    if (validate()) QDialog::accept();
}

}  // namespace drav::print
