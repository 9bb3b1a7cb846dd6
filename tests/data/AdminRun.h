// Runs drav-admin, the separate program it is, from the tests: its path
// beside the test binary, a shell command with its exit code and output.
#pragma once

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace drav::test {

inline std::string adminPath() {
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "drav-admin").string();
}

// Runs a shell command; returns its exit code (-1 when it did not exit,
// killed by a signal: a crash) and what it wrote on standard output.
inline int runCommand(const std::string& cmd, std::string* out = nullptr) {
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string s;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) s.append(buf.data(), n);
    int status = ::pclose(p);
    if (out) *out = s;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Lines of a text, without their line ends.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

}  // namespace drav::test
