// Writing a backup archive (see Zip.h).
//
//   1. Helpers: names, entry dates, the temporary archive
//   2. Adding one file
//   3. zip, zipFrom
#include "data/backup/Zip.h"

#include "util/FileHelpers.h"
#include "util/Messages.h"

#include <fcntl.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <QFile>

#include <cerrno>
#include <ctime>
#include <vector>

namespace drav::data {
namespace {

// ---- 1. Helpers -------------------------------------------------------------

QString shown(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string bareName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string inFolder(const std::string& folder, const std::string& name) {
    if (name.empty() || name.front() == '/' || folder.empty() || folder == ".") return name;
    return folder + "/" + name;
}

// The file's local modification time as a ZIP entry stores it (DOS date:
// years 1980 to 2107 only).
tm_zip entryTime(time_t mtime) {
    std::tm tm{};
    localtime_r(&mtime, &tm);
    tm_zip t{};
    int year = tm.tm_year + 1900;
    if (year < 1980) return tm_zip{0, 0, 0, 1, 0, 1980};
    if (year > 2107) return tm_zip{58, 59, 23, 31, 11, 2107};
    t.tm_sec = static_cast<uInt>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    t.tm_min = static_cast<uInt>(tm.tm_min);
    t.tm_hour = static_cast<uInt>(tm.tm_hour);
    t.tm_mday = static_cast<uInt>(tm.tm_mday);
    t.tm_mon = static_cast<uInt>(tm.tm_mon);
    t.tm_year = static_cast<uInt>(year);
    return t;
}

bool syncPath(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The archive being written, under a temporary name beside the final one;
// removed unless it was given the final name.
class PendingArchive {
public:
    explicit PendingArchive(const std::string& finalName)
        : m_final(finalName), m_temp(folderOf(finalName) + "/" + getNewFName()) {}
    ~PendingArchive() {
        if (!m_temp.empty()) ::unlink(m_temp.c_str());
    }
    PendingArchive(const PendingArchive&) = delete;
    PendingArchive& operator=(const PendingArchive&) = delete;

    const std::string& tempName() const { return m_temp; }
    // Flushes the archive to the disk and gives it its name, replacing an
    // older archive of that name in one step.
    bool publish() {
        if (!syncPath(m_temp, 0) || ::rename(m_temp.c_str(), m_final.c_str()) != 0) return false;
        m_temp.clear();
        syncPath(folderOf(m_final), O_DIRECTORY);
        return true;
    }

private:
    std::string m_final;
    std::string m_temp;
};

// ---- 2. Adding one file -------------------------------------------------------

bool addFile(zipFile zf, const std::string& path, const std::string& entryName) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;

    zip_fileinfo info{};
    info.tmz_date = entryTime(st.st_mtime);
    info.dosDate = 0;  // take the date from tmz_date
    int zip64 = static_cast<uint64_t>(st.st_size) >= 0xffffffffULL ? 1 : 0;
    if (zipOpenNewFileInZip64(zf, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, Z_DEFAULT_COMPRESSION, zip64) != ZIP_OK)
        return false;
    bool ok = true;
    std::vector<char> buf(64 * 1024);
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (zipWriteInFileInZip(zf, buf.data(), static_cast<unsigned>(n)) != ZIP_OK) {
            ok = false;
            break;
        }
    }
    return zipCloseFileInZip(zf) == ZIP_OK && ok;
}

enum class ZipResult { Written, Missing, CannotWrite };

ZipResult writeArchive(const std::string& dataFolder, const std::string& archiveName,
                       const std::vector<std::string>& files, std::string* missing) {
    for (const std::string& f : files) {
        struct stat st;
        if (::stat(inFolder(dataFolder, f).c_str(), &st) != 0) {
            *missing = f;
            return ZipResult::Missing;
        }
    }
    PendingArchive archive(archiveName);
    zipFile zf = zipOpen64(archive.tempName().c_str(), APPEND_STATUS_CREATE);
    if (!zf) return ZipResult::CannotWrite;
    bool ok = true;
    for (const std::string& f : files) {
        if (!addFile(zf, inFolder(dataFolder, f), bareName(f))) {
            ok = false;
            break;
        }
    }
    ok = zipClose(zf, nullptr) == ZIP_OK && ok;
    return ok && archive.publish() ? ZipResult::Written : ZipResult::CannotWrite;
}

}  // namespace

// ---- 3. zip, zipFrom ------------------------------------------------------------

bool zipFrom(const std::string& dataFolder, const std::string& archiveName,
             const std::vector<std::string>& files) {
    if (!isReady(dataFolder.empty() ? "." : dataFolder)) return false;
    std::string missing;
    switch (writeArchive(dataFolder, archiveName, files, &missing)) {
        case ZipResult::Written:
            return true;
        case ZipResult::Missing:
            msgInfo(QStringLiteral("Impossibile trovare il file;;") + shown(missing));
            return false;
        case ZipResult::CannotWrite:
            break;
    }
    msgInfo(QStringLiteral("Si è verificato un errore durante la creazione del file;;") +
            shown(archiveName));
    return false;
}

bool zip(const std::string& archiveName, const std::vector<std::string>& files) {
    return zipFrom(".", archiveName, files);
}

}  // namespace drav::data
