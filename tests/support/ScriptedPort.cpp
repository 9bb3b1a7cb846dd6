#include "tests/support/ScriptedPort.h"

namespace drav::test {

int ScriptedPort::showMessage(const QString& text, int mode, const QString& title) {
    m_log->messages.push_back({text, mode, title});
    if (!m_log->answers.empty()) {
        int a = m_log->answers.front();
        m_log->answers.pop_front();
        return a;
    }
    switch (mode) {
        case 3:
        case 4: return 6;
        case 5: return 7;
        default: return 1;
    }
}

void ScriptedPort::openWaitBox(const QString& text, const QString& title, std::optional<int>,
                               std::optional<int>, bool) {
    ++m_log->waitOpens;
    m_log->waitOpen = true;
    m_log->waitTexts.push_back(text);
    m_log->waitTitles.push_back(title);
    if (m_log->onWaitOpen) m_log->onWaitOpen(text);
}

void ScriptedPort::closeWaitBox() {
    ++m_log->waitCloses;
    m_log->waitOpen = false;
}

ScopedScriptedPort::ScopedScriptedPort() : m_log(std::make_shared<ScriptedPort::Log>()) {
    m_previous = setUserPort(std::make_unique<ScriptedPort>(m_log));
}

ScopedScriptedPort::~ScopedScriptedPort() { setUserPort(std::move(m_previous)); }

}  // namespace drav::test
