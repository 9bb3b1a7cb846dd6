// Run-time errors and the one place that decides what becomes of them.
//
// Code that meets a file, device, lock or programming error describes it in
// an ErrorInfo and calls raiseError(). The installed handler (the program's
// error handler; a plain default here for tools and tests) chooses the
// outcome:
//   Abandon  - raiseError throws Abandoned, which unwinds to the nearest
//              recovery point (every screen and operation is one); RAII
//              owners close tables and release locks on the way out.
//   Zero     - a division by zero: the caller uses 0 and goes on.
//   Fail     - the operation fails softly (a sharing violation on open, an
//              append lock refused): the caller reports failure and the
//              table layer retries.
//   Quit     - raiseError throws ProgramEnd; main() catches it, runs the
//              end-of-program steps and exits with its code.
//
// Integrity errors of the index files are fatal: fatalError() shows
// "Unrecoverable error N: " and ends the process with code 1.
#pragma once

#include <functional>
#include <optional>
#include <source_location>
#include <stdexcept>
#include <string>
#include <vector>

namespace drav {

// Generic codes the handler tests or reports.
namespace gen {
constexpr int ZeroDivisor = 5;
constexpr int Create = 20;
constexpr int Open = 21;
constexpr int Close = 22;
constexpr int Read = 23;
constexpr int Write = 24;
constexpr int Print = 25;
constexpr int Unsupported = 30;
constexpr int Limit = 31;
constexpr int Corruption = 32;
constexpr int DataType = 33;
constexpr int DataWidth = 34;
constexpr int NoTable = 35;
constexpr int NotIndexed = 36;
constexpr int Exclusive = 37;
constexpr int LockRequired = 38;
constexpr int ReadOnly = 39;
constexpr int AppendLock = 40;
constexpr int LockFailure = 41;
constexpr int Application = 1001;  // raised by the system's own code
}  // namespace gen

// Operating-system codes, in the numbering the handler tests; errno values
// are mapped onto them by osCodeFromErrno().
namespace oscode {
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int AccessDenied = 5;
constexpr int WriteProtected = 19;
constexpr int NotReady = 21;
constexpr int SectorNotFound = 27;
constexpr int DeviceFailure = 31;
constexpr int SharingViolation = 32;
constexpr int CannotMake = 82;
}  // namespace oscode

// Sub-code meaning "not enough disk space".
constexpr int kSubDiskFull = 2016;
// Sub-code of a table file found corrupt.
constexpr int kSubCorruptTable = 1012;

int osCodeFromErrno(int err);
// The standard English description of a generic code ("" when none).
const char* genericDescription(int genCode);

struct CallLevel {
    std::string function;
    int line = 0;  // 0: a level without line information
};

struct ErrorInfo {
    int severity = 2;               // 0, 1 warning; 2 and above error
    std::string subsystem;          // "" when absent
    int genCode = 0;
    std::optional<int> subCode;
    int osCode = 0;                 // 0 when no operating-system error lies behind it
    std::string description;        // "" when absent
    std::string fileName;
    std::string operation;
    bool canDefault = false;
    std::vector<CallLevel> stack;   // innermost level first
};

enum class ErrorOutcome { Abandon, Zero, Fail, Quit };

class Abandoned : public std::runtime_error {
public:
    explicit Abandoned(const std::string& what = "operation abandoned") : std::runtime_error(what) {}
};

class ProgramEnd : public std::runtime_error {
public:
    explicit ProgramEnd(int code) : std::runtime_error("program end"), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

using ErrorHandler = std::function<ErrorOutcome(const ErrorInfo&)>;

// Installs the handler; returns the previous one (tests restore it).
ErrorHandler setErrorHandler(ErrorHandler handler);

// The handler used when none is installed: the soft failures of the table
// layer fail, a division by zero gives zero, everything else is written to
// standard error and abandoned.
ErrorOutcome defaultErrorHandler(const ErrorInfo& info);

// Hands the error to the handler. Returns Zero or Fail; throws Abandoned or
// ProgramEnd for the other outcomes. The raising function and line become
// the innermost call level when the caller gave none.
ErrorOutcome raiseError(ErrorInfo info,
                        std::source_location where = std::source_location::current());

// a / b, or 0 when b is 0 (a division by zero gives 0 and the program goes on).
inline double divOrZero(double a, double b) { return b == 0 ? 0.0 : a / b; }

using FatalHandler = std::function<void(unsigned number, const std::string& text)>;
FatalHandler setFatalHandler(FatalHandler handler);
// Shows "Unrecoverable error <number>: " with the text through the fatal
// handler and ends the process with code 1. A test handler may throw instead.
[[noreturn]] void fatalError(unsigned number, const std::string& text);

}  // namespace drav
