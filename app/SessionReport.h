#pragma once
// velt-host --report: what a long unattended run prints on standard output.
// One "report" line per period with the link's state and counters, and one
// "message" line for every message box, printed before the box is shown, so
// that a soak script or a field engineer's log sees every failure the user
// was told about.
#include "base/MessageService.h"
#include "link/CDriveLink.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velt {

// "report t=<s> connected=<0|1> failcount=<n> state=<reads>/<ok>/<fail>
// di=... do=... param=... crc=<n> noreply=<n>"
std::string LinkReportLine(long seconds, int connected, uint32_t failCount, const LinkCounters& c);

// "message: <text>", the box's line breaks shown as " | ".
std::string MessageReportLine(const std::string& text);

// Prints each message on `out` (flushed), then lets `next` show it.
// User-interface thread, like every message service.
class ReportingMessageService : public IMessageService {
public:
    ReportingMessageService(IMessageService& next, std::FILE* out) : next_(next), out_(out) {}
    MsgResult Show(const std::string& text, MsgButtons buttons) override;
    MsgResult ShowWithDetails(const std::string& text, const std::string& details,
                              MsgButtons buttons) override;

private:
    void Print(const std::string& text);
    IMessageService& next_;
    std::FILE* out_;
};

} // namespace velt
