#include "ResultTexts.h"

namespace velt {

std::string ResultReasonText(RtuResult result, bool korean) {
    if (result.IsOk()) return {};
    if (result.IsException()) {
        const uint8_t code = result.ExceptionCode();
        const bool gateway = code == 10 || code == 11;
        std::string name;
        if (code < std::size(kExceptionNames) && *kExceptionNames[code].En != '\0')
            name = std::string(" (") + kExceptionNames[code].Pick(korean) + ")";
        return FillText((gateway ? kResultGatewayException : kResultException).Pick(korean),
                        {{"{code}", std::to_string(code)}, {"{name}", name}});
    }
    const LocalText* text = &kResultNotOpen;
    if (result.IsBroadcast()) {
        text = &kResultBroadcast;
    } else {
        switch (static_cast<LocalFailure>(result.Code())) {
        case LocalFailure::NoReply:
            text = &kResultNoReply;
            break;
        case LocalFailure::Crc:
            text = &kResultCrc;
            break;
        case LocalFailure::Read:
            text = &kResultRead;
            break;
        case LocalFailure::Write:
            text = &kResultWrite;
            break;
        case LocalFailure::Frame:
            text = &kResultFrame;
            break;
        case LocalFailure::NotOpen:
            break;
        }
    }
    const char* name = RtuResultName(result);
    return std::string(text->Pick(korean)) + " (" + (name ? name : "") + " " + std::to_string(result.Code()) +
           ")";
}

} // namespace velt
