// The scripted driver. Sections: the language (parsing); the run (tick,
// answers, failure); the steps that act; the expectations; the preview;
// the end.
#include "shell/ScriptDriver.h"

#include "print/PreviewDriver.h"
#include "shell/Commands.h"
#include "shell/EchoPort.h"
#include "ui/EventGuard.h"
#include "ui/TWBrowse.h"
#include "util/Text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <cstdio>

namespace drav::shell {
namespace {

// ---- The language ----------------------------------------------------------------

// Steps whose first word after the verb names a control.
const QStringList kControlVerbs = {"set", "check", "choose", "press", "expect-text"};
const QStringList kVerbs = {"menu",         "set",           "check",          "choose",
                            "press",        "key",           "type",           "answer",
                            "expect-title", "expect-text",   "expect-message", "expect-rows",
                            "save-pdf",     "close-preview", "expect-pages",   "quit"};

struct KeyName {
    const char* name;
    Qt::Key key;
    const char* text;  // what the key types
};

constexpr KeyName kKeys[] = {
    {"Enter", Qt::Key_Return, "\r"},
    {"Escape", Qt::Key_Escape, "\x1b"},
    {"Tab", Qt::Key_Tab, "\t"},
    {"Up", Qt::Key_Up, ""},
    {"Down", Qt::Key_Down, ""},
    {"Left", Qt::Key_Left, ""},
    {"Right", Qt::Key_Right, ""},
    {"PageUp", Qt::Key_PageUp, ""},
    {"PageDown", Qt::Key_PageDown, ""},
    {"Home", Qt::Key_Home, ""},
    {"End", Qt::Key_End, ""},
    {"Space", Qt::Key_Space, " "},
    {"F4", Qt::Key_F4, ""},
    {"F12", Qt::Key_F12, ""},
    {"Delete", Qt::Key_Delete, "\x7f"},
    {"Backspace", Qt::Key_Backspace, "\b"},
};

const KeyName* keyNamed(const QString& name) {
    for (const KeyName& k : kKeys)
        if (name == QLatin1String(k.name)) return &k;
    return nullptr;
}

// The message-box buttons an answer may name.
const QStringList kAnswers = {"OK", "Annulla", QString::fromUtf8("Sì"), "No"};

QString answerButton(const QString& text) {
    return text == QLatin1String("Si") ? QString::fromUtf8("Sì") : text;
}

bool isCount(const QString& text) {
    bool ok = false;
    return text.toInt(&ok) >= 0 && ok;
}

// What is wrong with a step's text, "" when it fits.
QString checkStep(const ScriptStep& s) {
    const QString& v = s.verb;
    if (!kVerbs.contains(v)) return QStringLiteral("there is no step \"%1\"").arg(v);
    if (kControlVerbs.contains(v) && s.id.isEmpty())
        return QStringLiteral("the step needs the control it acts on");
    if (v == "menu") {
        const QStringList parts = s.text.split(QLatin1Char('/'));
        if (parts.size() < 2 || parts.contains(QString()))
            return QStringLiteral("a menu item is written \"Menu/Item\"");
    } else if (v == "check") {
        if (s.text != "on" && s.text != "off")
            return QStringLiteral("check takes \"on\" or \"off\"");
    } else if (v == "press" || v == "close-preview" || v == "quit") {
        if (!s.text.isEmpty()) return QStringLiteral("the step takes no text");
    } else if (v == "key") {
        if (!keyNamed(s.text)) return QStringLiteral("there is no key \"%1\"").arg(s.text);
    } else if (v == "type" || v == "save-pdf") {
        if (s.text.isEmpty()) return QStringLiteral("the step needs a text");
    } else if (v == "answer") {
        if (!kAnswers.contains(answerButton(s.text)))
            return QStringLiteral("the answer is one of OK, Annulla, %1, No")
                .arg(QString::fromUtf8("Sì"));
    } else if (v == "expect-rows" || v == "expect-pages") {
        if (!isCount(s.text)) return QStringLiteral("the step needs a number");
    }
    return {};
}

// ---- Widgets -----------------------------------------------------------------------

// A caption as shown: "&" marks the mnemonic, "&&" is a literal "&".
QString plain(QString caption) {
    caption.replace(QLatin1String("&&"), QString(QChar(1)));
    caption.remove(QLatin1Char('&'));
    caption.replace(QChar(1), QLatin1Char('&'));
    return caption;
}

QString quoted(const QString& s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString describe(const QWidget* w) {
    return quoted(w->windowTitle()) + QStringLiteral(" (") + w->objectName() + QLatin1Char(')');
}

// The control of the window with that objectName; a visible one first.
QWidget* findControl(QWidget* window, const QString& id) {
    QWidget* found = nullptr;
    for (QWidget* w : window->findChildren<QWidget*>(id)) {
        if (w->isVisible()) return w;
        if (!found) found = w;
    }
    return found;
}

// The text a control shows.
QString shownText(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->displayText();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return plain(b->text());
    if (auto* p = qobject_cast<const QPlainTextEdit*>(w)) return p->toPlainText();
    if (auto* t = qobject_cast<const QTextEdit*>(w)) return t->toPlainText();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return plain(g->title());
    return w->property("text").toString();
}

// The browse list of a window: the first one shown, in creation order.
ui::TWBrowse* findBrowse(QWidget* window) {
    ui::TWBrowse* found = nullptr;
    for (ui::TWBrowse* b : window->findChildren<ui::TWBrowse*>()) {
        if (b->widget() && b->widget()->isVisible()) return b;
        if (!found) found = b;
    }
    return found;
}

// The key a typed character comes with.
int keyOf(QChar c) {
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) return Qt::Key_A + (c.unicode() - 'a');
    if (c.unicode() < 0x7f) return c.unicode();
    if (c.unicode() <= 0xff) return c.toUpper().unicode();
    return Qt::Key_unknown;
}

// A key pressed and released on the widget, through the application so the
// widget's event filters see it and a key it leaves goes to its parents.
void sendKey(QWidget* target, int key, const QString& text) {
    QPointer<QWidget> guard = target;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    if (!guard) return;
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// Where the keys of a window go: the control that has the focus in it.
QWidget* keyTarget(QWidget* window) {
    QWidget* focus = window->focusWidget();
    return focus ? focus : window;
}

void typeText(QPointer<QWidget> window, const QString& text) {
    for (QChar c : text) {
        if (!window) return;
        sendKey(keyTarget(window), keyOf(c), QString(c));
    }
}

// Replaces a control's text as a user does: the control takes the focus,
// its text is selected and typed over (or deleted, for an empty text).
void replaceText(QWidget* control, const QString& text) {
    QPointer<QWidget> target = control;
    control->setFocus(Qt::TabFocusReason);
    if (!target) return;
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit()) {
        target = combo->lineEdit();
        combo->lineEdit()->selectAll();
    } else if (auto* e = qobject_cast<QLineEdit*>(control)) {
        e->selectAll();
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(control)) {
        p->selectAll();
    } else if (auto* t = qobject_cast<QTextEdit*>(control)) {
        t->selectAll();
    }
    if (text.isEmpty()) {
        sendKey(target, Qt::Key_Backspace, QStringLiteral("\b"));
        return;
    }
    for (QChar c : text) {
        if (!target) return;
        sendKey(target, keyOf(c), QString(c));
    }
}

bool takesText(QWidget* w) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->isEditable();
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
           qobject_cast<QTextEdit*>(w);
}

void writeLine(std::FILE* stream, const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stream);
    std::fflush(stream);
}

}  // namespace

std::optional<std::vector<ScriptStep>> parseScript(const QString& script, QString* error) {
    std::vector<ScriptStep> steps;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;

        ScriptStep s;
        s.line = static_cast<int>(i + 1);
        s.source = line;
        // The verb, then after one blank the rest of the line as it stands.
        QString rest = line.trimmed();
        qsizetype blank = rest.indexOf(QLatin1Char(' '));
        s.verb = rest.left(blank < 0 ? rest.size() : blank);
        rest = blank < 0 ? QString() : line.mid(line.indexOf(s.verb) + s.verb.size() + 1);
        if (kControlVerbs.contains(s.verb)) {
            blank = rest.indexOf(QLatin1Char(' '));
            s.id = rest.left(blank < 0 ? rest.size() : blank);
            rest = blank < 0 ? QString() : rest.mid(blank + 1);
        }
        s.text = rest;
        if (QString wrong = checkStep(s); !wrong.isEmpty()) {
            if (error)
                *error = QStringLiteral("script line %1: %2: %3").arg(s.line).arg(trimmed, wrong);
            return std::nullopt;
        }
        steps.push_back(std::move(s));
    }
    if (steps.empty() || steps.back().verb != QLatin1String("quit")) {
        ScriptStep end;
        end.line = static_cast<int>(lines.size());
        end.verb = QStringLiteral("quit");
        end.source = QStringLiteral("(end of the script)");
        end.implicit = true;
        steps.push_back(std::move(end));
    }
    return steps;
}

// ---- The run -------------------------------------------------------------------------

ScriptDriver::ScriptDriver(std::vector<ScriptStep> steps, ScriptOptions options)
    : m_steps(std::move(steps)), m_options(std::move(options)) {
    if (!m_options.echo) m_options.echo = [](const QString& line) { writeLine(stdout, line); };
    if (!m_options.report) m_options.report = [](const QString& line) { writeLine(stderr, line); };
    if (!m_options.onFailure) m_options.onFailure = [](int code) { ui::requestProgramEnd(code); };
    m_timer.setInterval(m_options.tickMs);
    connect(&m_timer, &QTimer::timeout, this, &ScriptDriver::tick);
}

ScriptDriver::~ScriptDriver() {
    if (!m_echo) return;
    std::unique_ptr<UserPort> current = setUserPort(nullptr);
    if (current.get() == m_echo)
        setUserPort(static_cast<EchoPort&>(*current).release());
    else
        setUserPort(std::move(current));
}

void ScriptDriver::start() {
    if (!m_echo) {
        auto echo = std::make_unique<EchoPort>(setUserPort(nullptr), m_options.echo);
        m_echo = echo.get();
        setUserPort(std::move(echo));
    }
    m_timer.start();
}

void ScriptDriver::defer(std::function<void()> action) {
    ++m_scheduled;
    QTimer::singleShot(0, this, [this, action = std::move(action)] {
        --m_scheduled;
        action();
    });
}

void ScriptDriver::tick() {
    // Steps never overlap, and nothing runs once the program is ending.
    if (m_inTick || m_failed || ui::pendingProgramEnd() || requestedExitCode() >= 0) return;
    m_inTick = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{m_inTick};

    // A message box answered now closes first; the step comes next tick.
    if (giveAnswer() || m_failed) return;
    // An action scheduled by the previous step has not started yet.
    if (m_scheduled > 0) return;

    if (m_next >= m_steps.size()) {
        // The main window was closed; the program should end by itself.
        if (m_endClock.isValid() && m_endClock.elapsed() > m_options.stepLimitMs)
            fail(m_steps.back(), QStringLiteral("the program did not end after its main window "
                                                "was closed"));
        return;
    }
    const ScriptStep& step = m_steps[m_next];
    if (!m_stepClock.isValid()) m_stepClock.start();
    Outcome outcome = perform(step);
    switch (outcome.result) {
        case Result::Done:
            ++m_next;
            m_stepClock.invalidate();
            break;
        case Result::Wait:
            if (m_stepClock.elapsed() > m_options.stepLimitMs)
                fail(step, QStringLiteral("still waiting after %1 seconds: %2")
                               .arg(m_options.stepLimitMs / 1000)
                               .arg(outcome.saw));
            break;
        case Result::Fail:
            fail(step, outcome.saw);
            break;
    }
}

bool ScriptDriver::giveAnswer() {
    if (m_answers.empty()) return false;
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return false;
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    QStringList buttons;
    for (QAbstractButton* b : box->buttons()) {
        if (plain(b->text()) == answer.button) {
            b->click();
            return true;
        }
        buttons << plain(b->text());
    }
    fail(m_steps[answer.step], QStringLiteral("the message %1 has no button %2 (it has %3)")
                                   .arg(quoted(EchoPort::oneLine(box->text())),
                                        quoted(answer.button), buttons.join(QLatin1String(", "))));
    return true;
}

void ScriptDriver::fail(const ScriptStep& step, const QString& saw) {
    if (m_failed) return;
    m_failed = true;
    m_timer.stop();
    m_options.report(QStringLiteral("drav: script line %1: %2: %3")
                         .arg(step.line)
                         .arg(step.source.trimmed(), saw));
    m_options.onFailure(1);
}

int ScriptDriver::exitCode(int programCode) {
    if (m_failed) return 1;
    if (m_next < m_steps.size() && !m_steps[m_next].implicit) {
        const ScriptStep& step = m_steps[m_next];
        m_options.report(QStringLiteral("drav: script line %1: %2: the program ended before "
                                        "this step")
                             .arg(step.line)
                             .arg(step.source.trimmed()));
        return 1;
    }
    if (!m_answers.empty()) {
        const ScriptStep& step = m_steps[m_answers.front().step];
        m_options.report(QStringLiteral("drav: script line %1: %2: no message box came to "
                                        "take this answer")
                             .arg(step.line)
                             .arg(step.source.trimmed()));
        return 1;
    }
    return programCode;
}

QWidget* ScriptDriver::mainWindow() const {
    if (m_options.mainWindow) return m_options.mainWindow();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("DRAV") && qobject_cast<QMainWindow*>(w)) return w;
    return nullptr;
}

QWidget* ScriptDriver::activeWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    QWidget* main = mainWindow();
    return main && main->isVisible() ? main : nullptr;
}

ScriptDriver::Outcome ScriptDriver::actionable(QWidget*& window) const {
    window = activeWindow();
    if (!window) return {Result::Wait, QStringLiteral("no window is open")};
    if (QApplication::activeWindow() != window) {
        // Keys and the focus go to the active window only.
        window->activateWindow();
        return {Result::Wait, QStringLiteral("the window %1 is not active").arg(describe(window))};
    }
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::namedControl(const ScriptStep& s, QWidget*& control) const {
    QWidget* window = nullptr;
    if (Outcome o = actionable(window); o.result != Result::Done) return o;
    control = findControl(window, s.id);
    if (!control)
        return {Result::Wait,
                QStringLiteral("the window %1 has no control %2").arg(describe(window), s.id)};
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::wrongKind(const ScriptStep& s, const QWidget* control,
                                              const QString& what) {
    return {Result::Fail, QStringLiteral("control %1 (%2) %3")
                              .arg(s.id, QString::fromLatin1(control->metaObject()->className()),
                                   what)};
}

ScriptDriver::Outcome ScriptDriver::perform(const ScriptStep& s) {
    const QString& v = s.verb;
    if (v == "menu") return menu(s);
    if (v == "set") return setText(s);
    if (v == "check") return check(s);
    if (v == "choose") return choose(s);
    if (v == "press") return press(s);
    if (v == "key") return key(s);
    if (v == "type") return type(s);
    if (v == "answer") {
        m_answers.push_back({answerButton(s.text), m_next});
        return {Result::Done, {}};
    }
    if (v == "expect-title") return expectTitle(s);
    if (v == "expect-text") return expectText(s);
    if (v == "expect-message") return expectMessage(s);
    if (v == "expect-rows") return expectRows(s);
    if (v == "save-pdf" || v == "close-preview" || v == "expect-pages") return preview(s);
    return quit(s);
}

// ---- The steps that act ------------------------------------------------------------

ScriptDriver::Outcome ScriptDriver::menu(const ScriptStep& s) {
    auto* main = qobject_cast<QMainWindow*>(mainWindow());
    if (!main || !main->isVisible())
        return {Result::Wait, QStringLiteral("the main window is not open")};
    QWidget* window = nullptr;
    if (Outcome o = actionable(window); o.result != Result::Done) return o;
    if (window != main)
        return {Result::Wait,
                QStringLiteral("the window %1 is open over the main window").arg(describe(window))};
    if (!main->menuBar()->isEnabled())
        return {Result::Wait, QStringLiteral("the menu cannot be used yet")};

    QList<QAction*> actions = main->menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& caption : s.text.split(QLatin1Char('/'))) {
        if (found) {
            if (!found->menu())
                return {Result::Fail, QStringLiteral("%1 opens no menu").arg(quoted(caption))};
            actions = found->menu()->actions();
        }
        found = nullptr;
        QStringList there;
        for (QAction* a : actions) {
            if (a->isSeparator()) continue;
            if (plain(a->text()) == caption && a->isVisible()) {
                found = a;
                break;
            }
            there << plain(a->text());
        }
        if (!found)
            return {Result::Fail, QStringLiteral("there is no menu item %1 (there are %2)")
                                      .arg(quoted(caption), there.join(QLatin1String(", ")))};
    }
    if (found->menu())
        return {Result::Fail, QStringLiteral("%1 is a menu, not an item").arg(quoted(s.text))};
    if (!found->isEnabled())
        return {Result::Wait, QStringLiteral("the menu item %1 is disabled").arg(quoted(s.text))};
    QPointer<QAction> action = found;
    defer([action] {
        if (action) action->trigger();
    });
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::setText(const ScriptStep& s) {
    QWidget* control = nullptr;
    if (Outcome o = namedControl(s, control); o.result != Result::Done) return o;
    if (!takesText(control)) return wrongKind(s, control, QStringLiteral("takes no typed text"));
    if (!control->isVisible() || !control->isEnabled())
        return {Result::Wait, QStringLiteral("control %1 is disabled").arg(s.id)};
    QPointer<QWidget> target = control;
    defer([target, text = s.text] {
        if (target) replaceText(target, text);
    });
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::check(const ScriptStep& s) {
    QWidget* control = nullptr;
    if (Outcome o = namedControl(s, control); o.result != Result::Done) return o;
    auto* box = qobject_cast<QAbstractButton*>(control);
    if (!box || !box->isCheckable())
        return wrongKind(s, control, QStringLiteral("is not a check box"));
    const bool on = s.text == QLatin1String("on");
    if (box->isChecked() == on) return {Result::Done, {}};
    if (!on && box->autoExclusive())
        return {Result::Fail,
                QStringLiteral("radio button %1 goes off only by choosing another").arg(s.id)};
    if (!box->isVisible() || !box->isEnabled())
        return {Result::Wait, QStringLiteral("control %1 is disabled").arg(s.id)};
    QPointer<QAbstractButton> target = box;
    defer([target] {
        if (!target) return;
        target->setFocus(Qt::MouseFocusReason);
        if (target) target->click();
    });
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::choose(const ScriptStep& s) {
    QWidget* control = nullptr;
    if (Outcome o = namedControl(s, control); o.result != Result::Done) return o;
    auto* combo = qobject_cast<QComboBox*>(control);
    if (!combo) return wrongKind(s, control, QStringLiteral("is not a combo box"));
    if (!combo->isVisible() || !combo->isEnabled())
        return {Result::Wait, QStringLiteral("control %1 is disabled").arg(s.id)};
    int index = -1;
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << quoted(combo->itemText(i));
        if (index < 0 && trimRight(combo->itemText(i)) == trimRight(s.text)) index = i;
    }
    if (index < 0)
        return {Result::Fail, QStringLiteral("control %1 has no item %2 (it has %3)")
                                  .arg(s.id, quoted(s.text), items.join(QLatin1String(", ")))};
    QPointer<QComboBox> target = combo;
    defer([target, index] {
        if (!target) return;
        target->setFocus(Qt::MouseFocusReason);
        target->setCurrentIndex(index);
        // What the list sends when the user picks the item.
        if (target) Q_EMIT target->activated(index);
        if (target) Q_EMIT target->textActivated(target->itemText(index));
    });
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::press(const ScriptStep& s) {
    QWidget* control = nullptr;
    if (Outcome o = namedControl(s, control); o.result != Result::Done) return o;
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button) return wrongKind(s, control, QStringLiteral("is not a button"));
    if (!button->isVisible() || !button->isEnabled())
        return {Result::Wait, QStringLiteral("button %1 is disabled").arg(s.id)};
    QPointer<QAbstractButton> target = button;
    defer([target] {
        if (!target) return;
        // A click takes the focus first, as the mouse does: the field being
        // left stores what was typed into it.
        if (target->focusPolicy() & Qt::ClickFocus) target->setFocus(Qt::MouseFocusReason);
        if (target) target->click();
    });
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::key(const ScriptStep& s) {
    QWidget* window = nullptr;
    if (Outcome o = actionable(window); o.result != Result::Done) return o;
    const KeyName* k = keyNamed(s.text);
    QPointer<QWidget> target = window;
    defer([target, k] {
        if (target) sendKey(keyTarget(target), k->key, QString::fromLatin1(k->text));
    });
    return {Result::Done, {}};
}

ScriptDriver::Outcome ScriptDriver::type(const ScriptStep& s) {
    QWidget* window = nullptr;
    if (Outcome o = actionable(window); o.result != Result::Done) return o;
    QPointer<QWidget> target = window;
    defer([target, text = s.text] { typeText(target, text); });
    return {Result::Done, {}};
}

// ---- The expectations ----------------------------------------------------------------

ScriptDriver::Outcome ScriptDriver::expectTitle(const ScriptStep& s) {
    QWidget* window = activeWindow();
    if (!window) return {Result::Wait, QStringLiteral("no window is open")};
    if (trimRight(window->windowTitle()) == trimRight(s.text)) return {Result::Done, {}};
    return {Result::Wait, QStringLiteral("the active window is %1").arg(describe(window))};
}

ScriptDriver::Outcome ScriptDriver::expectText(const ScriptStep& s) {
    QWidget* window = activeWindow();
    if (!window) return {Result::Wait, QStringLiteral("no window is open")};
    QWidget* control = findControl(window, s.id);
    if (!control)
        return {Result::Wait,
                QStringLiteral("the window %1 has no control %2").arg(describe(window), s.id)};
    const QString shown = shownText(control);
    if (trimRight(shown) == trimRight(s.text)) return {Result::Done, {}};
    return {Result::Wait, QStringLiteral("control %1 shows %2").arg(s.id, quoted(shown))};
}

ScriptDriver::Outcome ScriptDriver::expectMessage(const ScriptStep& s) {
    const std::optional<QString> last = m_echo ? m_echo->lastMessage() : std::nullopt;
    if (!last) return {Result::Wait, QStringLiteral("no message box has been shown")};
    if (trimRight(*last) == trimRight(s.text)) return {Result::Done, {}};
    return {Result::Wait, QStringLiteral("the last message was %1").arg(quoted(*last))};
}

ScriptDriver::Outcome ScriptDriver::expectRows(const ScriptStep& s) {
    QWidget* window = activeWindow();
    if (!window) return {Result::Wait, QStringLiteral("no window is open")};
    const ui::TWBrowse* browse = findBrowse(window);
    if (!browse)
        return {Result::Wait,
                QStringLiteral("the window %1 has no browse list").arg(describe(window))};
    // The rows the list runs over, as its scroll bar counts them.
    const uint64_t rows = browse->rowTotal();
    if (rows == s.text.toULongLong()) return {Result::Done, {}};
    return {Result::Wait, QStringLiteral("the browse list has %1 rows").arg(rows)};
}

// ---- The preview ------------------------------------------------------------------------

ScriptDriver::Outcome ScriptDriver::preview(const ScriptStep& s) {
    QWidget* window = activeWindow();
    if (!window || window->objectName() != QLatin1String("PREVIEW") ||
        print::previewPageCount() < 0)
        return {
            Result::Wait,
            window
                ? QStringLiteral("the active window %1 is no print preview").arg(describe(window))
                : QStringLiteral("no window is open")};
    if (s.verb == "expect-pages") {
        const int pages = print::previewPageCount();
        if (pages == s.text.toInt()) return {Result::Done, {}};
        return {Result::Wait, QStringLiteral("the preview has %1 pages").arg(pages)};
    }
    if (s.verb == "close-preview") {
        print::closePreview();
        return {Result::Done, {}};
    }
    if (!print::exportPreviewPdf(s.text))
        return {Result::Fail,
                QStringLiteral("the PDF file %1 could not be written").arg(quoted(s.text))};
    return {Result::Done, {}};
}

// ---- The end ------------------------------------------------------------------------------

ScriptDriver::Outcome ScriptDriver::quit(const ScriptStep&) {
    QWidget* main = mainWindow();
    if (!main || !main->isVisible())
        return {Result::Wait, QStringLiteral("the main window is not open")};
    QWidget* window = activeWindow();
    if (window != main)
        return {Result::Wait, QStringLiteral("the window %1 is still open").arg(describe(window))};
    // The window cannot be closed while the start-up operations run.
    if (auto* mw = qobject_cast<QMainWindow*>(main); mw && !mw->menuBar()->isEnabled())
        return {Result::Wait, QStringLiteral("the program is still starting")};
    if (!m_answers.empty()) {
        const ScriptStep& answer = m_steps[m_answers.front().step];
        return {Result::Fail, QStringLiteral("the answer of line %1 (%2) was never given")
                                  .arg(answer.line)
                                  .arg(answer.text)};
    }
    QPointer<QWidget> target = main;
    defer([target] {
        if (target) target->close();
    });
    m_endClock.start();
    return {Result::Done, {}};
}

}  // namespace drav::shell
