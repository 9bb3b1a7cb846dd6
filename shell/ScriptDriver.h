// The scripted acceptance driver: "drav --data DIR --script FILE" runs the
// program and follows a plain-text script, one step per line, over its real
// windows. The language is documented in docs/script-driver.md; keep the two
// in step.
//
// Steps act on the active window: the topmost modal window (a form, a
// message box, the print preview, a file dialog), or the main window when
// none is open. Controls are found by their objectName (a form control's
// numeric id, "101").
//
// How a run goes. A timer runs one step per tick from whatever event loop
// is running, so steps go on inside the nested loops of modal forms and
// message boxes. A step that acts (menu, set, check, choose, press, key,
// type, quit) only schedules its action and holds at once: an action that
// opens a modal window does not block the script, whose next steps then act
// on that window. The next step waits until the scheduled action has
// started. A step that cannot act yet (its window or control is not there,
// a control is disabled) and an expectation that does not hold yet wait,
// for at most the step limit (30 seconds); a step that can never hold fails
// at once. Queued answers are given to message boxes as soon as one is the
// active window. The end of the script closes the main window as "quit"
// does.
//
// Failure: the first failing step is written to standard error with its
// line, its text and what the driver saw; the program then ends and the run
// exits 1. Every message box and wait-box text is written to standard
// output, one line each (EchoPort).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace drav::shell {

class EchoPort;

struct ScriptStep {
    int line = 0;           // line number in the script, from 1
    QString verb;           // "menu", "set", "expect-text", ...
    QString id;             // the control of set, check, choose, press, expect-text
    QString text;           // the rest of the line
    QString source;         // the line as written
    bool implicit = false;  // the closing step added after the last line
};

// Reads a script: one step per line; blank lines and lines starting with
// "#" are skipped. A step that is not part of the language, or whose text
// does not fit it, is an error: nothing and *error naming the line.
std::optional<std::vector<ScriptStep>> parseScript(const QString& script, QString* error);

struct ScriptOptions {
    int stepLimitMs = 30000;  // longest wait of one step
    int tickMs = 20;
    // Where message texts go (default: standard output) and where a
    // failure is reported (default: standard error).
    std::function<void(const QString&)> echo{};
    std::function<void(const QString&)> report{};
    // What ends the run after a failure (default: ends the program with
    // the code, closing every window without asking).
    std::function<void(int code)> onFailure{};
    // The main window (default: the top-level window named "DRAV").
    std::function<QWidget*()> mainWindow{};
};

class ScriptDriver : public QObject {
public:
    explicit ScriptDriver(std::vector<ScriptStep> steps, ScriptOptions options = {});
    // Gives the message layer its previous port back.
    ~ScriptDriver() override;

    // Puts the echo in front of the installed user port and starts the
    // steps; they run as soon as an event loop runs.
    void start();

    bool failed() const { return m_failed; }
    // Every step held (the closing one included).
    bool finished() const { return m_next >= m_steps.size(); }

    // The run's exit code once the program has ended: 1 when a step failed,
    // when the program ended before a step of the script, or when an answer
    // was never used; otherwise the program's own code.
    int exitCode(int programCode);

private:
    enum class Result { Done, Wait, Fail };
    struct Outcome {
        Result result;
        QString saw;  // what the step saw when it waits or fails
    };
    struct Answer {
        QString button;
        size_t step;
    };

    void tick();
    bool giveAnswer();
    Outcome perform(const ScriptStep& step);
    void fail(const ScriptStep& step, const QString& saw);
    void defer(std::function<void()> action);

    QWidget* mainWindow() const;
    QWidget* activeWindow() const;
    // The active window when it can be acted on (shown and active).
    Outcome actionable(QWidget*& window) const;
    // The control the step names in the active window, once that window
    // can be acted on and has it.
    Outcome namedControl(const ScriptStep& step, QWidget*& control) const;
    // The step's control is not the kind of widget the step acts on.
    static Outcome wrongKind(const ScriptStep& step, const QWidget* control, const QString& what);

    Outcome menu(const ScriptStep& step);
    Outcome setText(const ScriptStep& step);
    Outcome check(const ScriptStep& step);
    Outcome choose(const ScriptStep& step);
    Outcome press(const ScriptStep& step);
    Outcome key(const ScriptStep& step);
    Outcome type(const ScriptStep& step);
    Outcome expectTitle(const ScriptStep& step);
    Outcome expectText(const ScriptStep& step);
    Outcome expectMessage(const ScriptStep& step);
    Outcome expectRows(const ScriptStep& step);
    Outcome preview(const ScriptStep& step);
    Outcome quit(const ScriptStep& step);

    std::vector<ScriptStep> m_steps;
    ScriptOptions m_options;
    QTimer m_timer;
    size_t m_next = 0;
    QElapsedTimer m_stepClock;  // since the current step began
    QElapsedTimer m_endClock;   // since the main window was closed
    int m_scheduled = 0;        // actions scheduled and not yet started
    bool m_inTick = false;
    bool m_failed = false;
    std::deque<Answer> m_answers;
    EchoPort* m_echo = nullptr;  // owned by the message layer while installed
};

}  // namespace drav::shell
