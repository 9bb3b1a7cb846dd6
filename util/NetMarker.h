// The network-mode marker: a workstation where the marker file exists
// behaves as a network station (the mail program, the window background,
// the schema and instance set-up differ). The file is looked up on every
// call, so creating or removing it takes effect at once.
#pragma once

#include <string>

namespace drav {

// $KOLT_NET_MARKER when set and not empty, else "/etc/kolt/NET".
std::string netMarkerPath();
bool networkMode();

}  // namespace drav
