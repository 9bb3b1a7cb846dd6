// The instance. Sections: helpers; clean-up at process start; set-up; end of
// the instance; stored values; the station table.
#include "shell/Instance.h"

#include "data/access/ScopedTable.h"
#include "data/access/TableAccess.h"
#include "util/FileHelpers.h"
#include "util/Messages.h"
#include "util/NetMarker.h"
#include "util/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

namespace drav::shell {
namespace {

// ---- Helpers -----------------------------------------------------------------

constexpr char kMark = '\x7F';
constexpr const char* kUserFile = "USER";

std::function<bool(const std::string&)>& removeFault() {
    static std::function<bool(const std::string&)> f;
    return f;
}

bool faulted(const std::string& path) {
    if (removeFault() && removeFault()(path)) {
        errno = EBUSY;
        return true;
    }
    return false;
}

// Deletes a non-folder entry of the open folder dfd.
bool removeFileAt(int dfd, const std::string& dir, const std::string& name) {
    if (faulted(dir + name)) return false;
    return ::unlinkat(dfd, name.c_str(), 0) == 0 || errno == ENOENT;
}

bool removeDir(const std::string& path) {
    if (faulted(path)) return false;
    return ::rmdir(path.c_str()) == 0 || errno == ENOENT;
}

struct Entry {
    std::string name;
    bool isDir;
};

// The entries of an open folder, without "." and "..", not following links.
std::vector<Entry> listAt(int dfd) {
    std::vector<Entry> out;
    int dup = ::dup(dfd);
    if (dup < 0) return out;
    DIR* d = ::fdopendir(dup);
    if (!d) {
        ::close(dup);
        return out;
    }
    ::rewinddir(d);
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        struct stat st {};
        bool isDir =
            ::fstatat(dfd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        out.push_back({n, isDir});
    }
    ::closedir(d);
    return out;
}

// Opens a folder that is really a folder (not a link to one).
int openDir(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// True when another open file holds a lock on byte 0 of the file: a running
// instance's "USER" file.
bool lockedElsewhere(int dfd, const char* name) {
    int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    bool locked = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

QString shownPath(const std::string& path) {
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

// Deletes the folder's contents depth first and then the folder; the first
// failure stops everything with its message.
bool removeTree(const std::string& dir) {
    std::string base = dir;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    ::chmod(base.c_str(), 0700);  // a read-only folder's files could not go
    int dfd = openDir(base);
    if (dfd >= 0) {
        for (const Entry& e : listAt(dfd)) {
            bool ok =
                e.isDir ? removeTree(base + "/" + e.name) : removeFileAt(dfd, base + "/", e.name);
            if (!ok) {
                if (!e.isDir)
                    msgInfo(QStringLiteral("Impossibile cancellare il file ") +
                            shownPath(base + "/" + e.name) + QStringLiteral("."));
                ::close(dfd);
                return false;
            }
        }
        ::close(dfd);
    }
    if (!removeDir(base)) {
        msgInfo(QStringLiteral("Impossibile cancellare la cartella ") + shownPath(base) +
                QStringLiteral("."));
        return false;
    }
    return true;
}

std::string g_temp, g_user;
int g_huser = -1;

}  // namespace

std::function<bool(const std::string&)> Instance::TEST_setRemoveFault(
    std::function<bool(const std::string&)> fault) {
    return std::exchange(removeFault(), std::move(fault));
}

Instance::Instance(std::string dataFolder, std::optional<std::string> temp)
    : m_dataFolder(std::move(dataFolder)), m_temp(temp ? *temp : tempFolder()) {
    while (m_temp.size() > 1 && m_temp.back() == '/') m_temp.pop_back();
}

Instance::~Instance() {
    // An instance that was not ended keeps its folder, as after a crash; the
    // next start's clean-up removes it.
    if (m_fd >= 0) ::close(m_fd);
}

// ---- Clean-up at process start -------------------------------------------------

void Instance::cleanStale() const {
    // 1. Temporary files left in the data folder.
    std::string data = m_dataFolder.empty() ? std::string(".") : m_dataFolder;
    if (int dfd = openDir(data); dfd >= 0) {
        for (const Entry& e : listAt(dfd)) {
            struct stat st {};
            if (e.name[0] != kMark ||
                ::fstatat(dfd, e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(st.st_mode))
                continue;
            (void)removeFileAt(dfd, data + "/", e.name);
        }
        ::close(dfd);
    }
    // 2. Instance folders nobody holds. The temporary folder is shared with
    // every user of the machine: only this user's own folders are touched.
    int tfd = openDir(m_temp);
    if (tfd < 0) return;
    for (const Entry& e : listAt(tfd)) {
        if (e.name[0] != kMark || !e.isDir) continue;
        std::string path = m_temp + "/" + e.name;
        int dfd = ::openat(tfd, e.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dfd < 0) continue;
        struct stat st {};
        if (::fstat(dfd, &st) != 0 || st.st_uid != ::geteuid() || lockedElsewhere(dfd, kUserFile)) {
            ::close(dfd);
            continue;
        }
        ::fchmod(dfd, 0700);
        for (const Entry& f : listAt(dfd)) {
            if (f.isDir) continue;
            if (!removeFileAt(dfd, path + "/", f.name)) break;
        }
        ::close(dfd);
        (void)removeDir(path);  // stays while it still holds something
    }
    ::close(tfd);
}

// ---- Set-up ---------------------------------------------------------------------

Instance::Claim Instance::claim(const std::string& name) {
    std::string staging = m_temp + "/" + kMark + "NEWXXXXXX";
    if (!::mkdtemp(staging.data())) return Claim::Failed;  // mode 0700
    const std::string final = m_temp + "/" + name;
    int fd = ::open((staging + "/" + kUserFile).c_str(),
                    O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    auto giveUp = [&](const std::string& dir, Claim result) {
        if (fd >= 0) {
            ::unlink((dir + "/" + kUserFile).c_str());
            ::close(fd);
        }
        ::rmdir(dir.c_str());
        return result;
    };
    // ENOENT: another start's clean-up removed the staging folder.
    if (fd < 0) return giveUp(staging, errno == ENOENT ? Claim::Retry : Claim::Failed);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) return giveUp(staging, Claim::Failed);
    // The folder takes its final name only with the lock held, and never over
    // another instance's folder.
    if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, final.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST || errno == ENOTEMPTY || errno == ENOENT)
            return giveUp(staging, Claim::Retry);
        if (errno != EINVAL && errno != ENOSYS) return giveUp(staging, Claim::Failed);
        // A file system without the no-replace rename: claim the name with
        // mkdir, then put the staging folder over our own empty folder.
        if (::mkdir(final.c_str(), 0700) != 0) return giveUp(staging, Claim::Retry);
        if (::rename(staging.c_str(), final.c_str()) != 0) {
            ::rmdir(final.c_str());
            return giveUp(staging, Claim::Retry);
        }
    }
    // A start-up clean-up of another instance may have emptied the staging
    // folder before the lock was taken: the file must be the one we hold.
    struct stat held {
    }, there{};
    if (::fstat(fd, &held) != 0 || ::lstat((final + "/" + kUserFile).c_str(), &there) != 0 ||
        held.st_dev != there.st_dev || held.st_ino != there.st_ino)
        return giveUp(final, Claim::Retry);
    m_fd = fd;
    return Claim::Claimed;
}

bool Instance::setUp() {
    if (isSetUp()) return true;
    sCreate(m_dataFolder);
    // Each try takes a new name: getNewFName never gives one twice.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = getNewFName();
        Claim c = claim(name);
        if (c == Claim::Retry) continue;
        if (c == Claim::Failed) return false;  // no usable temporary folder: nothing to say
        m_name = name;
        m_folder = m_temp + "/" + name + "/";
        setUser(m_name);
        setHUser(m_fd);
        setTemp(m_folder);
        setInstanceFolder(m_folder);
        return true;
    }
    return false;
}

// ---- End of the instance ------------------------------------------------------

void Instance::end() {
    if (!isSetUp()) return;
    if (setHUser() == m_fd) setHUser(-1);
    ::close(m_fd);
    m_fd = -1;
    if (instanceFolder() == m_folder) {
        setInstanceFolder("");
        setTemp("");
    }
    (void)removeTree(m_folder);
}

// ---- Stored values --------------------------------------------------------------

std::string setTemp(std::optional<std::string> value) {
    if (value) g_temp = std::move(*value);
    return g_temp;
}

std::string setUser(std::optional<std::string> value) {
    if (value) g_user = std::move(*value);
    return g_user;
}

int setHUser(std::optional<int> value) {
    if (value) g_huser = *value;
    return g_huser;
}

// ---- The station table ----------------------------------------------------------

void sCreate(const std::string& dataFolder) {
    std::string folder = dataFolder.empty() ? std::string() : dataFolder + "/";
    struct stat st {};
    if (::stat((folder + "NET").c_str(), &st) == 0 || networkMode()) return;
    // "NET." names the file NET, without an extension.
    data::dbGen(folder + "NET.", {{"LOCK", 'C', 1, 0}});
    data::ScopedTable net(folder + "NET.", "NET");
    data::dbApp();
    data::dbUnlock();
}

Instance& processInstance() {
    static Instance instance;
    return instance;
}

}  // namespace drav::shell
