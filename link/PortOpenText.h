#pragma once
// The message of a port that will not open: "Port Open Fail" as its first
// line, and on a second line the reason and what to do about it. Shown by
// the connection bar, printed by velt-cli.
#include "platform/SerialDevice.h"

#include <string>

namespace velt {

// The reason and the fix, in the language chosen; empty when the reason is
// not known (kind None).
std::string PortOpenReason(const SerialOpenError& error, bool korean);

// Why a request on a network line failed; empty for kind None.
std::string LineFaultReason(const LineError& fault, bool korean);

// "Port Open Fail", then "\r\n" and the reason when there is one.
std::string PortOpenFailMessage(const SerialOpenError& error, bool korean);

} // namespace velt
