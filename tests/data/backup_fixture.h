// Helpers of the backup tests: archives built entry by entry (well-formed
// or not), the entries of an archive read back, and a snapshot of a folder
// tree to prove that nothing in it changed.
#pragma once

#include "tests/support/TempDir.h"
#include "util/FileHelpers.h"

#include <dirent.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace drav::test {

inline uint32_t crcOf(const std::string& data) {
    return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                       reinterpret_cast<const Bytef*>(data.data()),
                                       static_cast<uInt>(data.size())));
}

// The data as a raw deflate stream (no zlib header), as a ZIP entry holds it.
inline std::string deflateRaw(const std::string& data) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&zs, data.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

// Writes an archive entry by entry, including entries no honest archiver
// would write.
class ZipBuilder {
public:
    explicit ZipBuilder(const std::string& path)
        : m_zf(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)) {
        if (!m_zf) throw std::runtime_error("cannot create " + path);
    }
    ~ZipBuilder() { close(); }

    ZipBuilder& add(const std::string& name, const std::string& data) {
        zip_fileinfo info{};
        open(name, info, Z_DEFLATED, 0, 0);
        write(data);
        check(zipCloseFileInZip(m_zf), name);
        return *this;
    }
    // An entry written by a Unix archiver with the given file mode.
    ZipBuilder& addUnix(const std::string& name, const std::string& data, unsigned mode) {
        zip_fileinfo info{};
        info.external_fa = static_cast<uLong>(mode) << 16;
        open(name, info, Z_DEFLATED, (3u << 8) | 20u, 0);
        write(data);
        check(zipCloseFileInZip(m_zf), name);
        return *this;
    }
    ZipBuilder& addSymlink(const std::string& name, const std::string& target) {
        return addUnix(name, target, S_IFLNK | 0777);
    }
    // An entry whose stored bytes and declared size and CRC are given as they
    // are, true or not.
    ZipBuilder& addRaw(const std::string& name, const std::string& stored, uint64_t declaredSize,
                       uint32_t declaredCrc, int method = Z_DEFLATED) {
        zip_fileinfo info{};
        check(zipOpenNewFileInZip2_64(m_zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      method, Z_DEFAULT_COMPRESSION, 1, 0),
              name);
        write(stored);
        check(zipCloseFileInZipRaw64(m_zf, declaredSize, declaredCrc), name);
        return *this;
    }
    ZipBuilder& addEncrypted(const std::string& name, const std::string& data) {
        zip_fileinfo info{};
        check(zipOpenNewFileInZip3_64(m_zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                      DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, "segreto", crcOf(data), 0),
              name);
        write(data);
        check(zipCloseFileInZip(m_zf), name);
        return *this;
    }
    void close() {
        if (m_zf) zipClose(m_zf, nullptr);
        m_zf = nullptr;
    }

private:
    void open(const std::string& name, const zip_fileinfo& info, int method, unsigned madeBy,
              int raw) {
        check(zipOpenNewFileInZip4_64(m_zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      method, Z_DEFAULT_COMPRESSION, raw, -MAX_WBITS, DEF_MEM_LEVEL,
                                      Z_DEFAULT_STRATEGY, nullptr, 0, madeBy, 0, 0),
              name);
    }
    void write(const std::string& data) {
        for (size_t at = 0; at < data.size() || at == 0; at += 1 << 20) {
            size_t n = std::min<size_t>(data.size() - at, 1 << 20);
            check(zipWriteInFileInZip(m_zf, data.data() + at, static_cast<unsigned>(n)), "data");
            if (data.empty()) break;
        }
    }
    static void check(int rc, const std::string& what) {
        if (rc != ZIP_OK) throw std::runtime_error("minizip failed on " + what);
    }

    zipFile m_zf;
};

struct ReadEntry {
    std::string name;
    std::string data;
    tm_unz date{};
};

// Every entry of an archive, in archive order.
inline std::vector<ReadEntry> readArchive(const std::string& path) {
    std::vector<ReadEntry> out;
    unzFile uf = unzOpen64(path.c_str());
    if (!uf) throw std::runtime_error("cannot open " + path);
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info{};
        char name[512] = {};
        unzGetCurrentFileInfo64(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        ReadEntry e{name, std::string(info.uncompressed_size, '\0'), info.tmu_date};
        unzOpenCurrentFile(uf);
        unzReadCurrentFile(uf, e.data.data(), static_cast<unsigned>(e.data.size()));
        unzCloseCurrentFile(uf);
        out.push_back(std::move(e));
    }
    unzClose(uf);
    return out;
}

inline std::vector<std::string> entryNames(const std::string& path) {
    std::vector<std::string> names;
    for (const ReadEntry& e : readArchive(path)) names.push_back(e.name);
    return names;
}

// Every file, folder and link under the root, by path relative to it:
// files with their bytes, folders as "<dir>", links as "-> target".
inline std::map<std::string, std::string> snapshot(const std::string& root,
                                                   const std::string& rel = "") {
    std::map<std::string, std::string> out;
    std::string dirPath = rel.empty() ? root : root + "/" + rel;
    DIR* dir = opendir(dirPath.c_str());
    if (!dir) return out;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string r = rel.empty() ? name : rel + "/" + name;
        std::string full = root + "/" + r;
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            out[r] = "<dir>";
            auto sub = snapshot(root, r);
            out.insert(sub.begin(), sub.end());
        } else if (S_ISLNK(st.st_mode)) {
            char buf[4096];
            ssize_t n = readlink(full.c_str(), buf, sizeof buf);
            out[r] = "-> " + std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
        } else {
            out[r] = readFile(full);
        }
    }
    closedir(dir);
    return out;
}

// The table, memo and index files of a data folder, by name, with their bytes.
inline std::map<std::string, std::string> dataFiles(const std::string& folder) {
    std::map<std::string, std::string> out = snapshot(folder);
    std::erase_if(out, [](const auto& f) {
        std::string ext = cFileExt(f.first);
        return ext != "DBF" && ext != "DBT" && ext != "NTX";
    });
    return out;
}

}  // namespace drav::test
