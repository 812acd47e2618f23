#include "DriveScan.h"

#include "CModbusPort.h"
#include "DriveProbe.h"
#include "NetworkLine.h"
#include "platform/SerialPorts.h"

#include <algorithm>

namespace velt {

namespace {
using Clock = std::chrono::steady_clock;

// The plans of all ports are the same; a probe's wait depends on its rate
// and on whether it is one of the first rounds'.
std::chrono::milliseconds WaitOf(const ScanProbe& probe) {
    return probe.Thorough ? ThoroughProbeWait(probe.Baud) : ProbeWait(probe.Baud);
}

// A gateway answers exception 10 (no path) or 11 (the target did not
// answer) for an ID nobody has; that is no drive.
constexpr uint8_t kGatewayNoPath = 10;
constexpr uint8_t kGatewayNoAnswer = 11;
// How long a probe over a network line waits: the gateway's own wait for
// the drive plus the network's round trip.
constexpr std::chrono::milliseconds kNetworkProbeWait{300};
constexpr std::chrono::milliseconds kNetworkByteGap{100};

bool IsFind(const ProbeResult& r, bool network) {
    if (network && r.Outcome == ProbeOutcome::Exception &&
        (r.Exception == kGatewayNoPath || r.Exception == kGatewayNoAnswer))
        return false;
    return r.Outcome == ProbeOutcome::Answer || r.Outcome == ProbeOutcome::Exception;
}
} // namespace

DriveScan::DriveScan(LineFactory factory)
    : factory_(factory ? std::move(factory) : [] { return std::make_unique<SerialDevice>(); }) {}

DriveScan::~DriveScan() {
    Cancel();
    for (auto& worker : workers_)
        worker->StopAndWait();
}

bool DriveScan::Start(const std::vector<std::string>& ports, const ScanOrder& order) {
    if (ports.empty()) return false;
    {
        std::lock_guard guard(lock_);
        if (runningPorts_ > 0) return false;
    }
    // Threads of an earlier scan have returned; joining them is immediate.
    for (auto& worker : workers_)
        worker->StopAndWait();
    workers_.clear();
    plan_ = MakeScanPlan(order);
    {
        std::lock_guard guard(lock_);
        status_ = {};
        found_.clear();
        status_.Total = plan_.size() * ports.size();
        status_.Running = true;
        runningPorts_ = ports.size();
    }
    for (const std::string& port : ports) {
        auto worker = std::make_unique<StoppableWorker>();
        if (!worker->Start([this, port](std::stop_token stop) { ScanPort(stop, port); })) {
            std::lock_guard guard(lock_);
            status_.PortErrors.push_back({port, MakeOpenError(OpenFailure::Other, port), true});
            status_.Done += plan_.size();
            status_.Running = --runningPorts_ > 0;
            ended_.notify_all();
        }
        workers_.push_back(std::move(worker));
    }
    return true;
}

void DriveScan::Cancel() {
    for (auto& worker : workers_)
        worker->RequestStop();
    std::lock_guard guard(lock_);
    if (runningPorts_ > 0) status_.Cancelled = true;
}

bool DriveScan::Wait(std::chrono::milliseconds limit) {
    std::unique_lock guard(lock_);
    return ended_.wait_for(guard, limit, [this] { return runningPorts_ == 0; });
}

ScanStatus DriveScan::Status() const {
    std::lock_guard guard(lock_);
    return status_;
}

std::vector<FoundDrive> DriveScan::Found() const {
    std::lock_guard guard(lock_);
    return found_;
}

// A port's thread: opens the port, runs the whole plan on it unless stopped,
// and leaves the line as it found it. A network line has no rate of its own:
// it runs the IDs of the first rate only, over one connection.
void DriveScan::ScanPort(const std::stop_token& stop, const std::string& port) {
    const bool network = IsNetworkLineName(port);
    std::unique_ptr<SerialLine> line =
        network ? std::make_unique<NetworkLine>(ParseLineName(port).Kind, kNetworkConnectTimeout)
                : factory_();
    if (!line->Open(network ? port : PortOpenName(port))) {
        SerialOpenError error = line->LastOpenError();
        if (error.kind == OpenFailure::None) error.kind = OpenFailure::Other;
        AddPortError(port, error, true);
        EndPort(plan_.size());
        return;
    }
    line->SaveLineSettings();
    line->Purge();
    size_t left = plan_.size();
    uint32_t rate = 0;
    bool rateTaken = false;
    for (const ScanProbe& probe : plan_) {
        if (stop.stop_requested()) break;
        if (network && probe.Baud != plan_.front().Baud) {
            --left;
            MarkDone(1);
            continue;
        }
        if (probe.Baud != rate) {
            rate = probe.Baud;
            rateTaken = line->Configure(rate);
            if (!rateTaken) {
                SerialOpenError refused = MakeOpenError(OpenFailure::BaudRefused, port);
                refused.baudRate = rate;
                AddPortError(port, refused);
            }
        }
        if (rateTaken && !AlreadyFound(port, network ? 0 : probe.Baud, probe.Id) &&
            !RunProbe(stop, *line, port, probe, network)) {
            AddPortError(port, MakeOpenError(OpenFailure::Other, port));
            break;
        }
        --left;
        MarkDone(1);
    }
    line->RestoreLineSettings();
    line->Purge();
    line->Close();
    // A cancelled scan shows how far it came; a port whose line failed has
    // nothing more to do.
    EndPort(stop.stop_requested() ? 0 : left);
}

// One probe and, where its answer calls for one, a second look. False when
// the line failed.
bool DriveScan::RunProbe(const std::stop_token& stop, SerialLine& line, const std::string& port,
                         const ScanProbe& probe, bool network) {
    {
        std::lock_guard guard(lock_);
        status_.Port = port;
        status_.Baud = probe.Baud;
        status_.Id = probe.Id;
    }
    const auto gap = network ? kNetworkByteGap : ProbeByteGap(probe.Baud);
    const uint32_t baud = network ? 0 : probe.Baud;
    const auto look = [&](uint8_t id, std::chrono::milliseconds wait) {
        const auto start = Clock::now();
        const ProbeResult r = ProbeDrive(line, id, network ? kNetworkProbeWait : wait, gap);
        AddTiming(baud, Clock::now() - start);
        if (IsFind(r, network)) AddFound({port, baud, id, r.HwVersion, r.SwVersion, r.Exception});
        return r;
    };
    const ProbeResult first = look(probe.Id, WaitOf(probe));
    if (first.Outcome == ProbeOutcome::LineFailed) return false;
    // A whole answer of another ID is a drive that answered an earlier probe
    // too slowly; the start of our own answer is one that may have been cut
    // short. Either is asked again, with time to answer.
    uint8_t again = 0;
    if (first.Outcome == ProbeOutcome::OtherId) again = first.OtherId;
    if (first.Outcome == ProbeOutcome::Partial) again = probe.Id;
    if (again != 0 && !stop.stop_requested() && !AlreadyFound(port, baud, again))
        return look(again, ThoroughProbeWait(probe.Baud)).Outcome != ProbeOutcome::LineFailed;
    return true;
}

void DriveScan::AddFound(FoundDrive drive) {
    {
        std::lock_guard guard(lock_);
        found_.push_back(drive);
        status_.Found = found_.size();
    }
    if (OnFound) OnFound(drive);
}

void DriveScan::AddPortError(const std::string& port, const SerialOpenError& error, bool atOpen) {
    std::lock_guard guard(lock_);
    status_.PortErrors.push_back({port, error, atOpen});
}

void DriveScan::AddTiming(uint32_t baud, Clock::duration took) {
    std::lock_guard guard(lock_);
    auto it = std::find_if(status_.Timings.begin(), status_.Timings.end(),
                           [baud](const RateTiming& t) { return t.Baud == baud; });
    if (it == status_.Timings.end()) it = status_.Timings.insert(status_.Timings.end(), RateTiming{baud});
    ++it->Probes;
    it->Total += std::chrono::duration_cast<std::chrono::microseconds>(took);
}

bool DriveScan::AlreadyFound(const std::string& port, uint32_t baud, uint8_t id) const {
    std::lock_guard guard(lock_);
    return std::any_of(found_.begin(), found_.end(),
                       [&](const FoundDrive& d) { return d.Port == port && d.Baud == baud && d.Id == id; });
}

void DriveScan::MarkDone(size_t probes) {
    std::lock_guard guard(lock_);
    status_.Done += probes;
}

void DriveScan::EndPort(size_t skipped) {
    std::lock_guard guard(lock_);
    status_.Done += skipped;
    status_.Running = --runningPorts_ > 0;
    ended_.notify_all();
}

} // namespace velt
