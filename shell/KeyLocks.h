// The Num Lock and Caps Lock toggles shown in the main window's status bar.
//
// Qt has no portable way to read them, so they are asked of the X server
// when the program runs on one; elsewhere (Wayland, the offscreen platform
// of the tests) their state is unknown and the indicators stay inactive.
#pragma once

#include <optional>

namespace drav::shell {

struct KeyLockState {
    std::optional<bool> numLock;  // nothing when it cannot be read
    std::optional<bool> capsLock;
};

KeyLockState readKeyLocks();

}  // namespace drav::shell
