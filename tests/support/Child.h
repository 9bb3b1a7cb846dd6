// Second stations for multi-process tests: the test binary re-executes
// itself with "--drav-child NAME ARGS...", and main() runs the child
// function registered under NAME instead of the tests.
//
//   DRAV_TEST_CHILD(holdLock, args) { ...; return 0; }   // at file scope
//   ChildProcess c = startChild("holdLock", {path});
//   c.readLine();          // waits for the child's "ready" line, say
//   EXPECT_EQ(c.wait(), 0);
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace drav::test {

using ChildMain = std::function<int(const std::vector<std::string>& args)>;

bool registerChild(const std::string& name, ChildMain fn);
// Runs the child named in argv when argv asks for one; returns true (and
// sets *exitCode) when it did.
bool runChildIfAsked(int argc, char** argv, int* exitCode);

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(int pid, int toChild, int fromChild);
    ChildProcess(ChildProcess&& o) noexcept;
    ChildProcess& operator=(ChildProcess&& o) noexcept;
    ~ChildProcess();  // kills a child still running

    // Writes one line to the child's standard input.
    void writeLine(const std::string& line);
    // Reads one line of the child's standard output (without the newline);
    // "" at end of file.
    std::string readLine();
    // Waits for the child to end and returns its exit code (128+signal when killed).
    int wait();
    int pid() const { return m_pid; }

private:
    int m_pid = -1;
    int m_in = -1;   // to the child's stdin
    int m_out = -1;  // from the child's stdout
};

ChildProcess startChild(const std::string& name, const std::vector<std::string>& args = {});

// In the child: a line read from the parent and a line written to it.
std::string childReadLine();
void childWriteLine(const std::string& line);

}  // namespace drav::test

#define DRAV_TEST_CHILD(name, argsVar)                                               \
    static int dravChild_##name(const std::vector<std::string>& argsVar);            \
    static const bool dravChildReg_##name =                                          \
        ::drav::test::registerChild(#name, dravChild_##name);                        \
    static int dravChild_##name(const std::vector<std::string>& argsVar)
