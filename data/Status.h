// The result of every operation of the file engines.
//
// Failures are values, not exceptions, inside data/: each call site sees
// them. Busy (another station holds the lock or the file) is kept apart from
// IOError. The table access layer turns a failure into the error handler's
// ErrorInfo once (toErrorInfo), where the program must abandon an operation.
#pragma once

#include "util/Error.h"

#include <string>
#include <utility>

namespace drav::data {

class [[nodiscard]] Status {
public:
    enum class Code {
        Ok,
        NotFound,    // the file does not exist
        Busy,        // a lock or a share mode held by another station
        Corruption,  // the file contradicts its layout
        IOError,     // the operating system refused a read or write
        NoSpace,     // the disk is full
        Invalid,     // the caller asked for something the layout cannot hold
        DataWidth,   // a value too wide for its field (the field was filled with "*")
    };

    Status() = default;
    static Status ok() { return Status(); }
    static Status notFound(std::string file, int err = 0) {
        return Status(Code::NotFound, std::move(file), err, "file not found");
    }
    static Status busy(std::string file, std::string what = "held by another station") {
        return Status(Code::Busy, std::move(file), 0, std::move(what));
    }
    static Status corruption(std::string file, std::string what) {
        return Status(Code::Corruption, std::move(file), 0, std::move(what));
    }
    static Status ioError(std::string file, int err, std::string what) {
        return Status(Code::IOError, std::move(file), err, std::move(what));
    }
    static Status noSpace(std::string file) {
        return Status(Code::NoSpace, std::move(file), 28 /*ENOSPC*/, "disk full");
    }
    static Status invalid(std::string file, std::string what) {
        return Status(Code::Invalid, std::move(file), 0, std::move(what));
    }

    static Status dataWidth(std::string file, std::string field) {
        return Status(Code::DataWidth, std::move(file), 0, "value too wide for " + field);
    }

    bool isOk() const { return m_code == Code::Ok; }
    explicit operator bool() const { return isOk(); }
    Code code() const { return m_code; }
    bool isBusy() const { return m_code == Code::Busy; }
    bool isNotFound() const { return m_code == Code::NotFound; }
    bool isCorruption() const { return m_code == Code::Corruption; }
    bool isDataWidth() const { return m_code == Code::DataWidth; }
    const std::string& file() const { return m_file; }
    int err() const { return m_errno; }  // errno behind it, 0 when none
    const std::string& what() const { return m_what; }
    std::string toString() const;

    // The error handler's generic code and sub-code this failure stands for,
    // when the engine that produced it knows them (0 when not given).
    Status withCodes(int genCode, int subCode) const {
        Status s = *this;
        s.m_genCode = genCode;
        s.m_subCode = subCode;
        return s;
    }
    int genCode() const { return m_genCode; }
    int subCode() const { return m_subCode; }

    // The error handler's description of this failure, for an operation of
    // the given generic code (gen::Open, gen::Write, ...).
    ErrorInfo toErrorInfo(int genCode, int subCode, bool canDefault = false) const;
    // The same with the codes the failure carries (withCodes).
    ErrorInfo toErrorInfo(bool canDefault = false) const {
        return toErrorInfo(m_genCode, m_subCode, canDefault);
    }

private:
    Status(Code c, std::string file, int err, std::string what)
        : m_code(c), m_file(std::move(file)), m_errno(err), m_what(std::move(what)) {}

    Code m_code = Code::Ok;
    std::string m_file;
    int m_errno = 0;
    std::string m_what;
    int m_genCode = 0;
    int m_subCode = 0;
};

}  // namespace drav::data
