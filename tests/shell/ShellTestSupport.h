// Helpers shared by the shell tests: a clean settings registry, captured
// errors, a folder's names, and a folder nobody may write into.
#pragma once

#include "tests/support/TempDir.h"
#include "util/Date.h"
#include "util/Error.h"
#include "util/Settings.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace drav::test {

// Records every error raised while it lives and abandons the operation, as
// the program's handler does for file errors.
class ErrorCapture {
public:
    ErrorCapture()
        : m_previous(setErrorHandler([this](const ErrorInfo& e) {
              errors.push_back(e);
              return ErrorOutcome::Abandon;
          })) {}
    ~ErrorCapture() { setErrorHandler(std::move(m_previous)); }
    std::vector<ErrorInfo> errors;

private:
    ErrorHandler m_previous;
};

// Every test starts with no settings and two-digit years, as the program
// runs after its first start-up step.
class SettingsState {
public:
    SettingsState() {
        TEST_resetSettings();
        setDateFormat(DateFormat::TwoDigitYear);
    }
    ~SettingsState() {
        TEST_resetSettings();
        setDateFormat(DateFormat::FourDigitYear);
    }
};

// The names in a folder, without "." and "..".
inline std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> out;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                out.insert(e->d_name);
        ::closedir(d);
    }
    return out;
}

inline bool canCreateIn(const std::string& folder) {
    std::string probe = folder + "/PROBE";
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

// A folder in which no file can be created: a read-only folder, or for a
// user that ignores permissions (root) one of the kernel's own folders.
inline std::optional<std::string> unwritableFolder(const TempDir& tmp) {
    std::string dir = tmp.file("SOLA_LETTURA");
    ::mkdir(dir.c_str(), 0555);
    if (!canCreateIn(dir)) return dir;
    if (!canCreateIn("/sys")) return std::string("/sys");
    return std::nullopt;
}

// The file the first start writes.
inline const std::string kFirstStartCfg =
    "[Vars]\r\n"
    "CFG_DBUST=N0\r\n"
    "CFG_IVA=N20\r\n"
    "CFG_NFATT=N1\r\n"
    "CFG_SBUST=N0\r\n"
    "CFG_SFATT=N0\r\n";

}  // namespace drav::test
