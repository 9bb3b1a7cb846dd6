#include "print/ProgressForm.h"

#include "print/Resources.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace drav::print {

ProgressForm::ProgressForm(const QString& caption, std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PRINTDLG"));
    setWindowTitle(caption);
    setModal(false);

    auto* icon = new QToolButton(this);
    icon->setObjectName(QStringLiteral("101"));
    icon->setIcon(printIcon(QStringLiteral("PRINT")));
    icon->setIconSize(QSize(32, 32));
    icon->setAutoRaise(true);
    auto* fixed = new QLabel(QStringLiteral("Sto stampando la pagina n.:"), this);
    m_page = new QLabel(this);
    m_page->setObjectName(QStringLiteral("102"));
    m_page->setMinimumWidth(40);
    m_cancel = new QPushButton(QStringLiteral("&Annulla"), this);
    m_cancel->setObjectName(QStringLiteral("201"));
    connect(m_cancel, &QPushButton::clicked, this, [onCancel = std::move(onCancel)] {
        if (onCancel) onCancel();
    });

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(fixed);
    row->addWidget(m_page);
    row->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

void ProgressForm::setPage(int page) {
    m_page->setText(QString::number(page));
    m_page->repaint();
}

void ProgressForm::finish() {
    m_finishing = true;
    close();
}

void ProgressForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void ProgressForm::closeEvent(QCloseEvent* event) {
    if (m_finishing) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

}  // namespace drav::print
