// An open file of the data or instance folder, with the byte-range locks by
// which stations share it.
//
// Sections: opening and share modes; positioned reads and writes; byte-range
// locks; the fault hook used by tests.
//
// Share modes. Every open holds a lock on byte 2^32 of the file for as long
// as the file stays open: a shared lock for a shared open, an exclusive lock
// for an exclusive open. So an exclusive open fails while anybody has the
// file open, and a shared open fails while somebody has it exclusively; both
// failures are Busy (a sharing violation). The byte lies above every lock
// offset the table and index files use (all below 2^32).
//
// Locks are open-file-description locks (F_OFD_SETLK): they belong to this
// open file, not to the process, so two opens of one file in the same
// process conflict exactly as two stations do, and closing another
// descriptor of the file never drops them.
#pragma once

#include "data/Status.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace drav::data {

constexpr uint64_t kShareModeOffset = 4294967296ULL;  // 2^32

class File {
public:
    enum class Share { Shared, Exclusive };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file. NotFound when it does not exist; Busy when the
    // share mode conflicts with another open.
    static Status open(const std::string& path, Share share, bool readOnly, File& out);
    // Creates the file, or empties it when it exists (only when nobody else
    // has it open: Busy otherwise), and opens it read-write.
    static Status create(const std::string& path, Share share, File& out);

    bool isOpen() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }
    bool readOnly() const { return m_readOnly; }
    Share share() const { return m_share; }
    int fd() const { return m_fd; }

    // Reads up to n bytes at offset; *got receives the count (short at the end).
    Status read(uint64_t offset, void* buffer, size_t n, size_t* got) const;
    // Reads exactly n bytes; a short read is Corruption (the file is shorter
    // than its layout says).
    Status readExact(uint64_t offset, void* buffer, size_t n) const;
    Status write(uint64_t offset, const void* buffer, size_t n);
    Status size(uint64_t* out) const;
    Status truncate(uint64_t length);
    Status sync();
    void close();

    // Non-blocking: Busy when another open file holds a conflicting lock.
    Status lock(uint64_t offset, uint64_t length, bool exclusive);
    // Blocks until granted.
    Status lockWait(uint64_t offset, uint64_t length, bool exclusive);
    Status unlock(uint64_t offset, uint64_t length);
    // True when another open file holds a lock that conflicts with an
    // exclusive lock on the range (this open's own locks never count).
    bool isLockedElsewhere(uint64_t offset, uint64_t length) const;

private:
    int m_fd = -1;
    std::string m_path;
    bool m_readOnly = false;
    Share m_share = Share::Shared;
};

// An exclusive lock on one byte of an open file, waited for by take() and
// held until the end of the scope: the header locks by which stations take
// turns at a table's or a memo's header. A file open exclusively needs
// none, nobody else having it open.
class ByteLock {
public:
    ByteLock(File& file, uint64_t offset) : m_file(file), m_offset(offset) {}
    ~ByteLock() {
        if (m_held) (void)m_file.unlock(m_offset, 1);
    }
    ByteLock(const ByteLock&) = delete;
    ByteLock& operator=(const ByteLock&) = delete;

    Status take() {
        if (m_file.share() == File::Share::Exclusive) return Status::ok();
        Status s = m_file.lockWait(m_offset, 1, true);
        m_held = s.isOk();
        return s;
    }

private:
    File& m_file;
    uint64_t m_offset;
    bool m_held = false;
};

// Test seam: called before every write. Return 0 to let it happen, an errno
// value to make it fail, or -1 to make it write only *allowed bytes.
using WriteFault = std::function<int(const std::string& path, uint64_t offset, size_t length,
                                     size_t* allowed)>;
WriteFault setWriteFault(WriteFault fault);

}  // namespace drav::data
