// The program: its process-wide settings, the start-up sequence and the end.
//
//   dravMain            --data DIR, the process-wide settings, MAIN, the end
//   setProcessSettings  the settings made before anything else runs
//   startUp             MAIN steps 1-4: date format, DRAV.CFG, the window
//   runStartupActions   step 5: the operations run over the shown window
//
// States: starting (settings, startUp), initialising (the window is shown,
// its menu and tool bar not yet usable, the start-up operations run),
// running (the event loop), ending (endOfProgram, whatever the way out).
#pragma once

#include "shell/MainWindow.h"

#include <functional>
#include <memory>
#include <vector>

namespace drav::shell {

void setProcessSettings();

// Steps 1 to 4 of the main procedure; nothing when the configuration file
// could not be made or read, and the program must end without its window.
std::unique_ptr<MainWindow> startUp();

// A start-up operation; false when the program must end.
using StartupAction = std::function<bool(MainWindow&)>;

// AGGIORNADATABASE, USER, FATTURE (overdue), SOSPESI.
std::vector<StartupAction> startupActions();

// Runs the operations in order, each to its end, with the menu and the tool
// bar unusable meanwhile; false (and the rest not run) as soon as one says
// the program must end.
bool runStartupActions(MainWindow& window, const std::vector<StartupAction>& actions);

// The whole program; returns the process exit code.
int dravMain(int argc, char** argv);

}  // namespace drav::shell
