// A user port that draws through another one and also writes out every
// message box and wait-box text it is given, one line each (line breaks
// written as ";", as the messages are written in the code). The scripted
// driver puts it in front of the Qt port: the run's standard output then
// tells what the user would have read, and the driver checks the last
// message box against its script.
#pragma once

#include "util/UserPort.h"

#include <functional>
#include <memory>
#include <optional>

namespace drav::shell {

class EchoPort : public UserPort {
public:
    using Sink = std::function<void(const QString& line)>;

    EchoPort(std::unique_ptr<UserPort> inner, Sink sink);

    // The text of the last message box, in one line; nothing before the first.
    const std::optional<QString>& lastMessage() const { return m_lastMessage; }
    // Gives the port it draws through back (for the one who installed this one).
    std::unique_ptr<UserPort> release() { return std::move(m_inner); }

    // A shown text in one line: every line break becomes ";".
    static QString oneLine(const QString& text);

    int showMessage(const QString& text, int mode, const QString& title) override;
    void beep() override;
    void openWaitBox(const QString& text, const QString& title, std::optional<int> rangeStart,
                     std::optional<int> rangeEnd, bool printVariant) override;
    void setWaitText(const QString& text, bool keepSize) override;
    void setWaitPos(int position) override;
    void closeWaitBox() override;
    void processEvents() override;
    void waitForEvents() override;
    void disableActiveWindow() override;
    void enableDisabledWindow() override;

private:
    std::unique_ptr<UserPort> m_inner;
    Sink m_sink;
    std::optional<QString> m_lastMessage;
};

}  // namespace drav::shell
