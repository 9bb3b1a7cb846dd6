#include "data/Status.h"

#include <cerrno>
#include <cstring>

namespace drav::data {

std::string Status::toString() const {
    if (isOk()) return "OK";
    std::string s = m_file.empty() ? m_what : m_file + ": " + m_what;
    if (m_errno) s += std::string(" (") + std::strerror(m_errno) + ")";
    return s;
}

ErrorInfo Status::toErrorInfo(int genCode, int subCode, bool canDefault) const {
    ErrorInfo e;
    e.subsystem = "DBFCDX";
    e.genCode = genCode;
    e.subCode = subCode;
    e.fileName = m_file;
    e.canDefault = canDefault;
    switch (m_code) {
        case Code::Busy: e.osCode = oscode::SharingViolation; break;
        case Code::Corruption:
            e.genCode = gen::Corruption;
            e.subCode = kSubCorruptTable;
            break;
        case Code::NoSpace: e.subCode = kSubDiskFull; break;
        case Code::DataWidth: e.genCode = gen::DataWidth; break;
        default:
            // A full disk is a message of its own, whichever call met it.
            if (m_errno == ENOSPC)
                e.subCode = kSubDiskFull;
            else
                e.osCode = osCodeFromErrno(m_errno);
            break;
    }
    return e;
}

}  // namespace drav::data
