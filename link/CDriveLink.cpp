#include "CDriveLink.h"

#include "platform/ThreadTuning.h"

#include <algorithm>
#include <thread>
#include <type_traits>

namespace velt {

using namespace std::chrono_literals;

namespace {
// Between connected passes: keeps the state block about 10 ms plus one
// exchange old while leaving the line free for the user's requests.
constexpr auto kPassSleep = 10ms;
// Between disconnected passes: how quickly a disconnect closes the port and
// clears the data.
constexpr auto kDisconnectedSleep = 200ms;
// Before following a new drive ID: lets the user finish typing in the
// serial settings before the link talks to the new drive.
constexpr auto kDriveIdPause = 100ms;
// After each parameter block: gives the drive time between the four reads.
constexpr auto kParamBlockGap = 10ms;
// StopThread's first sleep: long enough for the MainThread to finish a quick
// pass and run one disconnected pass that closes the port.
constexpr auto kStopSettle = 500ms;
// StopThread's wait for the MainThread: covers a pass against a silent drive
// (a state read of about 1.07 s and two bit reads of about 1.0 s each, or a
// parameter read after a drive-ID change) with room to spare.
constexpr auto kStopWait = 5000ms;

constexpr int kParamBlockSize = drive::ReadBlockSize;
constexpr int kParamCount = drive::ParamCount;
constexpr uint32_t kBitPollEvery = 5; // inputs and outputs on every fifth pass
// The pass sleep is aimed this much short, at most, to make up for how late
// the thread wakes on average (see MainThreadProc).
constexpr auto kMaxWakeAllowance = 2ms;
} // namespace

CDriveLink::CDriveLink() = default;

CDriveLink::~CDriveLink() {
    if (running_.load()) StopThread();
    // A MainThread that outlived StopThread's wait still uses this object and
    // Port; it ends once its current exchange times out.
    worker_.StopAndWait();
}

void CDriveLink::SetDriveIdSource(IDriveIdSource* source) {
    driveIdSource_.store(source);
}
void CDriveLink::SetParamsReadSink(IParamsReadSink* sink) {
    paramsReadSink_.store(sink);
}
void CDriveLink::SetFrameLog(IFrameLog* log) {
    frameLog_.store(log);
}
void CDriveLink::SetWriteWatcher(IWriteWatcher* watcher) {
    writeWatcher_.store(watcher);
}
void CDriveLink::SetPassObserver(IPassObserver* observer) {
    passObserver_.store(observer);
}

void CDriveLink::SetTrace(CModbusPort::TraceFn fn, void* context) {
    std::lock_guard lock(Lock);
    traceFn_ = fn;
    traceContext_ = context;
    if (port_) port_->SetTrace(fn, context);
}

void CDriveLink::SetDriveId(uint8_t id) {
    driveId_.store(id);
}

LinkStatus CDriveLink::Status() const {
    LinkStatus s;
    s.Running = running_.load();
    s.Connected = connected_.load();
    s.PortOpen = portOpen_.load();
    s.Reconnecting = reconnecting_.load();
    s.DriveId = driveId_.load();
    s.FailCount = failCount_.load();
    s.PassCount = passCount_.load();
    s.ConnectionSerial = connectionSerial_.load();
    s.ReconnectAttempts = reconnectAttempts_.load();
    s.Reconnects = reconnects_.load();
    s.Baud = openedBaud_.load();
    std::lock_guard opened(openedLock_);
    s.Device = openedDevice_;
    return s;
}

// Owner thread (start-up).
bool CDriveLink::StartThread() {
    if (worker_.HasThread()) return true; // running, or outlived StopThread's wait
    BeginTimerResolution();
    timerResolution_ = true;
    {
        std::lock_guard lock(Lock);
        port_ = std::make_unique<CModbusPort>();
        port_->SetJournal(&journal_);
        if (traceFn_) port_->SetTrace(traceFn_, traceContext_);
    }
    running_.store(true);
    if (!worker_.Start([this](std::stop_token stop) { MainThreadProc(stop); })) {
        running_.store(false);
        return false;
    }
    return true;
}

// Owner thread (shutdown). Blocks for 500 ms plus at most 5000 ms, and then
// for the end of a request that another thread has in flight.
void CDriveLink::StopThread() {
    StopReconnecting();
    connected_.store(false);
    failCount_.store(0);
    std::this_thread::sleep_for(kStopSettle);
    running_.store(false);
    StoppableWorker::Report(worker_.Stop(kStopWait), "MainThread");
    // While a MainThread that outlived the wait may still be inside an
    // exchange, the port stays alive; the destructor deletes it after the
    // thread has ended. Under Lock: a request that another thread (the repeat
    // window, a page) began before the link was disconnected ends its
    // exchange before the port goes, and later requests find no port.
    if (!worker_.HasThread()) {
        std::lock_guard lock(Lock);
        if (port_) port_->ClosePort();
        port_.reset();
        portOpen_.store(false);
    }
    if (timerResolution_) {
        EndTimerResolution();
        timerResolution_ = false;
    }
}

SerialOpenError CDriveLink::Connect(const PortAddress& address) {
    std::lock_guard lock(Lock);
    if (!port_) return MakeOpenError(OpenFailure::Other, address.Device);
    // A disconnect that came while the MainThread waited for a reply leaves
    // the port open until its next pass; close it here as that pass would,
    // so that Connect right after DisConnect does not fail as "already open".
    if (!connected_.load() && port_->IsOpen()) port_->ClosePort();
    const bool opened = OpenLocked(address);
    if (opened) connectionSerial_.fetch_add(1);
    connected_.store(opened);
    return opened ? SerialOpenError{} : port_->LastOpenError();
}

bool CDriveLink::OpenLocked(const PortAddress& address) {
    const bool opened = port_->OpenDevice(address.Device, address.Baud);
    portOpen_.store(port_->IsOpen());
    if (opened) {
        openedBaud_.store(address.Baud);
        std::lock_guard guard(openedLock_);
        openedDevice_ = address.Device;
    }
    return opened;
}

void CDriveLink::Disconnect() {
    connected_.store(false);
    failCount_.store(0);
}

// The sleep between connected passes is aimed short by how late the thread
// has been waking (an average of the last passes, at most
// kMaxWakeAllowance), so that the gap between two passes is the 10 ms the
// design gives it rather than 10 ms plus the scheduler's delay. The thread
// sleeps through the whole gap; it never spins.
void CDriveLink::MainThreadProc(const std::stop_token& stop) {
    using Clock = std::chrono::steady_clock;
    RaiseCurrentThreadPriority();
    uint32_t pass = 0; // connected passes; never reset
    bool bitsDue = false;
    Clock::duration allowance{};
    Clock::time_point reconnectDue{};
    while (!stop.stop_requested()) {
        if (!connected_.load()) {
            DisconnectedPass();
            bitsDue = false;
            Clock::time_point wake = Clock::now() + kDisconnectedSleep;
            if (reconnecting_.load()) {
                reconnectDue = TryReconnect(reconnectDue);
                wake = std::min(wake, reconnectDue);
            } else {
                reconnectDue = {};
            }
            StoppableWorker::SleepUntil(stop, wake);
            continue;
        }
        reconnectDue = {};
        if (driveId_.load() != 0) {
            bitsDue = bitsDue || pass % kBitPollEvery == 0;
            const Clock::time_point started = Clock::now();
            ConnectedPass(&bitsDue);
            overview_.PassTook(Clock::now() - started + kPassSleep);
            ReadOverviewDrive();
        }
        ++pass;
        passCount_.store(pass);
        if (IPassObserver* observer = passObserver_.load()) observer->PassEnded(failCount_.load());
        FollowDriveId(stop);
        const Clock::time_point wake = Clock::now() + kPassSleep - allowance;
        if (!StoppableWorker::SleepUntil(stop, wake)) break;
        const Clock::duration late = Clock::now() - wake;
        allowance = std::clamp<Clock::duration>(allowance + (late - allowance) / 8, Clock::duration::zero(),
                                                kMaxWakeAllowance);
    }
}

// A pass ends at its first failed read. Against a drive that stopped
// answering every further read would only add its own time-out (about 1.1 s)
// before the watchdog can count the next failed state poll, and push the
// watchdog past the 5.5 to 7.5 s it is meant to take. Inputs and outputs that
// were due in a pass whose state read failed are read in the next pass whose
// state read succeeds.
void CDriveLink::ConnectedPass(bool* bitsDue) {
    if (ReadStateRegs()) {
        failCount_.store(0);
    } else {
        if (driveId_.load() != 0) failCount_.fetch_add(1); // not a poll skipped for an ID just set to 0
        return;
    }
    if (!*bitsDue) return;
    *bitsDue = false;
    if (ReadDigitalInputs()) ReadDigitalOutputs();
}

// Closes the port under Lock: a request that another thread began before the
// disconnect finishes its exchange first, and a connect made meanwhile
// (OpenAndConnect) is not undone.
void CDriveLink::DisconnectedPass() {
    std::lock_guard lock(Lock);
    if (connected_.load()) return;
    if (port_ && port_->IsOpen()) port_->ClosePort();
    portOpen_.store(false);
    failCount_.store(0);
    ZeroCounters();
    ZeroData();
}

void CDriveLink::ReadOverviewDrive() {
    using Clock = std::chrono::steady_clock;
    const std::optional<uint8_t> id = overview_.Due(driveId_.load(), Clock::now());
    if (!id) return;
    std::lock_guard lock(Lock);
    if (!connected_.load() || !port_) return;
    std::array<uint16_t, kOverviewRegisters> regs{};
    const Clock::time_point started = Clock::now();
    const RtuResult result = port_->ReadFirstInputRegisters(*id, regs.data(), kOverviewRegisters,
                                                            LineOverview::ReplyTimeout(port_->Baud.load()));
    const Clock::time_point ended = Clock::now();
    overview_.Took(*id, result, regs.data(), ended - started, ended);
}

void CDriveLink::FollowDriveId(const std::stop_token& stop) {
    IDriveIdSource* source = driveIdSource_.load();
    if (source == nullptr || source->SettingsDriveId() == driveId_.load()) return;
    if (!StoppableWorker::SleepFor(stop, kDriveIdPause)) return;
    const uint8_t id = source->SettingsDriveId();
    driveId_.store(id);
    {
        std::lock_guard lock(Lock);
        ZeroCounters();
    }
    if (id != 0) ReadAllParams();
}

template <typename Block> void CDriveLink::Store(Block* store, const Block& block) {
    if (*store == block) return;
    *store = block;
    dataZero_ = false;
    dataGeneration_.fetch_add(1);
}

// Takes Lock for the exchange, and the data lock to store the block. Only a
// failed poll goes to the frame log: the polls would flood it otherwise.
template <typename Block>
bool CDriveLink::Poll(RtuResult (CModbusPort::*read)(uint8_t slave, typename Block::value_type* into),
                      Block* store, std::atomic<uint32_t>& attempts, std::atomic<uint32_t>& ok,
                      std::atomic<uint32_t>& fail) {
    std::lock_guard lock(Lock);
    const uint8_t id = driveId_.load();
    if (!connected_.load() || !port_ || id == 0) return false;
    attempts.fetch_add(1);
    Block block{};
    const RtuResult result = (port_.get()->*read)(id, block.data());
    if (result == RTU_OK) {
        const auto received = std::chrono::steady_clock::now();
        {
            std::lock_guard data(dataLock_);
            Store(store, block);
            if constexpr (std::is_same_v<Block, StateBlock>) {
                ++statePoll_.Sequence;
                statePoll_.Received = received;
            }
        }
        if constexpr (std::is_same_v<Block, StateBlock>) statePolled_.notify_all();
        ok.fetch_add(1);
        return true;
    }
    CountFailure(result);
    fail.fetch_add(1);
    LogExchange(result);
    return false;
}

bool CDriveLink::ReadDigitalInputs() {
    return Poll(&CModbusPort::ReadDiscreteInputs, &digitalInputs_, counters_.DiReads, counters_.DiOk,
                counters_.DiFail);
}

bool CDriveLink::ReadDigitalOutputs() {
    return Poll(&CModbusPort::ReadCoils, &digitalOutputs_, counters_.DoRequests, counters_.DoOk,
                counters_.DoFail);
}

bool CDriveLink::ReadStateRegs() {
    return Poll(&CModbusPort::ReadInputRegisters, &stateRegs_, counters_.StateReads, counters_.StateOk,
                counters_.StateFail);
}

RtuResult CDriveLink::ReadAllParams() {
    const RtuResult result = ReadParamBlocks({});
    if (result == RTU_OK) {
        if (IParamsReadSink* sink = paramsReadSink_.load()) sink->PostParamsRead();
    }
    return result;
}

RtuResult CDriveLink::ReadAllParamsQuietly(const ParamReadProgress& progress) {
    return ReadParamBlocks(progress);
}

RtuResult CDriveLink::ReadParamBlocks(const ParamReadProgress& progress) {
    if (!connected_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    return ReadAllParamsLocked(progress);
}

RtuResult CDriveLink::ReadAllParamsLocked(const ParamReadProgress& progress) {
    if (!port_) return RTU_ERR_NOT_OPEN;
    const uint8_t id = driveId_.load();
    paramsDriveId_.store(0);
    for (int start = 0; start < kParamCount; start += kParamBlockSize) {
        counters_.ParamRequests.fetch_add(1);
        std::array<uint16_t, kParamBlockSize> values{};
        const RtuResult result =
            port_->ReadHoldingRegisters(id, static_cast<uint16_t>(start), values.data(), kParamBlockSize);
        if (result != RTU_OK) {
            CountFailure(result);
            counters_.ParamFail.fetch_add(1);
            return result;
        }
        {
            std::lock_guard data(dataLock_);
            ParamBlock params = paramRegs_;
            std::copy(values.begin(), values.end(), params.begin() + start);
            Store(&paramRegs_, params);
        }
        counters_.ParamOk.fetch_add(1);
        if (progress) progress(start + kParamBlockSize);
        std::this_thread::sleep_for(kParamBlockGap);
    }
    paramsDriveId_.store(id);
    return RTU_OK;
}

RtuResult CDriveLink::ReadParamsOf(uint8_t id, ParamBlock* regs, const ParamReadProgress& progress) {
    if (id == 0 || !connected_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    if (!port_) return RTU_ERR_NOT_OPEN;
    ParamBlock read{};
    for (int start = 0; start < kParamCount; start += kParamBlockSize) {
        const RtuResult result = port_->ReadHoldingRegisters(id, static_cast<uint16_t>(start),
                                                             read.data() + start, kParamBlockSize);
        if (result != RTU_OK) return result;
        if (progress) progress(start + kParamBlockSize);
        std::this_thread::sleep_for(kParamBlockGap);
    }
    *regs = read;
    return RTU_OK;
}

RtuResult CDriveLink::WriteParam(uint16_t reg, uint16_t value) {
    if (!connected_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    return WriteParamLocked(reg, value);
}

RtuResult CDriveLink::WriteParamOn(uint32_t connection, uint16_t reg, uint16_t value) {
    if (!connected_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    // Tested under Lock: a reconnect commits under it, so no write of an
    // earlier connection can slip onto a new one.
    if (!connected_.load() || connectionSerial_.load() != connection) return RTU_ERR_NOT_OPEN;
    return WriteParamLocked(reg, value);
}

RtuResult CDriveLink::WriteParamLocked(uint16_t reg, uint16_t value) {
    if (!port_) return RTU_ERR_NOT_OPEN;
    counters_.ParamRequests.fetch_add(1);
    if (IWriteWatcher* watcher = writeWatcher_.load())
        watcher->WriteRequested(drive::FunctionWriteSingleRegister, reg, value);
    const RtuResult result = port_->WriteSingleRegister(driveId_.load(), reg, value);
    if (result == RTU_OK) {
        counters_.ParamOk.fetch_add(1);
    } else {
        CountFailure(result);
        counters_.ParamFail.fetch_add(1);
    }
    LogExchange(result);
    return result;
}

RtuResult CDriveLink::WriteOutput(uint16_t coil, bool on) {
    if (!connected_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    if (!port_) return RTU_ERR_NOT_OPEN;
    counters_.DoRequests.fetch_add(1);
    if (IWriteWatcher* watcher = writeWatcher_.load())
        watcher->WriteRequested(drive::FunctionWriteSingleCoil, coil, on ? drive::CoilOn : drive::CoilOff);
    const RtuResult result = port_->WriteSingleCoil(driveId_.load(), coil, on);
    if (result == RTU_OK) {
        counters_.DoOk.fetch_add(1);
    } else {
        CountFailure(result);
        counters_.DoFail.fetch_add(1);
    }
    LogExchange(result);
    return result;
}

void CDriveLink::CountFailure(RtuResult result) {
    if (result == RTU_ERR_NO_REPLY)
        counters_.NoReplies.fetch_add(1);
    else if (result == RTU_ERR_CRC)
        counters_.CrcErrors.fetch_add(1);
}

// Under Lock, right after the request, so Port's frames are this exchange's.
// The port leaves its counts from the previous exchange in place when it sent
// nothing (port not open) or read nothing (write failed); those stale bytes
// are not this exchange's and are logged as empty frames.
void CDriveLink::LogExchange(RtuResult result) {
    IFrameLog* log = frameLog_.load();
    if (log == nullptr) return;
    const bool sent = result != RTU_ERR_NOT_OPEN;
    const bool read = sent && result != RTU_ERR_WRITE && result != RTU_BROADCAST;
    log->QueueTxFrame(sent ? port_->TxCount : 0, port_->TxFrame);
    log->QueueRxFrame(read ? port_->RxCount : 0, port_->RxFrame);
}

void CDriveLink::ZeroCounters() {
    std::lock_guard data(dataLock_);
    counters_.Zero();
}

void CDriveLink::ZeroData() {
    std::lock_guard data(dataLock_);
    if (dataZero_) return;
    stateRegs_.fill(0);
    digitalInputs_.fill(0);
    digitalOutputs_.fill(0);
    paramRegs_.fill(0);
    paramsDriveId_.store(0);
    dataZero_ = true;
    dataGeneration_.fetch_add(1);
}

StateBlock CDriveLink::StateRegs() const {
    std::lock_guard data(dataLock_);
    return stateRegs_;
}

StatePoll CDriveLink::LatestStatePoll() const {
    std::lock_guard data(dataLock_);
    StatePoll poll = statePoll_;
    poll.Regs = stateRegs_;
    return poll;
}

bool CDriveLink::WaitForStatePoll(uint64_t after, std::chrono::steady_clock::time_point until,
                                  const std::stop_token& stop) const {
    std::unique_lock data(dataLock_);
    return statePolled_.wait_until(data, stop, until, [&] { return statePoll_.Sequence != after; });
}

BitBlock CDriveLink::DigitalInputs() const {
    std::lock_guard data(dataLock_);
    return digitalInputs_;
}

BitBlock CDriveLink::DigitalOutputs() const {
    std::lock_guard data(dataLock_);
    return digitalOutputs_;
}

ParamBlock CDriveLink::ParamRegs() const {
    std::lock_guard data(dataLock_);
    return paramRegs_;
}

// Taken under the data lock, so a zeroing (disconnect, drive-ID change) is
// seen whole.
LinkCounters CDriveLink::Counters() const {
    std::lock_guard data(dataLock_);
    return counters_.Snapshot();
}

} // namespace velt
