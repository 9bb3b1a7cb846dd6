// File-name, folder and file helpers (see FileHelpers.h).
//
//   1. Names
//   2. Folders
//   3. Files: temporary names, the write check, reading lines
#include "util/FileHelpers.h"

#include "util/Messages.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <mntent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

namespace drav {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

std::string_view fileNamePart(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == path.npos ? path : path.substr(slash + 1);
}

}  // namespace

// ---- 1. Names -------------------------------------------------------------

std::string cFileExt(std::string_view path) {
    std::string_view name = fileNamePart(trim(path));
    size_t dot = name.rfind('.');
    return dot == name.npos ? "" : std::string(name.substr(dot + 1));
}

std::string cFileNoExt(std::string_view path) {
    std::string_view name = trim(fileNamePart(trim(path)));
    size_t dot = name.rfind('.');
    return std::string(trim(dot == name.npos ? name : name.substr(0, dot)));
}

std::string fileNameOf(std::string_view path) {
    return std::string(fileNamePart(path));
}

std::string folderOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == path.npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string fullPath(std::string_view path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(std::string(path)), ec).lexically_normal();
    if (ec) return "";
    std::string s = p.parent_path().string();
    // A path ending in "/" names a folder: its own name is the last part.
    if (!p.has_filename()) s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s.empty() ? "/" : s;
}

std::string curPath() {
    std::error_code ec;
    std::string s = std::filesystem::current_path(ec).string();
    if (ec || s.empty()) return "/";
    if (s.back() != '/') s.push_back('/');
    return s;
}

// ---- 2. Folders -----------------------------------------------------------

std::vector<std::string> aDisk() {
    // The root file system is always there, whatever its source is called
    // (a container's root is an "overlay").
    std::vector<std::string> out{"/"};
    FILE* mounts = setmntent("/proc/self/mounts", "r");
    if (!mounts) return out;
    mntent entry;
    char buf[4096];
    while (getmntent_r(mounts, &entry, buf, sizeof buf)) {
        std::string_view source = entry.mnt_fsname;
        // Block devices ("/dev/sda1"), NFS ("host:/export") and SMB
        // ("//host/share") hold user data; proc, sysfs, cgroup, tmpfs and
        // the like have a plain word as their source.
        bool data = source.starts_with("/") || source.find(':') != source.npos;
        if (!data) continue;
        struct statvfs vfs;
        if (statvfs(entry.mnt_dir, &vfs) != 0 || vfs.f_blocks == 0) continue;
        out.emplace_back(entry.mnt_dir);
    }
    endmntent(mounts);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<std::string> wildExp(const std::vector<std::string>& masks) {
    std::vector<std::string> names;
    for (const auto& mask : masks) {
        size_t slash = mask.rfind('/');
        std::string folder = slash == mask.npos ? "." : mask.substr(0, slash == 0 ? 1 : slash);
        std::string pattern = slash == mask.npos ? mask : mask.substr(slash + 1);
        // "*.*" means every file, names without an extension included.
        if (pattern == "*.*") pattern = "*";
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        while (dirent* e = readdir(dir)) {
            // FNM_PERIOD is not given: "*" matches hidden names too.
            if (fnmatch(pattern.c_str(), e->d_name, FNM_CASEFOLD) != 0) continue;
            struct stat st;
            std::string full = folder + "/" + e->d_name;
            if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            names.emplace_back(e->d_name);
        }
        closedir(dir);
    }
    return names;
}

bool delDir(std::string_view folder) {
    std::string base(folder.empty() ? "." : folder);
    DIR* dir = opendir(base.c_str());
    if (!dir) return false;
    std::vector<std::string> files;
    while (dirent* e = readdir(dir)) {
        std::string full = base + "/" + e->d_name;
        struct stat st;
        if (lstat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) files.push_back(full);
    }
    closedir(dir);
    for (const auto& f : files)
        if (unlink(f.c_str()) != 0 && errno != ENOENT) return false;
    return true;
}

bool isReady(std::string_view folder, bool showMessage) {
    if (folder.empty()) return true;
    std::string path(folder);
    struct stat st;
    struct statvfs vfs;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && statvfs(path.c_str(), &vfs) == 0)
        return true;
    // The station semaphore would be released here before the message; no
    // operation of this program holds it once started, so there is nothing
    // to release.
    if (showMessage) msgInfo(QStringLiteral("Disco non pronto."));
    return false;
}

// ---- 3. Files -------------------------------------------------------------

namespace {

struct Moment {
    std::string date;     // YYYYMMDD
    long hundredths = 0;  // since midnight
};

Moment now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    Moment m;
    m.date = buf;
    m.hundredths =
        ((tm.tm_hour * 60L + tm.tm_min) * 60L + tm.tm_sec) * 100L + ts.tv_nsec / 10000000L;
    return m;
}

}  // namespace

std::string getNewFName() {
    // The last name given, so that a clock set back cannot repeat one.
    static Moment last;
    Moment m = now();
    if (m.date == last.date && m.hundredths <= last.hundredths) {
        // The clock has gone back (or not moved on): continue after the last name.
        m.hundredths = last.hundredths + 1;
    }
    last = m;
    // Wait until the hundredths counter has moved on (at most a hundredth of
    // a second) so the next call starts from a later moment.
    for (int i = 0; i < 20; ++i) {
        Moment later = now();
        if (later.date != m.date || later.hundredths != m.hundredths) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return "\x7F" + m.date + std::to_string(m.hundredths);
}

bool isReadOnly(std::string_view path) {
    std::string p(path);
    int fd = ::open(p.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    // Access denied: permissions, or a file on a read-only file system
    // (which can no more be written than a read-only file).
    if (errno == EACCES || errno == EPERM || errno == EROFS) {
        msgInfo(QStringLiteral("File non accessibile."));
        return true;
    }
    return false;
}

std::optional<std::string> fReadLine(int fd, size_t blockSize) {
    if (blockSize == 0) blockSize = 128;
    std::string block(blockSize, '\0');
    ssize_t got;
    do {
        got = ::read(fd, block.data(), blockSize);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return std::nullopt;
    block.resize(static_cast<size_t>(got));

    size_t end = block.find_first_of("\r\n");
    std::string line;
    size_t consumed;
    if (end != block.npos) {
        line = block.substr(0, end);
        size_t term = 1;
        if (block[end] == '\r') {
            if (end + 1 < block.size()) {
                if (block[end + 1] == '\n') term = 2;
            } else {
                // The CR closes the block: its LF, if any, is the next byte.
                char next;
                if (::read(fd, &next, 1) == 1)
                    ::lseek(fd, -1, SEEK_CUR);
                else
                    next = '\0';
                if (next == '\n') term = 2;
            }
        }
        consumed = end + term;
    } else {
        // No terminator in the block: the file ends here, or the line is
        // longer than a block and comes back in pieces. A terminator right
        // after a full piece belongs to it, not to an empty line.
        line = block;
        consumed = block.size();
        if (block.size() == blockSize) {
            char next[2];
            ssize_t n = ::read(fd, next, 2);
            size_t term = 0;
            if (n >= 1 && next[0] == '\n') term = 1;
            if (n >= 1 && next[0] == '\r') term = (n == 2 && next[1] == '\n') ? 2 : 1;
            if (n > 0) ::lseek(fd, static_cast<off_t>(term) - n, SEEK_CUR);
        }
    }
    ::lseek(fd, static_cast<off_t>(consumed) - got, SEEK_CUR);
    return line;
}

}  // namespace drav
