#include "tests/support/gui/ModalScript.h"

#include "ui/EventGuard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace drav::test {

ModalScript::ModalScript(int timeoutMs) : m_timeoutMs(timeoutMs) {
    m_clock.start();
    QTimer::singleShot(10, this, [this] { poll(); });
}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::on(const QString& windowName, std::function<void(QWidget*)> step) {
    m_steps.push_back({windowName, std::move(step)});
    return *this;
}

QString ModalScript::pending() const {
    QStringList names;
    for (const Step& s : m_steps) names << s.name;
    return names.join(QLatin1String(", "));
}

void ModalScript::poll() {
    // Schedule the next look first: the step below may start a nested loop.
    // Looking goes on after the last step, so that a window nobody expected
    // is still closed at the time limit.
    QTimer::singleShot(10, this, [this] { poll(); });
    if (m_clock.elapsed() > m_timeoutMs && QApplication::activeModalWidget()) {
        m_timedOut = true;
        m_steps.clear();
        ui::rejectModalWindows();
        return;
    }
    if (m_steps.empty()) return;
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || w->objectName() != m_steps.front().name) return;
    for (const QPointer<QWidget>& busy : m_working)
        if (busy == w) return;
    // Keys go to the focused widget: the window must be active when the step
    // starts. Activation arrives through the event queue and a window shown
    // just before may still take it back, so the step waits for a later look
    // that finds its window active instead of typing into one that is not.
    if (!w->isActiveWindow()) {
        w->activateWindow();
        return;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    m_working.emplace_back(w);
    step.fn(w);
    m_working.pop_back();
}

QAbstractButton* findButton(QWidget* window, const QString& text) {
    if (!window) return nullptr;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        QString t = b->text();
        t.remove(QLatin1Char('&'));
        if (t == text) return b;
    }
    return nullptr;
}

bool clickButton(QWidget* window, const QString& text) {
    QAbstractButton* b = findButton(window, text);
    if (!b) return false;
    b->click();
    return true;
}

QString messageBoxText(QWidget* box) {
    auto* m = qobject_cast<QMessageBox*>(box);
    return m ? m->text() : QString();
}

}  // namespace drav::test
