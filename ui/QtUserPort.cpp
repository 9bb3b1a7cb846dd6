#include "ui/QtUserPort.h"

#include "ui/Resources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace drav::ui {

int QtUserPort::showMessage(const QString& text, int mode, const QString& title) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("POPMSG"));
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(plain);
    box.setIcon(mode == 1   ? QMessageBox::Information
                : mode == 6 ? QMessageBox::Critical
                            : QMessageBox::Question);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    auto add = [&box](const QString& caption, QMessageBox::ButtonRole role) {
        return box.addButton(caption, role);
    };
    switch (mode) {
        case 1:
            ok = add(QStringLiteral("OK"), QMessageBox::AcceptRole);
            break;
        case 2:
        case 6:
            ok = add(QStringLiteral("OK"), QMessageBox::AcceptRole);
            cancel = add(QStringLiteral("Annulla"), QMessageBox::RejectRole);
            break;
        case 3:
            yes = add(QStringLiteral("Sì"), QMessageBox::YesRole);
            no = add(QStringLiteral("No"), QMessageBox::NoRole);
            cancel = add(QStringLiteral("Annulla"), QMessageBox::RejectRole);
            break;
        default:
            yes = add(QStringLiteral("Sì"), QMessageBox::YesRole);
            no = add(QStringLiteral("No"), QMessageBox::NoRole);
            break;
    }
    box.setDefaultButton(mode == 5 ? no : (ok ? ok : yes));
    box.setEscapeButton(cancel ? cancel : (no ? static_cast<QAbstractButton*>(no) : ok));
    box.exec();

    QAbstractButton* pressed = box.clickedButton();
    if (!pressed) pressed = cancel ? cancel : (no ? no : ok);
    if (pressed == ok) return 1;
    if (pressed == yes) return 6;
    if (pressed == no) return 7;
    return 2;
}

void QtUserPort::beep() {
    QApplication::beep();
}

void QtUserPort::openWaitBox(const QString& text, const QString& title,
                             std::optional<int> rangeStart, std::optional<int> rangeEnd,
                             bool printVariant) {
    m_box.create(text, title, rangeStart, rangeEnd, printVariant);
}

void QtUserPort::setWaitText(const QString& text, bool keepSize) {
    // The print variant is told its page count as text; nPag mirrors it.
    if (m_box.isPrintVariant()) {
        bool isCount = false;
        int n = text.toInt(&isCount);
        if (isCount) m_box.nPag = n;
    }
    m_box.setMsg(text, keepSize);
}

void QtUserPort::setWaitPos(int position) {
    m_box.setPos(position);
}

void QtUserPort::closeWaitBox() {
    m_box.end();
}

void QtUserPort::processEvents() {
    QCoreApplication::processEvents();
}

void QtUserPort::waitForEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtUserPort::disableActiveWindow() {
    QPointer<QWidget> w = QApplication::activeWindow();
    if (w) w->setEnabled(false);
    m_disabled.push_back(w);
}

void QtUserPort::enableDisabledWindow() {
    if (m_disabled.empty()) return;
    QPointer<QWidget> w = m_disabled.back();
    m_disabled.pop_back();
    if (w) w->setEnabled(true);
}

QtUserPort& installQtUserPort() {
    initResources();
    auto port = std::make_unique<QtUserPort>();
    QtUserPort& ref = *port;
    setUserPort(std::move(port));
    return ref;
}

}  // namespace drav::ui
