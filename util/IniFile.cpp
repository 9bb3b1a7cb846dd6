// Profile files: parsing, the section and key look-ups, and the safe
// rewrite of the file (see IniFile.h for the layout).
#include "util/IniFile.h"

#include "util/Error.h"
#include "util/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace drav {
namespace {

constexpr size_t npos = std::string::npos;
constexpr const char* kSubsystem = "INI";

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}


// The section name of a header line ("[Vars]" gives "Vars"), nothing for
// any other line.
std::optional<std::string_view> headerName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    size_t close = line.find(']');
    return trim(line.substr(0, close));
}

// The key of a key line ("CFG_IVA=N20" gives "CFG_IVA"), nothing for blank
// lines, comments and lines without "=" or without a name.
std::optional<std::string_view> keyName(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    size_t eq = t.find('=');
    if (eq == npos) return std::nullopt;
    std::string_view key = trim(t.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return key;
}

std::string clean(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool raise(int genCode, int err, const std::string& path) {
    ErrorInfo info;
    info.subsystem = kSubsystem;
    info.genCode = genCode;
    info.osCode = osCodeFromErrno(err);
    if (err == ENOSPC) info.subCode = kSubDiskFull;
    info.fileName = path;
    raiseError(std::move(info));
    return false;
}

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Removes the temporary file on every way out unless it was renamed.
class TempFile {
public:
    ~TempFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    int m_fd = -1;
    std::string m_path;
};

}  // namespace

IniFile IniFile::parse(std::string_view bytes) {
    IniFile ini;
    while (!bytes.empty()) {
        size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ini.m_lines.emplace_back(line);
        if (lf == npos) break;
        bytes.remove_prefix(lf + 1);
    }
    return ini;
}

std::optional<IniFile> IniFile::load(const std::string& path, bool* existed) {
    if (existed) *existed = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return IniFile();
        raise(gen::Open, errno, path);
        return std::nullopt;
    }
    std::string bytes;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            raise(gen::Read, err, path);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (existed) *existed = true;
    return parse(bytes);
}

bool IniFile::save(const std::string& path) const {
    size_t slash = path.rfind('/');
    std::string folder = slash == npos ? std::string(".") : path.substr(0, slash + 1);

    // The new file takes over the old one's permissions; an old file we may
    // not write stays as it is, exactly as if we had tried to write into it.
    struct stat old {};
    bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists) {
        int probe = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) return raise(gen::Write, errno, path);
        ::close(probe);
    }

    // Temporary names begin with character 127, so the clean-up at the next
    // start sweeps one left behind by a crash.
    TempFile tmp;
    for (int attempt = 0; attempt < 100 && tmp.m_fd < 0; ++attempt) {
        std::string name = folder + (slash == npos ? "/" : "") +
                           "\x7F"
                           "CFG" +
                           std::to_string(::getpid()) + "_" + std::to_string(attempt);
        tmp.m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (tmp.m_fd >= 0) {
            tmp.m_path = name;
        } else if (errno != EEXIST) {
            return raise(gen::Create, errno, path);
        }
    }
    if (tmp.m_fd < 0) return raise(gen::Create, EEXIST, path);

    if (exists && ::fchmod(tmp.m_fd, old.st_mode & 07777) != 0)
        return raise(gen::Write, errno, path);
    if (!writeAll(tmp.m_fd, bytes()) || ::fsync(tmp.m_fd) != 0)
        return raise(gen::Write, errno, path);
    int fd = tmp.m_fd;
    tmp.m_fd = -1;
    if (::close(fd) != 0) return raise(gen::Write, errno, path);
    if (::rename(tmp.m_path.c_str(), path.c_str()) != 0) return raise(gen::Write, errno, path);
    tmp.m_path.clear();
    return true;
}

size_t IniFile::findSection(std::string_view section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        auto name = headerName(m_lines[i]);
        if (name && sameIgnoringCase(*name, section)) return i;
    }
    return npos;
}

size_t IniFile::sectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < m_lines.size() && !headerName(m_lines[i])) ++i;
    return i;
}

size_t IniFile::findKey(size_t begin, size_t end, std::string_view key) const {
    for (size_t i = begin; i < end; ++i) {
        auto name = keyName(m_lines[i]);
        if (name && sameIgnoringCase(*name, key)) return i;
    }
    return npos;
}

bool IniFile::hasSection(std::string_view section) const {
    return findSection(section) != npos;
}

std::vector<std::string> IniFile::keys(std::string_view section, size_t maxBytes) const {
    std::vector<std::string> out;
    size_t header = findSection(section);
    if (header == npos) return out;
    size_t end = sectionEnd(header);
    size_t used = 1;  // the byte that closes the list
    for (size_t i = header + 1; i < end; ++i) {
        auto name = keyName(m_lines[i]);
        if (!name || findKey(header + 1, i, *name) != npos) continue;
        if (used + name->size() + 1 > maxBytes) break;
        used += name->size() + 1;
        out.emplace_back(*name);
    }
    return out;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    size_t header = findSection(section);
    if (header == npos) return std::nullopt;
    size_t line = findKey(header + 1, sectionEnd(header), key);
    if (line == npos) return std::nullopt;
    std::string_view text = m_lines[line];
    return std::string(trim(text.substr(text.find('=') + 1)));
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = clean(key) + "=" + clean(value);
    size_t header = findSection(section);
    if (header == npos) {
        m_lines.push_back("[" + clean(section) + "]");
        m_lines.push_back(std::move(line));
        return;
    }
    size_t end = sectionEnd(header);
    size_t at = findKey(header + 1, end, key);
    if (at != npos) {
        m_lines[at] = std::move(line);
        return;
    }
    size_t last = header;
    for (size_t i = header + 1; i < end; ++i)
        if (!trim(m_lines[i]).empty()) last = i;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(last + 1), std::move(line));
}

std::string IniFile::bytes() const {
    std::string out;
    for (const std::string& line : m_lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string profilePath(const std::string& file) {
    std::string path = file;
    if (path.empty() || path.front() != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        std::string folder = cwd ? cwd : ".";
        std::free(cwd);
        if (folder.back() != '/') folder += '/';
        path = folder + path;
    }
    for (size_t i = path.rfind('/') + 1; i < path.size(); ++i) path[i] = upperAscii(path[i]);
    return path;
}

std::vector<std::string> getPvProfSection(const std::string& section, const std::string& file) {
    auto ini = IniFile::load(profilePath(file));
    if (!ini) return {};
    return ini->keys(section);
}

}  // namespace drav
