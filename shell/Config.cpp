#include "shell/Config.h"

#include "util/IniFile.h"
#include "util/Settings.h"

#include <sys/stat.h>

namespace drav::shell {

bool mkCfg() {
    struct stat st {};
    if (::stat(profilePath(kConfigFile).c_str(), &st) == 0) return true;
    for (const auto& [name, value] : kDefaultSettings) {
        declareSetting(name);
        setSetting(name, value);
    }
    return saveIni("CFG_*", kConfigFile);
}

bool loadSettings() {
    for (const std::string& key : getPvProfSection("Vars", kConfigFile)) declareSetting(key);
    return restoreIni(kConfigFile);
}

}  // namespace drav::shell
