#include "util/Paths.h"

#include <cstdlib>

namespace drav {
namespace {
std::string g_instanceFolder;
}

void setInstanceFolder(const std::string& pathWithSlash) { g_instanceFolder = pathWithSlash; }
const std::string& instanceFolder() { return g_instanceFolder; }

std::string tempFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const char* v = std::getenv(name);
        if (v && *v) {
            std::string s(v);
            while (s.size() > 1 && s.back() == '/') s.pop_back();
            return s;
        }
    }
    return "/tmp";
}

}  // namespace drav
