// The one way code below the screens reaches the user.
//
// util/ and data/ never touch widgets: they call the message functions of
// util/Messages.h, which draw through the UserPort installed at start. The
// program installs the Qt implementation (message boxes, the wait box);
// tools install nothing and get a port that writes to standard error and
// answers every question with its default button; tests install a scripted
// port that records what was shown and answers from a queue.
#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace drav {

class UserPort {
public:
    virtual ~UserPort() = default;

    // A modal message box in one of the six modes (1 OK/information,
    // 2 OK-Cancel/question, 3 Yes-No-Cancel/question, 4 Yes-No/question,
    // 5 Yes-No with No default/question, 6 OK-Cancel/stop). The text is
    // final (O2A applied, lines separated by "\r\n"). Returns the button:
    // 1 OK, 2 Cancel, 6 Yes, 7 No (Esc and the close box give Cancel, or No
    // when there is no Cancel button).
    virtual int showMessage(const QString& text, int mode, const QString& title) = 0;
    virtual void beep() = 0;

    // The single wait box. openWaitBox is called only when none is open.
    virtual void openWaitBox(const QString& text, const QString& title,
                             std::optional<int> rangeStart, std::optional<int> rangeEnd,
                             bool printVariant) = 0;
    virtual void setWaitText(const QString& text, bool keepSize) = 0;
    virtual void setWaitPos(int position) = 0;
    virtual void closeWaitBox() = 0;

    // Handles the window events already pending.
    virtual void processEvents() = 0;
    // Blocks until at least one window event arrived, then handles the pending ones.
    virtual void waitForEvents() = 0;

    // Disables the active window (the table layer's waits do this while they
    // show their message) and enables it again.
    virtual void disableActiveWindow() = 0;
    virtual void enableDisabledWindow() = 0;
};

// Installs a port; returns the previous one. nullptr restores the default.
std::unique_ptr<UserPort> setUserPort(std::unique_ptr<UserPort> port);
UserPort& userPort();

// The port used when none is installed (exposed for tests of the tools).
std::unique_ptr<UserPort> makeConsolePort();

}  // namespace drav
