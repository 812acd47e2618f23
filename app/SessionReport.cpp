#include "SessionReport.h"

namespace velt {

std::string LinkReportLine(long seconds, const LinkStatus& link, const LinkCounters& c) {
    auto triple = [](uint32_t a, uint32_t b, uint32_t d) {
        return std::to_string(a) + "/" + std::to_string(b) + "/" + std::to_string(d);
    };
    return "report t=" + std::to_string(seconds) + " connected=" + std::to_string(link.Connected ? 1 : 0) +
           " failcount=" + std::to_string(link.FailCount) +
           " state=" + triple(c.StateReads, c.StateOk, c.StateFail) +
           " di=" + triple(c.DiReads, c.DiOk, c.DiFail) + " do=" + triple(c.DoRequests, c.DoOk, c.DoFail) +
           " param=" + triple(c.ParamRequests, c.ParamOk, c.ParamFail) +
           " crc=" + std::to_string(c.CrcErrors) + " noreply=" + std::to_string(c.NoReplies) +
           " reconnecting=" + std::to_string(link.Reconnecting ? 1 : 0) +
           " reconnects=" + std::to_string(link.Reconnects);
}

WriteLogFile::WriteLogFile(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {}

WriteLogFile::~WriteLogFile() {
    if (file_) std::fclose(file_);
}

void WriteLogFile::WriteRequested(uint8_t function, uint16_t address, uint16_t value) {
    const long long now = SteadyNowNs();
    std::lock_guard guard(lock_);
    if (!file_) return;
    std::fprintf(file_, "%lld %u %u %u\n", now, unsigned{function}, unsigned{address}, unsigned{value});
    std::fflush(file_);
}

std::string MessageReportLine(const std::string& text) {
    std::string line = "message: ";
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r')
            line += " | ";
        else
            line += text[i];
    }
    return line;
}

void ReportingMessageService::Print(const std::string& text) {
    std::fprintf(out_, "%s\n", MessageReportLine(text).c_str());
    std::fflush(out_);
}

MsgResult ReportingMessageService::Show(const std::string& text, MsgButtons buttons) {
    Print(text);
    return next_.Show(text, buttons);
}

MsgResult ReportingMessageService::ShowWithDetails(const std::string& text, const std::string& details,
                                                   MsgButtons buttons) {
    Print(text);
    return next_.ShowWithDetails(text, details, buttons);
}

} // namespace velt
