#include "util/NetMarker.h"

#include <sys/stat.h>

#include <cstdlib>

namespace drav {

std::string netMarkerPath() {
    const char* env = std::getenv("KOLT_NET_MARKER");
    return env && *env ? std::string(env) : std::string("/etc/kolt/NET");
}

bool networkMode() {
    struct stat st;
    return ::stat(netMarkerPath().c_str(), &st) == 0;
}

}  // namespace drav
