#include "RtuResult.h"

namespace velt {

const char* RtuResultName(uint8_t code) {
    switch (code) {
    case RTU_OK:
        return "RTU_OK";
    case RTU_ERR_CRC:
        return "RTU_ERR_CRC";
    case RTU_ERR_NO_REPLY:
        return "RTU_ERR_NO_REPLY";
    case RTU_ERR_READ:
        return "RTU_ERR_READ";
    case RTU_ERR_WRITE:
        return "RTU_ERR_WRITE";
    case RTU_ERR_FRAME:
        return "RTU_ERR_FRAME";
    case RTU_ERR_NOT_OPEN:
        return "RTU_ERR_NOT_OPEN";
    case RTU_BROADCAST:
        return "RTU_BROADCAST";
    default:
        return nullptr;
    }
}

std::string DescribeRtuResult(uint8_t code) {
    if (const char* name = RtuResultName(code)) return std::string(name) + " (" + std::to_string(code) + ")";
    return "drive exception " + std::to_string(code);
}

} // namespace velt
