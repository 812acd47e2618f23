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
#include <mutex>
#include <string>

namespace velt {

// "report t=<s> connected=<0|1> failcount=<n> state=<reads>/<ok>/<fail>
// di=... do=... param=... crc=<n> noreply=<n> reconnecting=<0|1>
// reconnects=<n>"
std::string LinkReportLine(long seconds, const LinkStatus& link, const LinkCounters& c);

// velt-host --write-log: one line per write asked of the link,
// "<steady-clock ns> <function> <address> <value>", appended and flushed as
// it is made, from whichever thread asked (the page, the repeat thread).
class WriteLogFile : public IWriteWatcher {
public:
    // False in Ok() when the file cannot be opened for appending.
    explicit WriteLogFile(const std::string& path);
    ~WriteLogFile() override;
    WriteLogFile(const WriteLogFile&) = delete;
    WriteLogFile& operator=(const WriteLogFile&) = delete;
    bool Ok() const { return file_ != nullptr; }
    void WriteRequested(uint8_t function, uint16_t address, uint16_t value) override;

private:
    std::mutex lock_;
    std::FILE* file_ = nullptr;
};

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
