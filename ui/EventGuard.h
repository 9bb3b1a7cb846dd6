// Screen code run from window events, and the two exceptions that may leave it.
//
// Button actions, change handlers, key handlers and when-conditions run
// inside the window's event loop. An operation given up by the error handler
// (Abandoned) that has no recovery point of its own ends there: the form
// stays open and the user goes on. A request to end the program (ProgramEnd)
// must not unwind through the toolkit's event loop: it is recorded, every
// open modal form and message box is closed, the main loop is told to stop
// (through the handler the shell installs), and each TDialog::activate()
// that returns rethrows it, so it reaches main() through plain C++ frames.
#pragma once

#include <functional>
#include <optional>

namespace drav::ui {

// Runs screen code called from a window event under the rules above.
void runGuarded(const std::function<void()>& fn);

// Records an end of the program, closes the modal windows and stops the
// main loop.
void requestProgramEnd(int code);
// Closes every open modal window (forms and message boxes) as refused,
// without asking its close permission.
void rejectModalWindows();
// The exit code of a recorded end of the program, if any.
std::optional<int> pendingProgramEnd();
// Throws ProgramEnd when one is recorded.
void rethrowPendingProgramEnd();

// How the main loop is stopped: the shell installs one that ends its
// application loop (QCoreApplication::exit). None is installed by default,
// because stopping the application loop before it runs makes every later
// modal loop return at once.
void setMainLoopStopper(std::function<void(int code)> stopper);

// For tests that provoke an end of the program and go on afterwards.
void TEST_clearProgramEnd();

}  // namespace drav::ui
