#include "util/Error.h"

#include "util/UserPort.h"

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace drav {
namespace {

ErrorHandler& handlerSlot() {
    static ErrorHandler h;
    return h;
}

FatalHandler& fatalSlot() {
    static FatalHandler h;
    return h;
}

}  // namespace

int osCodeFromErrno(int err) {
    switch (err) {
        case ENOENT: return oscode::FileNotFound;
        case ENOTDIR: return oscode::PathNotFound;
        case EACCES:
        case EPERM: return oscode::AccessDenied;
        case EROFS: return oscode::WriteProtected;
        case ENODEV:
        case ENXIO: return oscode::NotReady;
        case EIO: return oscode::DeviceFailure;
        case EAGAIN: return oscode::SharingViolation;
        default: return 0;
    }
}

const char* genericDescription(int genCode) {
    switch (genCode) {
        case 1: return "Argument error";
        case 2: return "Bound error";
        case 3: return "String overflow";
        case 4: return "Numeric overflow";
        case 5: return "Zero divisor";
        case 6: return "Numeric error";
        case 7: return "Syntax error";
        case 8: return "Operation too complex";
        case 11: return "Memory low";
        case 12: return "Undefined function";
        case 13: return "No exported method";
        case 14: return "Variable does not exist";
        case 15: return "Alias does not exist";
        case 16: return "No exported variable";
        case 17: return "Illegal characters in alias";
        case 18: return "Alias already in use";
        case 20: return "Create error";
        case 21: return "Open error";
        case 22: return "Close error";
        case 23: return "Read error";
        case 24: return "Write error";
        case 25: return "Print error";
        case 30: return "Operation not supported";
        case 31: return "Limit exceeded";
        case 32: return "Corruption detected";
        case 33: return "Data type error";
        case 34: return "Data width error";
        case 35: return "Workarea not in use";
        case 36: return "Workarea not indexed";
        case 37: return "Exclusive required";
        case 38: return "Lock required";
        case 39: return "Write not allowed";
        case 40: return "Append lock failed";
        case 41: return "Lock Failure";
        default: return "";
    }
}

ErrorHandler setErrorHandler(ErrorHandler handler) {
    return std::exchange(handlerSlot(), std::move(handler));
}

ErrorOutcome defaultErrorHandler(const ErrorInfo& info) {
    if (info.genCode == gen::ZeroDivisor) return ErrorOutcome::Zero;
    if (info.canDefault &&
        ((info.genCode == gen::Open && (info.osCode == oscode::SharingViolation ||
                                        info.osCode == oscode::AccessDenied)) ||
         info.genCode == gen::AppendLock))
        return ErrorOutcome::Fail;
    std::fprintf(stderr, "Error %s/%d %s: %s%s\n",
                 info.subsystem.empty() ? "???" : info.subsystem.c_str(),
                 info.subCode.value_or(0),
                 info.description.empty() ? genericDescription(info.genCode)
                                          : info.description.c_str(),
                 info.fileName.c_str(), info.operation.c_str());
    return ErrorOutcome::Abandon;
}

ErrorOutcome raiseError(ErrorInfo info, std::source_location where) {
    if (info.description.empty()) info.description = genericDescription(info.genCode);
    if (info.stack.empty())
        info.stack.push_back({where.function_name(), static_cast<int>(where.line())});
    ErrorOutcome outcome =
        handlerSlot() ? handlerSlot()(info) : defaultErrorHandler(info);
    switch (outcome) {
        case ErrorOutcome::Abandon: throw Abandoned(info.description + ": " + info.fileName);
        case ErrorOutcome::Quit: throw ProgramEnd(1);
        default: return outcome;
    }
}

FatalHandler setFatalHandler(FatalHandler handler) {
    return std::exchange(fatalSlot(), std::move(handler));
}

void fatalError(unsigned number, const std::string& text) {
    if (fatalSlot()) {
        fatalSlot()(number, text);
    } else {
        // The user must see why the program stops: a message box titled with
        // the number (the console port of the tools writes it to standard
        // error). The text's "\n" line breaks become the box's "\r\n".
        QString shown = QString::fromUtf8(text);
        shown.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        userPort().showMessage(shown, 1, QStringLiteral("Unrecoverable error %1: ").arg(number));
    }
    std::exit(1);
}

}  // namespace drav
