// Replacing a table or memo file by its rebuilt form (see ReplaceFile.h).
//
//   1. Helpers: flushing a file or folder, reading a whole file in blocks
//   2. replaceFile
//   3. copyInto
#include "data/upgrade/ReplaceFile.h"

#include "util/FileHelpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace drav::data {
namespace {

// ---- 1. Helpers ----------------------------------------------------------------

constexpr size_t kCopyBlock = size_t(1) << 20;

ReplaceFault& replaceFault() {
    static ReplaceFault f;
    return f;
}

// The rename is lasting only once the folder itself is on the disk.
void syncFolder(const std::string& path) {
    std::string folder = folderOf(path);
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The new file takes the old one's permissions and, when this user may,
// its owner and group; nothing when there is no old file.
void keepAttributes(int fd, const std::string& old) {
    struct stat st;
    if (::stat(old.c_str(), &st) != 0) return;
    ::fchmod(fd, st.st_mode & 07777);
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Another user's file: the group alone may still be ours to give.
        (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    }
}

int renameOver(const std::string& from, const std::string& to) {
    if (const ReplaceFault& fault = replaceFault())
        if (int err = fault(to)) return err;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Copies every byte of the open source into the open target from offset 0.
Status copyBytes(int source, const std::string& sourcePath, File& target) {
    std::vector<char> block(kCopyBlock);
    uint64_t offset = 0;
    for (;;) {
        ssize_t got = ::pread(source, block.data(), block.size(), static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR) continue;
            return Status::ioError(sourcePath, errno, "cannot read file");
        }
        if (got == 0) return Status::ok();
        if (Status s = target.write(offset, block.data(), static_cast<size_t>(got)); !s) return s;
        offset += static_cast<uint64_t>(got);
    }
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

ReplaceFault TEST_setReplaceFault(ReplaceFault fault) {
    return std::exchange(replaceFault(), std::move(fault));
}

std::string replaceCopyName(const std::string& from, const std::string& to) {
    return folderOf(to) + "\x7F" + fileNameOf(from);
}

// ---- 2. replaceFile --------------------------------------------------------------

Status replaceFile(const std::string& from, const std::string& to, bool copy, File& held) {
    held.close();
    if (!copy) {
        {
            Fd fd(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
            if (fd.get() < 0) return Status::ioError(from, errno, "cannot open file");
            keepAttributes(fd.get(), to);
            if (::fsync(fd.get()) != 0) return Status::ioError(from, errno, "cannot flush file");
        }
        if (int err = renameOver(from, to)) return Status::ioError(to, err, "cannot rename file");
        syncFolder(to);
        return Status::ok();
    }

    const std::string temp = replaceCopyName(from, to);
    auto fail = [&](Status s) {
        held.close();
        ::unlink(temp.c_str());
        return s;
    };
    // Opened exclusively from the start, so the share mode travels with the
    // file through the rename.
    if (Status s = File::create(temp, File::Share::Exclusive, held); !s) return fail(s);
    {
        Fd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
        if (source.get() < 0) return fail(Status::ioError(from, errno, "cannot open file"));
        if (Status s = copyBytes(source.get(), from, held); !s) return fail(s);
    }
    keepAttributes(held.fd(), to);
    if (Status s = held.sync(); !s) return fail(s);
    if (int err = renameOver(temp, to)) return fail(Status::ioError(to, err, "cannot rename file"));
    syncFolder(to);
    return Status::ok();
}

// ---- 3. copyInto -------------------------------------------------------------------

Status copyInto(const std::string& from, const std::string& to) {
    File target;
    if (Status s = File::open(to, File::Share::Exclusive, false, target); !s) return s;
    if (Status s = target.truncate(0); !s) return s;
    Fd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) return Status::ioError(from, errno, "cannot open file");
    if (Status s = copyBytes(source.get(), from, target); !s) return s;
    return target.sync();
}

}  // namespace drav::data
