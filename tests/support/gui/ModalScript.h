// Drives modal windows from a test: each step waits until the active modal
// window has the given objectName (a form's template name, "POPMSG" for a
// message box) and then runs on it. Steps run in order; polling goes on
// inside the nested loops a step starts, so a step may answer a message
// box that the previous step caused.
//
// A script that is still waiting after its time limit closes every modal
// window (without asking) so that a broken test fails instead of hanging.
//
//   ModalScript s;
//   s.on("MSGGET", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
//   EXPECT_FALSE(msgGet(...));
//   EXPECT_TRUE(s.done());
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class QAbstractButton;
class QWidget;

namespace drav::test {

class ModalScript : public QObject {
public:
    explicit ModalScript(int timeoutMs = 10000);
    ~ModalScript() override;

    ModalScript& on(const QString& windowName, std::function<void(QWidget*)> step);
    // All steps ran and the time limit was not reached.
    bool done() const { return m_steps.empty() && !m_timedOut; }
    bool timedOut() const { return m_timedOut; }
    // The names of the steps still waiting (for failure messages).
    QString pending() const;

private:
    void poll();

    struct Step {
        QString name;
        std::function<void(QWidget*)> fn;
    };
    std::deque<Step> m_steps;
    // The windows whose steps are running: a step that types or clicks lets
    // the polling run in between, and the next step must wait for a window
    // of its own rather than start on the one still being worked.
    std::vector<QPointer<QWidget>> m_working;
    QElapsedTimer m_clock;
    int m_timeoutMs;
    bool m_timedOut = false;
};

// The push button of a window whose text (without "&") is the given one.
QAbstractButton* findButton(QWidget* window, const QString& text);
// Clicks it; false when there is no such button.
bool clickButton(QWidget* window, const QString& text);
// The text of a message box (lines joined by "\n").
QString messageBoxText(QWidget* box);

}  // namespace drav::test
