#include "ui/EventGuard.h"

#include "util/Error.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace drav::ui {
namespace {

std::optional<int> g_programEnd;
std::function<void(int)> g_stopper;

}  // namespace

void runGuarded(const std::function<void()>& fn) {
    if (g_programEnd) return;  // the program is ending: no more screen code
    try {
        fn();
    } catch (const Abandoned&) {
        // No recovery point inside the action: it ends where it stands.
    } catch (const ProgramEnd& e) {
        requestProgramEnd(e.code());
    }
}

void requestProgramEnd(int code) {
    if (g_programEnd) return;
    g_programEnd = code;
    // Each nested loop returns to its activate(), which rethrows.
    rejectModalWindows();
    if (g_stopper) g_stopper(code);
}

void rejectModalWindows() {
    // Collected first: closing one may close or open others.
    QList<QPointer<QDialog>> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->isModal())
            open.append(d);
    for (const QPointer<QDialog>& d : open)
        if (d) d->done(QDialog::Rejected);
}

std::optional<int> pendingProgramEnd() {
    return g_programEnd;
}

void rethrowPendingProgramEnd() {
    if (g_programEnd) throw ProgramEnd(*g_programEnd);
}

void setMainLoopStopper(std::function<void(int)> stopper) {
    g_stopper = std::move(stopper);
}

void TEST_clearProgramEnd() {
    g_programEnd.reset();
}

}  // namespace drav::ui
