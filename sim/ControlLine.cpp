#include "ControlLine.h"

#include "SimDrive.h"
#include "link/DriveMap.h"

#include <charconv>
#include <sstream>
#include <utility>

namespace velt::sim {
namespace {

bool ParseInt(const std::string& text, long min, long max, long* out) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max) return false;
    *out = value;
    return true;
}

bool ParseSwitch(const std::string& text, bool* on) {
    if (text == "on" || text == "1")
        *on = true;
    else if (text == "off" || text == "0")
        *on = false;
    else
        return false;
    return true;
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

} // namespace

const char* ControlLine::Help() {
    return "  silent on|off        stop listening (requests are neither carried out nor\n"
           "                       answered), or answer again\n"
           "  silentfor F A on|off\n"
           "                       do not answer function F at start address A\n"
           "  badcrc on|off        answer with a corrupted CRC (the request is carried out)\n"
           "  crcburst N           corrupt the CRC of the next N replies only\n"
           "  wrongid on|off       answer as another slave id\n"
           "  late MS              answer MS milliseconds late (late 0: on time)\n"
           "  split MS             send half of each reply, the rest MS milliseconds later\n"
           "                       (split 0: whole replies)\n"
           "  txbaud B             answer as a drive sending at B bit/s: the master gets what\n"
           "                       its UART at the simulator's own rate makes of that\n"
           "                       (txbaud 0: the own rate again)\n"
           "  refuse R on|off      refuse writes to register R with exception 4\n"
           "  exception N          answer every request with exception N (1-255) and carry\n"
           "                       none out, as a gateway that cannot reach the drive\n"
           "                       (10, 11); exception 0 answers normally again\n"
           "  wrongrate ignore|garbage\n"
           "                       what a request sent at another rate than --baud gets:\n"
           "                       nothing (as a real drive), or garbage bytes back\n"
           "  alarm N              raise alarm N (servo drops off); alarm 0 clears it\n"
           "  input K 0|1          set digital input K (0-15; IN1 is 0)\n"
           "  servo off            drop servo-on as the drive itself would\n"
           "  clear                turn every fault mode off\n"
           "  drive N COMMAND      on a line of several drives (--ids): alarm, input, servo,\n"
           "                       refuse or silent for drive N only (without it: every drive)\n";
}

namespace {
// The commands that act on one drive of a line rather than on the line.
bool AddressesOneDrive(const std::string& cmd) {
    return cmd == "alarm" || cmd == "input" || cmd == "servo" || cmd == "refuse" || cmd == "silent";
}
} // namespace

bool ControlLine::Apply(SimDrive& drive, const std::string& line, std::string* error) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    if (words.empty() || words[0][0] == '#') return true;
    if (words[0] == "drive") {
        long id = 0;
        if (words.size() < 3 || !ParseInt(words[1], 1, 247, &id) || !AddressesOneDrive(words[2]))
            return Fail(error, "unknown or malformed command: " + line);
        if (!drive.SelectDrive(static_cast<uint8_t>(id)))
            return Fail(error, "no drive " + words[1] + " on this line: " + line);
        std::string rest;
        for (size_t k = 2; k < words.size(); ++k)
            rest += (k > 2 ? " " : "") + words[k];
        const bool ok = Apply(drive, rest, error);
        drive.SelectDrive(0);
        return ok;
    }
    const std::string& cmd = words[0];
    const size_t n = words.size();
    bool on = false;
    long a = 0;
    long b = 0;
    if ((cmd == "silent" || cmd == "badcrc" || cmd == "wrongid") && n == 2 && ParseSwitch(words[1], &on)) {
        if (cmd == "silent")
            drive.SetSilent(on);
        else if (cmd == "badcrc")
            drive.SetBadCrc(on);
        else
            drive.SetWrongId(on);
    } else if (cmd == "silentfor" && n == 4 && ParseInt(words[1], 0, 255, &a) &&
               ParseInt(words[2], 0, 65535, &b) && ParseSwitch(words[3], &on)) {
        drive.SetSilentFor(static_cast<uint8_t>(a), static_cast<uint16_t>(b), on);
    } else if (cmd == "crcburst" && n == 2 && ParseInt(words[1], 0, 1000000, &a)) {
        drive.SetCrcBurst(static_cast<int>(a));
    } else if (cmd == "late" && n == 2 && ParseInt(words[1], 0, 60000, &a)) {
        drive.SetLateMs(static_cast<int>(a));
    } else if (cmd == "split" && n == 2 && ParseInt(words[1], 0, 60000, &a)) {
        drive.SetSplitMs(static_cast<int>(a));
    } else if (cmd == "txbaud" && n == 2 && ParseInt(words[1], 0, 4000000, &a) && (a == 0 || a >= 50)) {
        drive.SetTxBaud(static_cast<uint32_t>(a));
    } else if (cmd == "refuse" && n == 3 && ParseInt(words[1], 0, drive::ParamCount - 1, &a) &&
               ParseSwitch(words[2], &on)) {
        drive.SetRefuse(static_cast<int>(a), on);
    } else if (cmd == "exception" && n == 2 && ParseInt(words[1], 0, 255, &a)) {
        drive.SetAnswerException(static_cast<uint8_t>(a));
    } else if (cmd == "alarm" && n == 2 && ParseInt(words[1], 0, 65535, &a)) {
        drive.RaiseAlarm(static_cast<int>(a));
    } else if (cmd == "input" && n == 3 && ParseInt(words[1], 0, drive::BitCount - 1, &a) &&
               ParseInt(words[2], 0, 1, &b)) {
        drive.SetInput(static_cast<int>(a), b == 1);
    } else if (cmd == "servo" && n == 2 && words[1] == "off") {
        drive.ServoOff();
    } else if (cmd == "wrongrate" && n == 2 && (words[1] == "ignore" || words[1] == "garbage")) {
        drive.SetWrongRate(words[1] == "garbage" ? WrongRate::Garbage : WrongRate::Ignore);
    } else if (cmd == "clear" && n == 1) {
        drive.ClearFaults();
    } else {
        return Fail(error, "unknown or malformed command: " + line);
    }
    return true;
}

std::vector<std::string> ControlInput::Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const size_t eol = bytes.find('\n');
        const std::string_view part = bytes.substr(0, eol);
        if (!skipping_ && pending_.size() + part.size() > kMaxLineBytes) {
            skipping_ = true;
            ++refused_;
            pending_.clear();
        }
        if (!skipping_) pending_ += part;
        if (eol == std::string_view::npos) break;
        bytes.remove_prefix(eol + 1);
        if (std::exchange(skipping_, false)) continue;
        std::string line = std::exchange(pending_, {});
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> ControlInput::Finish() {
    if (pending_.empty() && !skipping_) return {};
    return Feed("\n");
}

int ControlInput::TakeRefused() {
    return std::exchange(refused_, 0);
}

} // namespace velt::sim
