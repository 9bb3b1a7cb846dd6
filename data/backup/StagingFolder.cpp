// The staging folder of a restore (see StagingFolder.h).
//
//   1. Opening and removing
//   2. Commit: save the old files, move the new ones in, undo on failure
//   3. Sweeping stale folders
#include "data/backup/StagingFolder.h"

#include "util/FileHelpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

namespace drav::data {
namespace {

constexpr const char* kLockName = "LOCK";
constexpr const char* kOldFolder = "OLD";

StagingFolder::RenameFault& renameFault() {
    static StagingFolder::RenameFault f;
    return f;
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

// ---- 1. Opening and removing ----------------------------------------------

StagingFolder::~StagingFolder() {
    remove();
}

Status StagingFolder::open(const std::string& dataFolder) {
    remove();
    std::string base = dataFolder.empty() ? "." : dataFolder;
    // getNewFName() never repeats within this process; another station
    // restoring in the same hundredth of a second gets EEXIST and a new try.
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::string path = base + "/" + getNewFName();
        if (::mkdir(path.c_str(), 0700) == 0) {
            m_dataFolder = base;
            m_path = path;
            break;
        }
        if (errno != EEXIST) return Status::ioError(path, errno, "cannot create folder");
    }
    if (m_path.empty()) return Status::ioError(base, EEXIST, "cannot create folder");
    if (Status s = File::create(m_path + "/" + kLockName, File::Share::Exclusive, m_lock); !s) {
        remove();
        return s;
    }
    if (::mkdir((m_path + "/" + kOldFolder).c_str(), 0700) != 0) {
        Status s = Status::ioError(m_path, errno, "cannot create folder");
        remove();
        return s;
    }
    return Status::ok();
}

void StagingFolder::remove() {
    m_lock.close();
    if (m_path.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);  // never follows links
    m_path.clear();
}

// ---- 2. Commit --------------------------------------------------------------

StagingFolder::RenameFault StagingFolder::TEST_setRenameFault(RenameFault fault) {
    return std::exchange(renameFault(), std::move(fault));
}

Status StagingFolder::commit(const std::vector<std::string>& names) {
    namespace fs = std::filesystem;
    const std::string oldFolder = m_path + "/" + kOldFolder + "/";
    auto target = [&](const std::string& name) { return m_dataFolder + "/" + name; };

    // First keep every table about to be replaced, without touching the data
    // folder: a hard link costs nothing; where the disk has none, a copy.
    std::vector<bool> existed(names.size(), false);
    for (size_t i = 0; i < names.size(); ++i) {
        struct stat st;
        if (::lstat(target(names[i]).c_str(), &st) != 0) {
            if (errno == ENOENT) continue;
            return Status::ioError(target(names[i]), errno, "cannot read file status");
        }
        existed[i] = true;
        std::string saved = oldFolder + names[i];
        if (::link(target(names[i]).c_str(), saved.c_str()) == 0) continue;
        int err = errno;
        std::error_code ec;
        if (!S_ISREG(st.st_mode) || !fs::copy_file(target(names[i]), saved, ec))
            return Status::ioError(target(names[i]), ec ? ec.value() : err, "cannot keep file");
    }

    // Then move the new files in, each rename replacing its table at once.
    for (size_t i = 0; i < names.size(); ++i) {
        int err = renameFault() ? renameFault()(target(names[i])) : 0;
        if (err == 0 && ::rename(filePath(names[i]).c_str(), target(names[i]).c_str()) != 0)
            err = errno;
        if (err == 0) continue;
        // Undo, last first: a new table goes, a replaced one comes back.
        for (size_t j = i; j-- > 0;) {
            if (existed[j])
                ::rename((oldFolder + names[j]).c_str(), target(names[j]).c_str());
            else
                ::unlink(target(names[j]).c_str());
        }
        syncFolder(m_dataFolder);
        return Status::ioError(target(names[i]), err, "cannot move restored file into place");
    }
    syncFolder(m_dataFolder);
    return Status::ok();
}

// ---- 3. Sweeping stale folders -----------------------------------------------

void sweepStaleStaging(const std::string& dataFolder) {
    std::string base = dataFolder.empty() ? "." : dataFolder;
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(base.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            if (static_cast<unsigned char>(e->d_name[0]) != 0x7F) continue;
            std::string path = base + "/" + e->d_name;
            struct stat st;
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) found.push_back(path);
        }
        ::closedir(dir);
    }
    for (const std::string& path : found) {
        File lock;
        Status s = File::open(path + "/" + kLockName, File::Share::Exclusive, true, lock);
        if (s.isNotFound()) {
            ::rmdir(path.c_str());  // only an empty folder: one that never held a restore
            continue;
        }
        if (!s) continue;  // its restore is still running
        lock.close();
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
}

}  // namespace drav::data
