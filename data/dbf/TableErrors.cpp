#include "data/dbf/TableErrors.h"

namespace drav::data {

ErrorInfo tableErrorInfo(const Status& status, TableOp op) {
    const std::string& what = status.what();
    switch (op) {
        case TableOp::Create:
            return status.toErrorInfo(gen::Create, 1004);
        case TableOp::Open:
            return status.toErrorInfo(gen::Open, 1001, status.isBusy());
        case TableOp::OpenMemo:
            return status.toErrorInfo(gen::Open, 1002, status.isBusy());
        case TableOp::Read:
            return status.toErrorInfo(gen::Read, 1010);
        case TableOp::Append:
            if (status.isBusy()) {
                ErrorInfo e = status.toErrorInfo(gen::AppendLock, 1024, true);
                e.osCode = 0;
                return e;
            }
            [[fallthrough]];
        case TableOp::Write:
            if (status.isDataWidth()) return status.toErrorInfo(gen::DataWidth, 1021);
            if (status.code() == Status::Code::Invalid) {
                if (what.find("read-only") != std::string::npos)
                    return status.toErrorInfo(gen::ReadOnly, 1025);
                if (what.find("not locked") != std::string::npos)
                    return status.toErrorInfo(gen::LockRequired, 1022);
                if (what.find("kind of value") != std::string::npos)
                    return status.toErrorInfo(gen::DataType, 1020);
            }
            return status.toErrorInfo(gen::Write, 1011);
        case TableOp::Lock:
            return status.toErrorInfo(gen::LockFailure, 1038);
        case TableOp::Maintain:
            if (status.code() == Status::Code::Invalid)
                return status.toErrorInfo(gen::Exclusive, 1023);
            return status.toErrorInfo(gen::Write, 1011);
    }
    return status.toErrorInfo(gen::Write, 1011);
}

}  // namespace drav::data
