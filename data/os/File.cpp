#include "data/os/File.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace drav::data {
namespace {

WriteFault& faultSlot() {
    static WriteFault f;
    return f;
}

int lockCmd(bool wait) { return wait ? F_OFD_SETLKW : F_OFD_SETLK; }

int setLock(int fd, short type, uint64_t offset, uint64_t length, bool wait) {
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;
    for (;;) {
        if (fcntl(fd, lockCmd(wait), &fl) == 0) return 0;
        if (errno == EINTR) continue;
        return errno;
    }
}

bool isConflict(int err) { return err == EAGAIN || err == EACCES; }

// Opens the descriptor read-write whenever the file allows it, since an
// exclusive byte-range lock needs write access; read-only tables are kept
// read-only by refusing writes here.
Status openFd(const std::string& path, bool readOnly, int flags, int& fd, bool& writable) {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | flags, 0666);
    writable = fd >= 0;
    if (fd < 0 && readOnly && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        int err = errno;
        if (err == ENOENT) return Status::notFound(path, err);
        return Status::ioError(path, err, "cannot open");
    }
    return Status::ok();
}

}  // namespace

WriteFault setWriteFault(WriteFault fault) { return std::exchange(faultSlot(), std::move(fault)); }

File::~File() { close(); }

File::File(File&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_readOnly(other.m_readOnly),
      m_share(other.m_share) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_readOnly = other.m_readOnly;
        m_share = other.m_share;
    }
    return *this;
}

Status File::open(const std::string& path, Share share, bool readOnly, File& out) {
    out.close();
    int fd;
    bool writable;
    if (Status s = openFd(path, readOnly, 0, fd, writable); !s) return s;
    bool exclusive = share == Share::Exclusive;
    int err = setLock(fd, (exclusive && writable) ? F_WRLCK : F_RDLCK, kShareModeOffset, 1, false);
    if (err) {
        ::close(fd);
        if (isConflict(err)) return Status::busy(path, "sharing violation");
        return Status::ioError(path, err, "cannot lock");
    }
    out.m_fd = fd;
    out.m_path = path;
    out.m_readOnly = readOnly;
    out.m_share = share;
    return Status::ok();
}

Status File::create(const std::string& path, Share share, File& out) {
    out.close();
    int fd;
    bool writable;
    if (Status s = openFd(path, false, O_CREAT, fd, writable); !s) return s;
    // Empty the file only once nobody else has it open.
    int err = setLock(fd, F_WRLCK, kShareModeOffset, 1, false);
    if (err) {
        ::close(fd);
        if (isConflict(err)) return Status::busy(path, "sharing violation");
        return Status::ioError(path, err, "cannot lock");
    }
    if (::ftruncate(fd, 0) != 0) {
        err = errno;
        ::close(fd);
        return Status::ioError(path, err, "cannot create");
    }
    if (share == Share::Shared) setLock(fd, F_RDLCK, kShareModeOffset, 1, false);
    out.m_fd = fd;
    out.m_path = path;
    out.m_readOnly = false;
    out.m_share = share;
    return Status::ok();
}

Status File::read(uint64_t offset, void* buffer, size_t n, size_t* got) const {
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < n) {
        ssize_t r = ::pread(m_fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            *got = done;
            return Status::ioError(m_path, errno, "read failed");
        }
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    *got = done;
    return Status::ok();
}

Status File::readExact(uint64_t offset, void* buffer, size_t n) const {
    size_t got = 0;
    if (Status s = read(offset, buffer, n, &got); !s) return s;
    if (got != n) return Status::corruption(m_path, "file shorter than its layout");
    return Status::ok();
}

Status File::write(uint64_t offset, const void* buffer, size_t n) {
    if (m_readOnly) return Status::ioError(m_path, EACCES, "file opened read-only");
    size_t limit = n;
    if (faultSlot()) {
        size_t allowed = n;
        int err = faultSlot()(m_path, offset, n, &allowed);
        if (err > 0) return err == ENOSPC ? Status::noSpace(m_path)
                                          : Status::ioError(m_path, err, "write failed");
        if (err < 0) limit = std::min(allowed, n);
    }
    size_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (done < limit) {
        ssize_t r = ::pwrite(m_fd, p + done, limit - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOSPC) return Status::noSpace(m_path);
            return Status::ioError(m_path, errno, "write failed");
        }
        done += static_cast<size_t>(r);
    }
    if (done != n) return Status::ioError(m_path, EIO, "short write");
    return Status::ok();
}

Status File::size(uint64_t* out) const {
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return Status::ioError(m_path, errno, "cannot stat");
    *out = static_cast<uint64_t>(st.st_size);
    return Status::ok();
}

Status File::truncate(uint64_t length) {
    if (m_readOnly) return Status::ioError(m_path, EACCES, "file opened read-only");
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0)
        return Status::ioError(m_path, errno, "cannot truncate");
    return Status::ok();
}

Status File::sync() {
    if (::fdatasync(m_fd) != 0) return Status::ioError(m_path, errno, "cannot sync");
    return Status::ok();
}

void File::close() {
    if (m_fd >= 0) {
        ::close(m_fd);  // releases every lock of this open file description
        m_fd = -1;
    }
}

Status File::lock(uint64_t offset, uint64_t length, bool exclusive) {
    int err = setLock(m_fd, exclusive ? F_WRLCK : F_RDLCK, offset, length, false);
    if (err == 0) return Status::ok();
    if (isConflict(err)) return Status::busy(m_path, "lock held by another station");
    return Status::ioError(m_path, err, "lock failed");
}

Status File::lockWait(uint64_t offset, uint64_t length, bool exclusive) {
    int err = setLock(m_fd, exclusive ? F_WRLCK : F_RDLCK, offset, length, true);
    if (err == 0) return Status::ok();
    return Status::ioError(m_path, err, "lock failed");
}

Status File::unlock(uint64_t offset, uint64_t length) {
    int err = setLock(m_fd, F_UNLCK, offset, length, false);
    if (err == 0) return Status::ok();
    return Status::ioError(m_path, err, "unlock failed");
}

bool File::isLockedElsewhere(uint64_t offset, uint64_t length) const {
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    if (fcntl(m_fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

}  // namespace drav::data
