// The program's user port: message boxes, the beep and the wait box drawn
// with Qt Widgets. installQtUserPort() puts it behind util/Messages.h.
//
// Message boxes per mode (buttons "OK", "Annulla", "Sì", "No"):
//   1 OK, information icon          4 Sì/No, question icon
//   2 OK/Annulla, question icon     5 Sì/No with No the default, question icon
//   3 Sì/No/Annulla, question icon  6 OK/Annulla, stop icon
// Esc and the close box answer Annulla, or No where there is no Annulla.
// The box is owned by the window that is active when it opens.
#pragma once

#include "ui/TMsgBox.h"
#include "util/UserPort.h"

#include <QPointer>
#include <vector>

namespace drav::ui {

class QtUserPort : public UserPort {
public:
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

    TMsgBox& waitBox() { return m_box; }

private:
    TMsgBox m_box;
    std::vector<QPointer<QWidget>> m_disabled;
};

// Installs the Qt port; returns it (owned by the message layer) for tests.
QtUserPort& installQtUserPort();

}  // namespace drav::ui
