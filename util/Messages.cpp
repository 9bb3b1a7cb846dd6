#include "util/Messages.h"

#include "util/Cp1252.h"
#include "util/UserPort.h"

#include <chrono>
#include <cstdio>

namespace drav {
namespace {

std::optional<QString> g_current;  // the current wait message
int g_pages = 0;                   // page counter of the print-progress variant

class ConsolePort : public UserPort {
public:
    int showMessage(const QString& text, int mode, const QString& title) override {
        std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(),
                     QString(text).replace(QLatin1String("\r\n"), QLatin1String(" / "))
                         .toLocal8Bit().constData());
        switch (mode) {
            case 3:
            case 4: return 6;
            case 5: return 7;
            case 2:
            case 6: return 1;
            default: return 1;
        }
    }
    void beep() override {}
    void openWaitBox(const QString& text, const QString&, std::optional<int>, std::optional<int>,
                     bool) override {
        if (!text.isEmpty()) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    void setWaitText(const QString& text, bool) override {
        if (!text.isEmpty()) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    void setWaitPos(int) override {}
    void closeWaitBox() override {}
    void processEvents() override {}
    void waitForEvents() override {}
    void disableActiveWindow() override {}
    void enableDisabledWindow() override {}
};

std::unique_ptr<UserPort>& portSlot() {
    static std::unique_ptr<UserPort> p = makeConsolePort();
    return p;
}

}  // namespace

std::unique_ptr<UserPort> makeConsolePort() { return std::make_unique<ConsolePort>(); }

std::unique_ptr<UserPort> setUserPort(std::unique_ptr<UserPort> port) {
    if (!port) port = makeConsolePort();
    g_current.reset();
    return std::exchange(portSlot(), std::move(port));
}

UserPort& userPort() { return *portSlot(); }

QString messageText(const QString& text) {
    QString out = o2a(text);
    out.replace(QLatin1Char(';'), QLatin1String("\r\n"));
    return out;
}

std::optional<int> popMsg(const PopMsgArgs& a) {
    UserPort& port = userPort();
    std::optional<QString> text;
    if (a.text) text = messageText(*a.text);
    std::optional<int> result;

    if (a.mode) {
        QString title = a.title.value_or(QStringLiteral("Attenzione"));
        if (g_current) {
            port.closeWaitBox();
            g_current.reset();
        }
        int mode = *a.mode;
        if (mode > 1) port.beep();
        if (mode >= 1 && mode <= 6) {
            int button = port.showMessage(text.value_or(QString()), mode, title);
            switch (mode) {
                case 1: break;
                case 3: result = (button == 6 || button == 7) ? button : 2; break;
                case 2:
                case 6: result = button == 1 ? 1 : 0; break;
                default: result = button == 6 ? 1 : 0; break;
            }
        }
    } else if (!text && !a.print && !a.page) {
        if (g_current) {
            port.closeWaitBox();
            g_current.reset();
        }
    } else if (!g_current) {
        if (a.print) g_pages = 0;
        port.openWaitBox(text.value_or(QString()), a.title.value_or(QStringLiteral("Attendere")),
                         a.rangeStart, a.rangeEnd, a.print);
        g_current = text.value_or(QString());
    } else if (a.update || a.position) {
        if (a.update) {
            port.setWaitText(text.value_or(QString()), false);
            g_current = text.value_or(QString());
        }
        if (a.position) port.setWaitPos(*a.position);
    } else if (a.page) {
        ++g_pages;
        QString count = QString::number(g_pages);
        port.setWaitText(count, true);
        g_current = count;
    }
    port.processEvents();
    return result;
}

void msgInfo(const QString& text, const QString& title) {
    PopMsgArgs a;
    a.text = text;
    a.mode = 1;
    if (!title.isEmpty()) a.title = title;
    popMsg(a);
}

bool msgAsk(const QString& text, int mode, const QString& title) {
    PopMsgArgs a;
    a.text = text;
    a.mode = mode;
    if (!title.isEmpty()) a.title = title;
    return popMsg(a).value_or(0) == 1;
}

int msgYesNoCancel(const QString& text, const QString& title) {
    PopMsgArgs a;
    a.text = text;
    a.mode = 3;
    if (!title.isEmpty()) a.title = title;
    return popMsg(a).value_or(2);
}

void waitMsg(const QString& text, const QString& title) {
    PopMsgArgs a;
    a.text = text;
    if (!title.isEmpty()) a.title = title;
    popMsg(a);
}

void waitUpdate(const QString& text) {
    PopMsgArgs a;
    a.text = text;
    a.update = true;
    popMsg(a);
}

void waitPos(int position) {
    // A call without text closes the box: the position travels with the
    // box's own text, which (without update) stays as it is.
    if (!g_current) return;
    PopMsgArgs a;
    a.text = *g_current;
    a.position = position;
    popMsg(a);
}

void waitPage() {
    PopMsgArgs a;
    a.page = true;
    popMsg(a);
}

void waitClose() { popMsg(PopMsgArgs{}); }

std::optional<QString> curMsg() { return g_current; }

void sysWait(double seconds) {
    auto until = std::chrono::steady_clock::now() +
                 std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(seconds));
    do {
        userPort().processEvents();
    } while (std::chrono::steady_clock::now() < until);
}

void stopUntil(const std::function<bool()>& condition) {
    while (!condition()) userPort().waitForEvents();
}

ScopedWaitMsg::ScopedWaitMsg(const QString& text, const QString& title) : m_saved(curMsg()) {
    waitClose();
    waitMsg(text, title);
}

ScopedWaitMsg::~ScopedWaitMsg() {
    waitClose();
    if (m_saved) waitMsg(*m_saved);
}

}  // namespace drav
