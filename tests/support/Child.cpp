#include "tests/support/Child.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace drav::test {
namespace {

std::map<std::string, ChildMain>& registry() {
    static std::map<std::string, ChildMain> r;
    return r;
}

}  // namespace

bool registerChild(const std::string& name, ChildMain fn) {
    // Two children of one name in one test program: the second would
    // silently replace the first, and a test would run the wrong station.
    if (!registry().emplace(name, std::move(fn)).second) {
        std::fprintf(stderr, "two test children are named %s\n", name.c_str());
        std::abort();
    }
    return true;
}

bool runChildIfAsked(int argc, char** argv, int* exitCode) {
    if (argc < 3 || std::strcmp(argv[1], "--drav-child") != 0) return false;
    auto it = registry().find(argv[2]);
    if (it == registry().end()) {
        std::fprintf(stderr, "unknown child %s\n", argv[2]);
        *exitCode = 99;
        return true;
    }
    std::vector<std::string> args(argv + 3, argv + argc);
    *exitCode = it->second(args);
    std::fflush(stdout);
    return true;
}

ChildProcess::ChildProcess(int pid, int toChild, int fromChild)
    : m_pid(pid), m_in(toChild), m_out(fromChild) {}

ChildProcess::ChildProcess(ChildProcess&& o) noexcept
    : m_pid(std::exchange(o.m_pid, -1)),
      m_in(std::exchange(o.m_in, -1)),
      m_out(std::exchange(o.m_out, -1)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& o) noexcept {
    if (this != &o) {
        this->~ChildProcess();
        m_pid = std::exchange(o.m_pid, -1);
        m_in = std::exchange(o.m_in, -1);
        m_out = std::exchange(o.m_out, -1);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    if (m_in >= 0) ::close(m_in);
    if (m_out >= 0) ::close(m_out);
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void ChildProcess::writeLine(const std::string& line) {
    std::string s = line + "\n";
    if (::write(m_in, s.data(), s.size()) != static_cast<ssize_t>(s.size()))
        throw std::runtime_error("cannot write to child");
}

std::string ChildProcess::readLine() {
    std::string line;
    char c;
    while (::read(m_out, &c, 1) == 1) {
        if (c == '\n') return line;
        line.push_back(c);
    }
    return line;
}

int ChildProcess::wait() {
    if (m_pid <= 0) return -1;
    if (m_in >= 0) {
        ::close(m_in);
        m_in = -1;
    }
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

ChildProcess startChild(const std::string& name, const std::vector<std::string>& args) {
    int toChild[2], fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(toChild[0], 0);
        ::dup2(fromChild[1], 1);
        ::close(toChild[0]);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ::close(fromChild[1]);
        std::vector<std::string> argvS = {"/proc/self/exe", "--drav-child", name};
        argvS.insert(argvS.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& s : argvS) argv.push_back(s.data());
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    return ChildProcess(pid, toChild[1], fromChild[0]);
}

std::string childReadLine() {
    std::string line;
    std::getline(std::cin, line);
    return line;
}

void childWriteLine(const std::string& line) {
    std::cout << line << std::endl;
}

}  // namespace drav::test
