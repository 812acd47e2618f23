#include "RtuResult.h"

#include <ostream>

namespace velt {

const char* RtuResultName(RtuResult result) {
    switch (result.kind()) {
    case RtuResult::Kind::Ok:
        return "RTU_OK";
    case RtuResult::Kind::Broadcast:
        return "RTU_BROADCAST";
    case RtuResult::Kind::Exception:
        return nullptr;
    case RtuResult::Kind::Local:
        break;
    }
    switch (static_cast<LocalFailure>(result.Code())) {
    case LocalFailure::Crc:
        return "RTU_ERR_CRC";
    case LocalFailure::NoReply:
        return "RTU_ERR_NO_REPLY";
    case LocalFailure::Read:
        return "RTU_ERR_READ";
    case LocalFailure::Write:
        return "RTU_ERR_WRITE";
    case LocalFailure::Frame:
        return "RTU_ERR_FRAME";
    case LocalFailure::NotOpen:
        return "RTU_ERR_NOT_OPEN";
    }
    return "RTU_ERR";
}

std::string DescribeRtuResult(RtuResult result) {
    if (const char* name = RtuResultName(result))
        return std::string(name) + " (" + std::to_string(result.Code()) + ")";
    return "drive exception " + std::to_string(result.ExceptionCode());
}

std::ostream& operator<<(std::ostream& out, RtuResult result) {
    return out << DescribeRtuResult(result);
}

} // namespace velt
