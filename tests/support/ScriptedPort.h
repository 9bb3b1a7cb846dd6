// A user port for tests: records every message and wait-box text, and
// answers questions from a queue (the default button when the queue is empty).
#pragma once

#include "util/UserPort.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace drav::test {

struct ShownMessage {
    QString text;  // as shown: O2A applied, lines joined by "\r\n"
    int mode;
    QString title;
};

class ScriptedPort : public UserPort {
public:
    // Shared with the test while the port is installed.
    struct Log {
        std::vector<ShownMessage> messages;
        std::vector<QString> waitTexts;  // every text the wait box showed, in order
        std::vector<QString> waitTitles;  // the title of every wait box opened, in order
        std::deque<int> answers;         // buttons: 1 OK, 2 Cancel, 6 Yes, 7 No
        int beeps = 0;
        int waitOpens = 0;
        int waitCloses = 0;
        bool waitOpen = false;
        int disabled = 0;  // windows disabled now
        // Called with the text of every wait box opened (a test lets another
        // station go on once the wait it expects is on screen).
        std::function<void(const QString&)> onWaitOpen;
    };

    explicit ScriptedPort(std::shared_ptr<Log> log) : m_log(std::move(log)) {}

    int showMessage(const QString& text, int mode, const QString& title) override;
    void beep() override { ++m_log->beeps; }
    void openWaitBox(const QString& text, const QString& title, std::optional<int>,
                     std::optional<int>, bool) override;
    void setWaitText(const QString& text, bool) override { m_log->waitTexts.push_back(text); }
    void setWaitPos(int) override {}
    void closeWaitBox() override;
    void processEvents() override {}
    void waitForEvents() override {}
    void disableActiveWindow() override { ++m_log->disabled; }
    void enableDisabledWindow() override { --m_log->disabled; }

private:
    std::shared_ptr<Log> m_log;
};

// Installs a scripted port for the lifetime of the object and restores the
// previous one afterwards.
class ScopedScriptedPort {
public:
    ScopedScriptedPort();
    ~ScopedScriptedPort();
    ScriptedPort::Log& log() { return *m_log; }
    void answer(int button) { m_log->answers.push_back(button); }

private:
    std::shared_ptr<ScriptedPort::Log> m_log;
    std::unique_ptr<UserPort> m_previous;
};

}  // namespace drav::test
