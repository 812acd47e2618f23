#include "SimDrive.h"

#include "ControlLine.h"
#include "DriveModel.h"
#include "PseudoTerminal.h"
#include "RequestFramer.h"
#include "RtuSlave.h"
#include "UartResample.h"
#include "link/DriveMap.h"
#include "platform/PortsFolder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace velt::sim {
namespace {

using Clock = std::chrono::steady_clock;

// With nothing to do the serving thread still wakes this often to run the
// motion; requests and inspection calls bring the motion up to date anyway.
constexpr auto kIdleTick = std::chrono::milliseconds(20);
constexpr size_t kReadChunk = 512;
// The request log keeps the most recent requests only, so a simulator that
// serves a polling host for days does not grow without bound (at 100
// requests a second this is over 20 minutes of traffic).
constexpr size_t kMaxLoggedRequests = 131072;
constexpr uint8_t kBroadcast = 0;
constexpr uint8_t kMaxSlaveId = 247;

struct PendingReply {
    Clock::time_point due;
    std::vector<uint8_t> bytes;
};

timespec ToTimespec(Clock::duration d) {
    if (d < Clock::duration::zero()) d = Clock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

struct SimDrive::Impl {
    explicit Impl(SimOptions o) : options(std::move(o)), framer(options.baud) {
        wrongRate = options.wrongRate;
        std::vector<uint8_t> ids = options.ids;
        if (ids.empty()) ids.push_back(options.id);
        for (uint8_t id : ids)
            if (models.find(id) == models.end()) {
                models.emplace(
                    id, std::make_unique<DriveModel>(order.empty() ? options.stateFile : std::string()));
                order.push_back(id);
            }
    }

    void Serve();
    void ReadLine();
    void HandleFrame(const std::vector<uint8_t>& frame, Clock::time_point end);
    void QueueReply(std::vector<uint8_t> reply, size_t requestBytes, Clock::time_point end);
    void SendDue(Clock::time_point now);
    // Under mu, after the drive carried out a request: a write goes to the log.
    void LogExecuted(const SimRequest& request, const std::vector<uint8_t>& reply);
    // Under mu: drive `id`'s model, its motion brought up to now.
    DriveModel& Model(uint8_t id) {
        DriveModel& m = *models.at(id);
        m.Advance(Clock::now());
        return m;
    }
    // Under mu: the drive the inspection calls read.
    DriveModel& Inspected() { return Model(selected != 0 ? selected : order.front()); }
    // Under mu: runs `f` on the selected drive, or on every drive.
    template <class F> void ForSelected(F f) {
        for (uint8_t id : order)
            if (selected == 0 || selected == id) f(Model(id), id);
    }
    bool Serves(uint8_t id) const { return models.find(id) != models.end(); }

    const SimOptions options;

    // Everything the public members and the serving thread share.
    mutable std::mutex mu;
    std::map<uint8_t, std::unique_ptr<DriveModel>> models; // one per address served
    std::vector<uint8_t> order;                            // the addresses, as given
    uint8_t selected = 0;                                  // SelectDrive: 0 every drive
    std::set<uint8_t> silentDrives;
    std::deque<SimRequest> requests;
    std::deque<SimRequest> executedWrites;
    std::FILE* writeLog = nullptr;
    bool silent = false;
    bool badCrc = false;
    int crcBurstLeft = 0; // replies still to corrupt for "crcburst N"
    bool wrongId = false;
    int lateMs = 0;
    int splitMs = 0;
    uint32_t txBaud = 0;
    uint8_t answerException = 0; // "exception N": every request refused with N
    WrongRate wrongRate = WrongRate::Ignore;
    uint64_t writeRequests = 0;
    std::set<std::pair<uint8_t, uint16_t>> silentFor;
    std::string devicePath;

    // Start and Stop, one at a time; the terminal is opened and closed only
    // while the serving thread is not running.
    std::mutex lifeMu;
    PseudoTerminal pty;
    std::thread server;
    std::atomic<bool> running{false};
    int wakeFd = -1;

    // Serving thread only.
    RequestFramer framer;
    // The line speed when bytes last came: a frame ends with the bytes that
    // came last, so this is the speed it was sent at.
    uint32_t feedRate = 0;
    std::deque<PendingReply> pending;
    Clock::time_point lastDue{};
};

void SimDrive::Impl::Serve() {
    std::vector<uint8_t> frame;
    while (running.load()) {
        Clock::time_point now = Clock::now();
        Clock::time_point wake = std::min(now + kIdleTick, framer.Deadline());
        if (!pending.empty()) wake = std::min(wake, pending.front().due);
        pollfd fds[3] = {{pty.MasterFd(), POLLIN, 0}, {wakeFd, POLLIN, 0}, {pty.WatchFd(), POLLIN, 0}};
        const timespec timeout = ToTimespec(wake - now);
        const int ready = ::ppoll(fds, pty.WatchFd() >= 0 ? 3 : 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) break;
        if (!running.load()) break;
        if (fds[2].revents & POLLIN) pty.OnOpenClose();
        if (fds[0].revents & POLLIN) ReadLine();
        now = Clock::now();
        Clock::time_point end;
        while (framer.Next(now, &frame, &end))
            HandleFrame(frame, end);
        SendDue(Clock::now());
        std::lock_guard lock(mu);
        for (auto& [id, m] : models)
            m->Advance(Clock::now());
    }
}

void SimDrive::Impl::ReadLine() {
    feedRate = LineRateOf(pty.MasterFd());
    uint8_t buffer[kReadChunk];
    for (;;) {
        const ssize_t n = ::read(pty.MasterFd(), buffer, sizeof buffer);
        if (n > 0) {
            framer.Feed(buffer, static_cast<size_t>(n), Clock::now());
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break; // EAGAIN: all read
    }
}

void SimDrive::Impl::HandleFrame(const std::vector<uint8_t>& frame, Clock::time_point end) {
    if (!RtuSlave::CrcOk(frame.data(), frame.size())) return; // a damaged frame is ignored
    SimRequest request;
    request.slave = frame[0];
    request.function = frame[1];
    if (frame.size() >= 8) {
        request.address = static_cast<uint16_t>(frame[2] << 8 | frame[3]);
        request.value = static_cast<uint16_t>(frame[4] << 8 | frame[5]);
    }
    request.lineRate = feedRate;
    request.atOwnRate = RateMatches(feedRate, options.baud);
    std::lock_guard lock(mu);
    if (requests.size() >= kMaxLoggedRequests) requests.pop_front();
    requests.push_back(request);
    if (request.function == drive::FunctionWriteSingleCoil ||
        request.function == drive::FunctionWriteSingleRegister)
        ++writeRequests;
    if (!request.atOwnRate) {
        // The drive's UART made nothing of it; what it sends back reaches the
        // master as garbage.
        if (wrongRate == WrongRate::Garbage) QueueReply(GarbledAnswer(frame), frame.size(), end);
        return;
    }
    if (!Serves(request.slave) && request.slave != kBroadcast) return;
    if (silent || silentDrives.count(request.slave) || silentFor.count({request.function, request.address}))
        return;
    if (answerException != 0 && request.slave != kBroadcast) {
        std::vector<uint8_t> refused{frame[0], static_cast<uint8_t>(frame[1] | drive::ExceptionBit),
                                     answerException};
        RtuSlave::AppendCrc(refused);
        QueueReply(std::move(refused), frame.size(), end);
        return;
    }
    if (request.slave == kBroadcast) { // carried out by every drive that hears it, answered by none
        for (uint8_t id : order)
            if (!silentDrives.count(id))
                LogExecuted(request, RtuSlave::Execute(Model(id), frame.data(), frame.size()));
        return;
    }
    std::vector<uint8_t> reply = RtuSlave::Execute(Model(request.slave), frame.data(), frame.size());
    LogExecuted(request, reply);
    if (wrongId) {
        reply.resize(reply.size() - 2);
        reply[0] = request.slave >= kMaxSlaveId ? 1 : static_cast<uint8_t>(request.slave + 1);
        RtuSlave::AppendCrc(reply);
    }
    if (badCrc || crcBurstLeft > 0) {
        reply.back() ^= 0xA5;
        if (crcBurstLeft > 0) --crcBurstLeft;
    }
    if (txBaud != 0) reply = ResampleUart(reply, txBaud, options.baud);
    if (reply.empty()) return;
    QueueReply(std::move(reply), frame.size(), end);
}

// Sends `reply` to a request of `requestBytes` that ended at `end`, when the
// wire timing and the faults say. Caller holds mu.
void SimDrive::Impl::QueueReply(std::vector<uint8_t> reply, size_t requestBytes, Clock::time_point end) {
    Clock::time_point due = end;
    if (options.wireTiming) {
        due += RequestFramer::LineTime(requestBytes + reply.size(), options.baud) +
               RequestFramer::InterFrameGap(options.baud);
    }
    due += std::chrono::milliseconds(lateMs);
    // Replies leave in the order the requests came.
    due = std::max(due, lastDue);
    if (splitMs > 0) {
        const auto half = reply.begin() + static_cast<long>(reply.size() / 2);
        pending.push_back({due, std::vector<uint8_t>(reply.begin(), half)});
        reply.erase(reply.begin(), half);
        due += std::chrono::milliseconds(splitMs);
    }
    lastDue = due;
    pending.push_back({due, std::move(reply)});
}

void SimDrive::Impl::LogExecuted(const SimRequest& request, const std::vector<uint8_t>& reply) {
    const bool write = request.function == drive::FunctionWriteSingleCoil ||
                       request.function == drive::FunctionWriteSingleRegister;
    // A broadcast has no reply to look at; a refused write answers with the exception bit.
    const bool refused = reply.size() > 1 && (reply[1] & drive::ExceptionBit) != 0;
    if (!write || refused) return;
    if (executedWrites.size() >= kMaxLoggedRequests) executedWrites.pop_front();
    executedWrites.push_back(request);
    if (writeLog == nullptr) return;
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    std::fprintf(writeLog, "%lld %u %u %u\n", static_cast<long long>(ns), unsigned{request.function},
                 unsigned{request.address}, unsigned{request.value});
    std::fflush(writeLog);
}

void SimDrive::Impl::SendDue(Clock::time_point now) {
    while (!pending.empty() && pending.front().due <= now) {
        const std::vector<uint8_t>& bytes = pending.front().bytes;
        pty.Write(bytes.data(), bytes.size());
        pending.pop_front();
    }
}

SimDrive::SimDrive(SimOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

SimDrive::~SimDrive() {
    Stop();
}

bool SimDrive::Start(std::string* error) {
    std::lock_guard life(impl_->lifeMu);
    if (impl_->running.load()) return true;
    {
        std::lock_guard lock(impl_->mu);
        if (!impl_->models.at(impl_->order.front())->LoadOk()) {
            if (error) *error = "cannot read the state file " + impl_->options.stateFile;
            return false;
        }
    }
    if (!impl_->pty.Open(impl_->options.baud, error)) return false;
    // The terminal starts at the drive's own rate, so that a master that
    // leaves the speed alone is answered. A rate without a Bxxx constant is
    // set the termios2 way; the others keep their constant, which every
    // master understands (Wine's GetCommState knows no other).
    if (LineRateOf(impl_->pty.MasterFd()) != impl_->options.baud)
        SetLineRate(impl_->pty.MasterFd(), impl_->options.baud);
    if (impl_->options.publish && !impl_->pty.Publish(PortsFolder(), ComName(), error)) {
        impl_->pty.Close();
        return false;
    }
    impl_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (impl_->wakeFd < 0) {
        if (error) *error = "eventfd failed";
        impl_->pty.Close();
        return false;
    }
    if (!impl_->options.writeLog.empty()) {
        std::lock_guard lock(impl_->mu);
        if (impl_->writeLog == nullptr) impl_->writeLog = std::fopen(impl_->options.writeLog.c_str(), "ae");
        if (impl_->writeLog == nullptr) {
            if (error) *error = "cannot write the write log " + impl_->options.writeLog;
            ::close(impl_->wakeFd);
            impl_->wakeFd = -1;
            impl_->pty.Close();
            return false;
        }
    }
    {
        std::lock_guard lock(impl_->mu);
        impl_->devicePath = impl_->pty.SlavePath();
    }
    impl_->framer.Clear();
    impl_->pending.clear();
    impl_->running.store(true);
    impl_->server = std::thread([this] { impl_->Serve(); });
    return true;
}

void SimDrive::Stop() {
    std::lock_guard life(impl_->lifeMu);
    if (!impl_->server.joinable()) return;
    impl_->running.store(false);
    const uint64_t one = 1;
    if (::write(impl_->wakeFd, &one, sizeof one) < 0) {
        // The thread still notices the flag within one idle tick.
    }
    impl_->server.join();
    ::close(impl_->wakeFd);
    impl_->wakeFd = -1;
    impl_->pty.Close();
    std::lock_guard lock(impl_->mu);
    if (impl_->writeLog != nullptr) {
        std::fclose(impl_->writeLog);
        impl_->writeLog = nullptr;
    }
}

std::string SimDrive::DevicePath() const {
    std::lock_guard lock(impl_->mu);
    return impl_->devicePath;
}

std::string SimDrive::ComName() const {
    return "COM" + std::to_string(impl_->options.comNumber);
}

std::vector<uint8_t> SimDrive::Ids() const {
    return impl_->order; // fixed at construction
}

bool SimDrive::SelectDrive(uint8_t id) {
    std::lock_guard lock(impl_->mu);
    if (id != 0 && !impl_->Serves(id)) return false;
    impl_->selected = id;
    return true;
}

void SimDrive::SetSilent(bool on) {
    std::lock_guard lock(impl_->mu);
    if (impl_->selected == 0) {
        impl_->silent = on;
        if (!on) impl_->silentDrives.clear();
    } else if (on) {
        impl_->silentDrives.insert(impl_->selected);
    } else {
        impl_->silentDrives.erase(impl_->selected);
    }
}

void SimDrive::SetBadCrc(bool on) {
    std::lock_guard lock(impl_->mu);
    impl_->badCrc = on;
}

void SimDrive::SetCrcBurst(int replies) {
    std::lock_guard lock(impl_->mu);
    impl_->crcBurstLeft = replies;
}

void SimDrive::SetWrongId(bool on) {
    std::lock_guard lock(impl_->mu);
    impl_->wrongId = on;
}

void SimDrive::SetLateMs(int ms) {
    std::lock_guard lock(impl_->mu);
    impl_->lateMs = std::max(ms, 0);
}

void SimDrive::SetSplitMs(int ms) {
    std::lock_guard lock(impl_->mu);
    impl_->splitMs = std::max(ms, 0);
}

void SimDrive::SetTxBaud(uint32_t baud) {
    std::lock_guard lock(impl_->mu);
    impl_->txBaud = baud == impl_->options.baud ? 0 : baud;
}

void SimDrive::SetRefuse(int reg, bool on) {
    std::lock_guard lock(impl_->mu);
    impl_->ForSelected([&](DriveModel& m, uint8_t) { m.SetRefuse(reg, on); });
}

void SimDrive::SetAnswerException(uint8_t code) {
    std::lock_guard lock(impl_->mu);
    impl_->answerException = code;
}

void SimDrive::SetSilentFor(uint8_t function, uint16_t address, bool on) {
    std::lock_guard lock(impl_->mu);
    if (on)
        impl_->silentFor.insert({function, address});
    else
        impl_->silentFor.erase({function, address});
}

void SimDrive::SetWrongRate(WrongRate mode) {
    std::lock_guard lock(impl_->mu);
    impl_->wrongRate = mode;
}

void SimDrive::ClearFaults() {
    std::lock_guard lock(impl_->mu);
    impl_->silent = impl_->badCrc = impl_->wrongId = false;
    impl_->wrongRate = WrongRate::Ignore;
    impl_->crcBurstLeft = 0;
    impl_->lateMs = 0;
    impl_->splitMs = 0;
    impl_->txBaud = 0;
    impl_->answerException = 0;
    impl_->silentFor.clear();
    impl_->silentDrives.clear();
    for (auto& [id, m] : impl_->models)
        for (int r = 0; r < drive::ParamCount; ++r)
            m->SetRefuse(r, false);
}

void SimDrive::RaiseAlarm(int alarm) {
    std::lock_guard lock(impl_->mu);
    impl_->ForSelected([&](DriveModel& m, uint8_t) { m.RaiseAlarm(alarm); });
}

void SimDrive::SetInput(int k, bool on) {
    std::lock_guard lock(impl_->mu);
    impl_->ForSelected([&](DriveModel& m, uint8_t) { m.SetInput(k, on); });
}

void SimDrive::ServoOff() {
    std::lock_guard lock(impl_->mu);
    impl_->ForSelected([&](DriveModel& m, uint8_t) { m.ServoOff(); });
}

bool SimDrive::ApplyControlLine(const std::string& line, std::string* error) {
    return ControlLine::Apply(*this, line, error);
}

uint16_t SimDrive::Holding(int reg) const {
    if (reg < 0 || reg >= drive::ParamCount) return 0;
    std::lock_guard lock(impl_->mu);
    return impl_->Inspected().Holding(reg);
}

void SimDrive::SetHolding(int reg, uint16_t value) {
    if (reg < 0 || reg >= drive::ParamCount) return;
    std::lock_guard lock(impl_->mu);
    impl_->ForSelected([&](DriveModel& m, uint8_t) { m.SetHolding(reg, value); });
}

uint16_t SimDrive::InputReg(int reg) const {
    if (reg < 0 || reg >= drive::StateCount) return 0;
    std::lock_guard lock(impl_->mu);
    return impl_->Inspected().State(reg);
}

bool SimDrive::Coil(int k) const {
    if (k < 0 || k >= drive::BitCount) return false;
    std::lock_guard lock(impl_->mu);
    return impl_->Inspected().Coil(k);
}

bool SimDrive::Input(int k) const {
    if (k < 0 || k >= drive::BitCount) return false;
    std::lock_guard lock(impl_->mu);
    return impl_->Inspected().Input(k);
}

std::vector<SimRequest> SimDrive::Requests() const {
    std::lock_guard lock(impl_->mu);
    return {impl_->requests.begin(), impl_->requests.end()};
}

void SimDrive::ClearRequests() {
    std::lock_guard lock(impl_->mu);
    impl_->requests.clear();
}

std::vector<SimRequest> SimDrive::ExecutedWrites() const {
    std::lock_guard lock(impl_->mu);
    return {impl_->executedWrites.begin(), impl_->executedWrites.end()};
}

uint64_t SimDrive::WriteRequests() const {
    std::lock_guard lock(impl_->mu);
    return impl_->writeRequests;
}

} // namespace velt::sim
