// Restoring a backup archive (see Unzip.h for the checks).
//
//   1. Helpers: messages, open handles, free space
//   2. Planning: judge every entry from the archive's directory
//   3. Unpacking one entry, counting what comes out
//   4. unzip, unzipInto
#include "data/backup/Unzip.h"

#include "data/backup/EntryName.h"
#include "data/backup/StagingFolder.h"
#include "util/FileHelpers.h"
#include "util/Messages.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>
#include <QFile>

#include <cerrno>
#include <memory>
#include <set>
#include <type_traits>
#include <vector>

namespace drav::data {
namespace {

// ---- 1. Helpers ---------------------------------------------------------------

// Kept free on the disk, as every save does before it writes.
constexpr uint64_t kKeepFree = 8192;
// What one more file costs on the disk besides its bytes (its inode and
// last block), so that many small entries are counted too.
constexpr uint64_t kPerFile = 4096;
constexpr unsigned kHostUnix = 3;  // "version made by" high byte of Unix archivers

std::optional<uint64_t>& freeSpaceOverride() {
    static std::optional<uint64_t> bytes;
    return bytes;
}

QString shown(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

struct UnzCloser {
    void operator()(std::remove_pointer_t<unzFile>* f) const { unzClose(f); }
};
using UnzHandle = std::unique_ptr<std::remove_pointer_t<unzFile>, UnzCloser>;

enum class Outcome { Ok, Refused, NoSpace };

uint64_t freeSpace(const std::string& folder) {
    if (freeSpaceOverride()) return *freeSpaceOverride();
    struct statvfs vfs;
    if (::statvfs(folder.c_str(), &vfs) != 0) return 0;
    return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

uint64_t addCapped(uint64_t a, uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// ---- 2. Planning ----------------------------------------------------------------

struct PlannedEntry {
    std::string fileName;  // in capitals
    unz64_file_pos pos{};
    uint64_t size = 0;  // declared uncompressed size
    uint32_t crc = 0;   // declared CRC-32
};

// The Unix file type of an entry written by a Unix archiver; 0 otherwise.
unsigned unixType(const unz_file_info64& info) {
    if ((info.version >> 8) != kHostUnix) return 0;
    return static_cast<unsigned>((info.external_fa >> 16) & S_IFMT);
}

Outcome planRestore(unzFile uf, std::vector<PlannedEntry>& plan) {
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(uf, &global) != UNZ_OK || global.number_entry == 0)
        return Outcome::Refused;
    std::set<std::string> names;
    int rc = unzGoToFirstFile(uf);
    while (rc == UNZ_OK) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return Outcome::Refused;
        std::string raw(info.size_filename, '\0');
        if (unzGetCurrentFileInfo64(uf, &info, raw.data(), raw.size(), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            return Outcome::Refused;

        unsigned type = unixType(info);
        // Links could point anywhere; devices and pipes are no files to restore.
        if (type != 0 && type != S_IFREG && type != S_IFDIR) return Outcome::Refused;
        EntryJudgement j = judgeEntryName(raw);
        if (j.verdict == EntryVerdict::Refuse) return Outcome::Refused;
        bool folderEntry = type == S_IFDIR || (info.external_fa & 0x10) != 0;  // DOS folder bit
        if (j.verdict == EntryVerdict::Restore && !folderEntry) {
            bool encrypted = (info.flag & 1) != 0;
            bool known = info.compression_method == 0 || info.compression_method == Z_DEFLATED;
            if (encrypted || !known || !names.insert(j.fileName).second) return Outcome::Refused;
            PlannedEntry e;
            e.fileName = j.fileName;
            e.size = info.uncompressed_size;
            e.crc = static_cast<uint32_t>(info.crc);
            if (unzGetFilePos64(uf, &e.pos) != UNZ_OK) return Outcome::Refused;
            plan.push_back(std::move(e));
        }
        rc = unzGoToNextFile(uf);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE || plan.empty()) return Outcome::Refused;
    return Outcome::Ok;
}

Outcome checkSpace(const std::vector<PlannedEntry>& plan, const std::string& folder) {
    uint64_t need = kKeepFree;
    for (const PlannedEntry& e : plan) need = addCapped(need, addCapped(e.size, kPerFile));
    return need <= freeSpace(folder) ? Outcome::Ok : Outcome::NoSpace;
}

// ---- 3. Unpacking one entry ---------------------------------------------------------

// Writes what comes out of an entry to its staged file, refusing to go past
// the declared size.
class EntrySink {
public:
    EntrySink(int fd, uint64_t declared) : m_fd(fd), m_declared(declared) {}
    Outcome put(const unsigned char* p, size_t n) {
        if (n > m_declared - m_written) return Outcome::Refused;  // more than declared
        m_written += n;
        m_crc = crc32(m_crc, p, static_cast<uInt>(n));
        while (n > 0) {
            ssize_t w = ::write(m_fd, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0)
                return errno == ENOSPC || errno == EDQUOT ? Outcome::NoSpace : Outcome::Refused;
            p += w;
            n -= static_cast<size_t>(w);
        }
        return Outcome::Ok;
    }
    uint64_t written() const { return m_written; }
    uint32_t crc() const { return static_cast<uint32_t>(m_crc); }

private:
    int m_fd;
    uint64_t m_declared;
    uint64_t m_written = 0;
    uLong m_crc = crc32(0L, Z_NULL, 0);
};

// `like` is the file the entry will replace, if any: the restored file takes
// its permissions, so a data folder shared through group rights stays so.
Outcome unpackEntry(unzFile uf, const PlannedEntry& e, const std::string& path,
                    const std::string& like) {
    unz64_file_pos pos = e.pos;
    int method = 0;
    // Read raw and inflate here: the count of bytes that come out is ours,
    // not the archive's.
    if (unzGoToFilePos64(uf, &pos) != UNZ_OK ||
        unzOpenCurrentFile2(uf, &method, nullptr, 1) != UNZ_OK)
        return Outcome::Refused;
    struct EntryCloser {
        unzFile uf;
        ~EntryCloser() { unzCloseCurrentFile(uf); }
    } entryCloser{uf};
    if (method != 0 && method != Z_DEFLATED) return Outcome::Refused;

    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return errno == ENOSPC || errno == EDQUOT ? Outcome::NoSpace : Outcome::Refused;
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } fdCloser{fd};
    struct stat old;
    if (::stat(like.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

    z_stream zs{};
    bool inflating = method == Z_DEFLATED;
    if (inflating && inflateInit2(&zs, -MAX_WBITS) != Z_OK) return Outcome::Refused;
    struct InflateEnd {
        z_stream* zs;
        ~InflateEnd() {
            if (zs) inflateEnd(zs);
        }
    } inflateEndGuard{inflating ? &zs : nullptr};

    EntrySink sink(fd, e.size);
    std::vector<unsigned char> in(64 * 1024), out(64 * 1024);
    bool streamEnd = false;
    while (!streamEnd) {
        int n = unzReadCurrentFile(uf, in.data(), static_cast<unsigned>(in.size()));
        if (n < 0) return Outcome::Refused;
        if (n == 0) break;
        if (!inflating) {
            if (Outcome o = sink.put(in.data(), static_cast<size_t>(n)); o != Outcome::Ok) return o;
            continue;
        }
        zs.next_in = in.data();
        zs.avail_in = static_cast<uInt>(n);
        do {
            zs.next_out = out.data();
            zs.avail_out = static_cast<uInt>(out.size());
            int r = inflate(&zs, Z_NO_FLUSH);
            if (r == Z_STREAM_END)
                streamEnd = true;
            else if (r != Z_OK && r != Z_BUF_ERROR)
                return Outcome::Refused;
            size_t produced = out.size() - zs.avail_out;
            if (Outcome o = sink.put(out.data(), produced); o != Outcome::Ok) return o;
            if (r == Z_BUF_ERROR && produced == 0) break;  // needs more input
        } while (!streamEnd && (zs.avail_in > 0 || zs.avail_out == 0));
    }
    if (inflating && !streamEnd) return Outcome::Refused;  // the stream stops short
    if (sink.written() != e.size || sink.crc() != e.crc) return Outcome::Refused;
    if (::fsync(fd) != 0) return errno == ENOSPC ? Outcome::NoSpace : Outcome::Refused;
    return Outcome::Ok;
}

Outcome restore(const std::string& archiveName, const std::string& folder) {
    UnzHandle uf(unzOpen64(archiveName.c_str()));
    if (!uf) return Outcome::Refused;
    std::vector<PlannedEntry> plan;
    if (Outcome o = planRestore(uf.get(), plan); o != Outcome::Ok) return o;
    if (Outcome o = checkSpace(plan, folder); o != Outcome::Ok) return o;

    StagingFolder staging;
    if (Status s = staging.open(folder); !s)
        return s.err() == ENOSPC ? Outcome::NoSpace : Outcome::Refused;
    std::vector<std::string> names;
    for (const PlannedEntry& e : plan) {
        Outcome o =
            unpackEntry(uf.get(), e, staging.filePath(e.fileName), folder + "/" + e.fileName);
        if (o != Outcome::Ok) return o;
        names.push_back(e.fileName);
    }
    uf.reset();
    return staging.commit(names) ? Outcome::Ok : Outcome::Refused;
}

}  // namespace

// ---- 4. unzip, unzipInto ---------------------------------------------------------------

void TEST_setRestoreFreeSpace(std::optional<uint64_t> bytes) {
    freeSpaceOverride() = bytes;
}

bool unzipInto(const std::string& archiveName, const std::string& dataFolder) {
    const std::string folder = dataFolder.empty() ? "." : dataFolder;
    if (!isReady(folder)) return false;
    struct stat st;
    if (::stat(archiveName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        msgInfo(QStringLiteral("Impossibile trovare il file;;") + shown(archiveName));
        return false;
    }
    // The staging folder and the archive are closed before any message shows.
    switch (restore(archiveName, folder)) {
        case Outcome::Ok:
            return true;
        case Outcome::NoSpace:
            msgInfo(QStringLiteral("Spazio sul disco insufficiente."));
            return false;
        case Outcome::Refused:
            break;
    }
    msgInfo(QStringLiteral("Si è verificato un errore durante la decompressione del file;;") +
            shown(archiveName));
    return false;
}

bool unzip(const std::string& archiveName) {
    return unzipInto(archiveName, ".");
}

}  // namespace drav::data
