// Messages, questions and the wait box: the rules that every text shown to
// the user follows, whatever draws it (see UserPort).
//
// Every text first passes through O2A; then every ";" becomes a line break,
// so ";;" leaves an empty line. The wait box is single: at most one is open,
// and its text is the current wait message (curMsg()). Opening any message
// box closes the wait box for good.
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace drav {

struct PopMsgArgs {
    std::optional<QString> text;
    std::optional<int> mode;    // 1..6: a message box; absent: the wait box
    std::optional<QString> title;
    bool update = false;        // replace the open wait box's text
    std::optional<int> rangeStart, rangeEnd, position;
    bool print = false;         // the print-progress variant
    bool page = false;          // count one more printed page
};

// The general form. Returns the result of modes 2 to 6 (2, 4, 5, 6: 1 for
// OK/Yes and 0 otherwise; 3: 6 Yes, 7 No, 2 Cancel), nothing otherwise.
std::optional<int> popMsg(const PopMsgArgs& args);

// The shapes the system uses.
void msgInfo(const QString& text, const QString& title = {});          // mode 1
bool msgAsk(const QString& text, int mode = 2, const QString& title = {});  // 2, 4, 5, 6
int msgYesNoCancel(const QString& text, const QString& title = {});   // mode 3
void waitMsg(const QString& text, const QString& title = {});         // opens when none is open
void waitUpdate(const QString& text);                                 // replaces (or opens) the text
void waitPos(int position);
void waitPage();
void waitClose();

// The current wait message: the open box's text ("" for a box opened
// without text), nothing when no wait box is open.
std::optional<QString> curMsg();

// The text as shown: O2A, then ";" to CR LF.
QString messageText(const QString& text);

// Processes window events until the time has passed.
void sysWait(double seconds = 0.1);
// Waits for window events until the condition holds.
void stopUntil(const std::function<bool()>& condition);

// A wait message shown for the lifetime of the object, restoring the
// message that was shown before (if any) when it ends.
class ScopedWaitMsg {
public:
    explicit ScopedWaitMsg(const QString& text, const QString& title = {});
    ~ScopedWaitMsg();
    ScopedWaitMsg(const ScopedWaitMsg&) = delete;
    ScopedWaitMsg& operator=(const ScopedWaitMsg&) = delete;

private:
    std::optional<QString> m_saved;
};

}  // namespace drav
