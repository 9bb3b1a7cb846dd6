// The main window: title, icon, the command menu, the tool bar and the
// status bar with its key indicators, date and clock.
//
// Every menu item and tool-bar button calls runCommand() (Commands.h); the
// window does nothing else. Object names, for tests and tools that look for
// a part: the window "DRAV"; menus "menuModifica", "menuVisualizza",
// "menuServizio", "menuAiuto"; menu items "action" + the command's name
// ("actionCLIENTI"); the tool bar "toolBar", its buttons "tool" + the name
// ("toolCLIENTI") and the gaps before a group "toolGap"; the status bar
// fields "statusNum", "statusCaps", "statusDate", "statusTime".
#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QTimer>
#include <functional>

class QLabel;
class QToolBar;

namespace drav::shell {

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The time the status bar shows.
    using Clock = std::function<QDateTime()>;

    explicit MainWindow(QWidget* parent = nullptr);

    // The menu and the tool bar can be used or not; they cannot while the
    // start-up operations run over the freshly shown window. Nor can the
    // window be closed meanwhile: a close taken in the middle of the schema
    // upgrade or the maintenance would leave the program without a window
    // and its event loop with nothing to end it.
    void setCommandsEnabled(bool enabled);

    // For tests only: the clock the status bar reads.
    void TEST_setClock(Clock clock);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildToolBar();
    void buildStatusBar();
    // Key indicators, date and time; every 200 milliseconds.
    void refreshStatus();

    QToolBar* m_toolBar = nullptr;
    QLabel* m_num = nullptr;
    QLabel* m_caps = nullptr;
    QLabel* m_date = nullptr;
    QLabel* m_time = nullptr;
    QTimer m_timer;
    Clock m_clock;
    bool m_commandsEnabled = true;
};

}  // namespace drav::shell
