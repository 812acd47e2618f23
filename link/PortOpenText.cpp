#include "PortOpenText.h"

#include "LinkTexts.h"

namespace velt {

namespace {

// The group most Linux systems give serial devices to.
constexpr const char* kDefaultSerialGroup = "dialout";

} // namespace

std::string PortOpenReason(const SerialOpenError& error, bool korean) {
    const LocalText* text = nullptr;
    switch (error.kind) {
    case OpenFailure::None:
        return {};
    case OpenFailure::NoDevice:
        text = &kPortNoDevice;
        break;
    case OpenFailure::PermissionDenied:
        text = &kPortPermission;
        break;
    case OpenFailure::InUse:
        text = error.holderPid > 0 ? &kPortInUseBy : &kPortInUse;
        break;
    case OpenFailure::BaudRefused:
        text = &kPortBaudRefused;
        break;
    case OpenFailure::NotSerial:
        text = &kPortNotSerial;
        break;
    case OpenFailure::Other:
        text = error.systemText.empty() ? &kPortOtherUnknown : &kPortOther;
        break;
    case OpenFailure::BadName:
        text = &kPortBadName;
        break;
    case OpenFailure::HostNotFound:
        text = &kPortHostNotFound;
        break;
    case OpenFailure::Refused:
        text = &kPortRefused;
        break;
    case OpenFailure::ConnectTimeout:
        text = &kPortConnectTimeout;
        break;
    }
    return FillText(text->Pick(korean),
                    {{"{device}", error.device},
                     {"{user}", error.user.empty() ? std::string("$USER") : error.user},
                     {"{group}", error.group.empty() ? std::string(kDefaultSerialGroup) : error.group},
                     {"{name}", error.holderName.empty() ? std::string("?") : error.holderName},
                     {"{pid}", std::to_string(error.holderPid)},
                     {"{baud}", std::to_string(error.baudRate)},
                     {"{system}", error.systemText}});
}

std::string LineFaultReason(const LineError& fault, bool korean) {
    const LocalText* text = nullptr;
    switch (fault.kind) {
    case LineFault::None:
        return {};
    case LineFault::Closed:
        text = &kLineClosed;
        break;
    case LineFault::Reset:
        text = &kLineReset;
        break;
    case LineFault::TransactionMismatch:
        text = &kLineTransaction;
        break;
    case LineFault::ProtocolMismatch:
        text = &kLineProtocol;
        break;
    case LineFault::LengthMismatch:
        text = &kLineLength;
        break;
    }
    std::string reason = FillText(text->Pick(korean), {{"{system}", fault.systemText}});
    while (!reason.empty() && reason.back() == ' ')
        reason.pop_back();
    return reason;
}

std::string PortOpenFailMessage(const SerialOpenError& error, bool korean) {
    const std::string reason = PortOpenReason(error, korean);
    const std::string first = kPortOpenFail.Pick(korean);
    return reason.empty() ? first : first + "\r\n" + reason;
}

} // namespace velt
