#include "shell/EchoPort.h"

namespace drav::shell {

EchoPort::EchoPort(std::unique_ptr<UserPort> inner, Sink sink)
    : m_inner(std::move(inner)), m_sink(std::move(sink)) {}

QString EchoPort::oneLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(";"));
    line.replace(QLatin1Char('\n'), QLatin1Char(';'));
    line.replace(QLatin1Char('\r'), QLatin1Char(';'));
    return line;
}

int EchoPort::showMessage(const QString& text, int mode, const QString& title) {
    m_lastMessage = oneLine(text);
    m_sink(*m_lastMessage);
    return m_inner->showMessage(text, mode, title);
}

void EchoPort::beep() {
    m_inner->beep();
}

void EchoPort::openWaitBox(const QString& text, const QString& title, std::optional<int> rangeStart,
                           std::optional<int> rangeEnd, bool printVariant) {
    if (!text.isEmpty()) m_sink(oneLine(text));
    m_inner->openWaitBox(text, title, rangeStart, rangeEnd, printVariant);
}

void EchoPort::setWaitText(const QString& text, bool keepSize) {
    if (!text.isEmpty()) m_sink(oneLine(text));
    m_inner->setWaitText(text, keepSize);
}

void EchoPort::setWaitPos(int position) {
    m_inner->setWaitPos(position);
}

void EchoPort::closeWaitBox() {
    m_inner->closeWaitBox();
}

void EchoPort::processEvents() {
    m_inner->processEvents();
}

void EchoPort::waitForEvents() {
    m_inner->waitForEvents();
}

void EchoPort::disableActiveWindow() {
    m_inner->disableActiveWindow();
}

void EchoPort::enableDisabledWindow() {
    m_inner->enableDisabledWindow();
}

}  // namespace drav::shell
