#include "CDriveLink.h"

#include "platform/ThreadTuning.h"

#include <algorithm>
#include <thread>

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
    if (Running.load() != 0) StopThread();
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

// Owner thread (start-up). Returns 1; 0 if the thread could not be created,
// in which case the link stays without a MainThread and never polls.
int CDriveLink::StartThread() {
    if (worker_.HasThread()) return 1; // running, or outlived StopThread's wait
    BeginTimerResolution();
    timerResolution_ = true;
    Port = std::make_unique<CModbusPort>();
    Port->SetJournal(&journal_);
    Running.store(1);
    if (!worker_.Start([this](std::stop_token stop) { MainThreadProc(stop); })) {
        Running.store(0);
        return 0;
    }
    return 1;
}

// Owner thread (shutdown). Blocks for 500 ms plus at most 5000 ms, and then
// for the end of a request that another thread has in flight.
int CDriveLink::StopThread() {
    StopReconnecting();
    Connected.store(0);
    FailCount.store(0);
    std::this_thread::sleep_for(kStopSettle);
    Running.store(0);
    StoppableWorker::Report(worker_.Stop(kStopWait), "MainThread");
    // While a MainThread that outlived the wait may still be inside an
    // exchange, the port stays alive; the destructor deletes it after the
    // thread has ended. Under Lock: a request that another thread (the repeat
    // window, a page) began before Connected was cleared ends its exchange
    // before the port goes, and later requests find no Port.
    if (!worker_.HasThread()) {
        std::lock_guard lock(Lock);
        if (Port) Port->ClosePort();
        Port.reset();
    }
    if (timerResolution_) {
        EndTimerResolution();
        timerResolution_ = false;
    }
    return 1;
}

int CDriveLink::OpenAndConnect(const std::function<int(CModbusPort&)>& open) {
    std::lock_guard lock(Lock);
    if (!Port) return 0;
    // A disconnect that came while the MainThread waited for a reply leaves
    // the port open until its next pass; close it here as that pass would,
    // so that Connect right after DisConnect does not fail as "already open".
    if (Connected.load() == 0 && Port->IsOpen.load() != 0) Port->ClosePort();
    const int opened = open(*Port) == 1 ? 1 : 0;
    if (opened == 1) ConnectionSerial.fetch_add(1);
    Connected.store(opened);
    return opened;
}

void CDriveLink::Disconnect() {
    Connected.store(0);
    FailCount.store(0);
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
        if (Connected.load() == 0) {
            DisconnectedPass();
            bitsDue = false;
            Clock::time_point wake = Clock::now() + kDisconnectedSleep;
            if (Reconnecting.load() != 0) {
                reconnectDue = TryReconnect(reconnectDue);
                wake = std::min(wake, reconnectDue);
            } else {
                reconnectDue = {};
            }
            StoppableWorker::SleepUntil(stop, wake);
            continue;
        }
        reconnectDue = {};
        if (DriveId.load() != 0) {
            bitsDue = bitsDue || pass % kBitPollEvery == 0;
            ConnectedPass(&bitsDue);
        }
        ++pass;
        PassCount.store(pass);
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
    if (ReadStateRegs() == 1) {
        FailCount.store(0);
    } else {
        if (DriveId.load() != 0) FailCount.fetch_add(1); // not a poll skipped for an ID just set to 0
        return;
    }
    if (!*bitsDue) return;
    *bitsDue = false;
    if (ReadDigitalInputs() == 1) ReadDigitalOutputs();
}

// Closes the port under Lock: a request that another thread began before the
// disconnect finishes its exchange first, and a connect made meanwhile
// (OpenAndConnect) is not undone.
void CDriveLink::DisconnectedPass() {
    std::lock_guard lock(Lock);
    if (Connected.load() != 0) return;
    if (Port && Port->IsOpen.load() != 0) Port->ClosePort();
    FailCount.store(0);
    ZeroCounters();
    ZeroData();
}

void CDriveLink::FollowDriveId(const std::stop_token& stop) {
    IDriveIdSource* source = driveIdSource_.load();
    if (source == nullptr || source->SettingsDriveId() == DriveId.load()) return;
    if (!StoppableWorker::SleepFor(stop, kDriveIdPause)) return;
    const uint8_t id = source->SettingsDriveId();
    DriveId.store(id);
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
int CDriveLink::Poll(uint8_t (CModbusPort::*read)(uint8_t slave, typename Block::value_type* into),
                     Block* store, std::atomic<uint32_t>& attempts, std::atomic<uint32_t>& ok,
                     std::atomic<uint32_t>& fail) {
    std::lock_guard lock(Lock);
    const uint8_t id = DriveId.load();
    if (Connected.load() == 0 || !Port || id == 0) return 0;
    attempts.fetch_add(1);
    Block block{};
    const uint8_t result = (Port.get()->*read)(id, block.data());
    if (result == RTU_OK) {
        {
            std::lock_guard data(dataLock_);
            Store(store, block);
        }
        ok.fetch_add(1);
        return 1;
    }
    CountFailure(result);
    fail.fetch_add(1);
    LogExchange(result);
    return 0;
}

int CDriveLink::ReadDigitalInputs() {
    return Poll(&CModbusPort::ReadDiscreteInputs, &digitalInputs_, counters_.DiReads, counters_.DiOk,
                counters_.DiFail);
}

int CDriveLink::ReadDigitalOutputs() {
    return Poll(&CModbusPort::ReadCoils, &digitalOutputs_, counters_.DoRequests, counters_.DoOk,
                counters_.DoFail);
}

int CDriveLink::ReadStateRegs() {
    return Poll(&CModbusPort::ReadInputRegisters, &stateRegs_, counters_.StateReads, counters_.StateOk,
                counters_.StateFail);
}

uint8_t CDriveLink::ReadAllParams() {
    const uint8_t result = ReadParamBlocks({});
    if (result == RTU_OK) {
        if (IParamsReadSink* sink = paramsReadSink_.load()) sink->PostParamsRead();
    }
    return result;
}

uint8_t CDriveLink::ReadAllParamsQuietly(const ParamReadProgress& progress) {
    return ReadParamBlocks(progress);
}

uint8_t CDriveLink::ReadParamBlocks(const ParamReadProgress& progress) {
    if (Connected.load() == 0) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    return ReadAllParamsLocked(progress);
}

uint8_t CDriveLink::ReadAllParamsLocked(const ParamReadProgress& progress) {
    if (!Port) return RTU_ERR_NOT_OPEN;
    const uint8_t id = DriveId.load();
    for (int start = 0; start < kParamCount; start += kParamBlockSize) {
        counters_.ParamRequests.fetch_add(1);
        std::array<uint16_t, kParamBlockSize> values{};
        const uint8_t result =
            Port->ReadHoldingRegisters(id, static_cast<uint16_t>(start), values.data(), kParamBlockSize);
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
    return RTU_OK;
}

uint8_t CDriveLink::WriteParam(uint16_t reg, uint16_t value) {
    if (Connected.load() == 0) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    return WriteParamLocked(reg, value);
}

uint8_t CDriveLink::WriteParamOn(uint32_t connection, uint16_t reg, uint16_t value) {
    if (Connected.load() == 0) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    // Tested under Lock: a reconnect commits under it, so no write of an
    // earlier connection can slip onto a new one.
    if (Connected.load() == 0 || ConnectionSerial.load() != connection) return RTU_ERR_NOT_OPEN;
    return WriteParamLocked(reg, value);
}

uint8_t CDriveLink::WriteParamLocked(uint16_t reg, uint16_t value) {
    if (!Port) return RTU_ERR_NOT_OPEN;
    counters_.ParamRequests.fetch_add(1);
    if (IWriteWatcher* watcher = writeWatcher_.load())
        watcher->WriteRequested(drive::FunctionWriteSingleRegister, reg, value);
    const uint8_t result = Port->WriteSingleRegister(DriveId.load(), reg, value);
    if (result == RTU_OK) {
        counters_.ParamOk.fetch_add(1);
    } else {
        CountFailure(result);
        counters_.ParamFail.fetch_add(1);
    }
    LogExchange(result);
    return result;
}

uint8_t CDriveLink::WriteOutput(uint16_t coil, int on) {
    if (Connected.load() == 0) return RTU_ERR_NOT_OPEN;
    std::lock_guard lock(Lock);
    if (!Port) return RTU_ERR_NOT_OPEN;
    counters_.DoRequests.fetch_add(1);
    if (IWriteWatcher* watcher = writeWatcher_.load())
        watcher->WriteRequested(drive::FunctionWriteSingleCoil, coil,
                                on != 0 ? drive::CoilOn : drive::CoilOff);
    const uint8_t result = Port->WriteSingleCoil(DriveId.load(), coil, on);
    if (result == RTU_OK) {
        counters_.DoOk.fetch_add(1);
    } else {
        CountFailure(result);
        counters_.DoFail.fetch_add(1);
    }
    LogExchange(result);
    return result;
}

void CDriveLink::CountFailure(uint8_t result) {
    if (result == RTU_ERR_NO_REPLY)
        counters_.NoReplies.fetch_add(1);
    else if (result == RTU_ERR_CRC)
        counters_.CrcErrors.fetch_add(1);
}

// Under Lock, right after the request, so Port's frames are this exchange's.
// The port leaves its counts from the previous exchange in place when it sent
// nothing (port not open) or read nothing (write failed); those stale bytes
// are not this exchange's and are logged as empty frames.
void CDriveLink::LogExchange(uint8_t result) {
    IFrameLog* log = frameLog_.load();
    if (log == nullptr) return;
    const bool sent = result != RTU_ERR_NOT_OPEN;
    const bool read = sent && result != RTU_ERR_WRITE && result != RTU_BROADCAST;
    log->QueueTxFrame(sent ? Port->TxCount : 0, Port->TxFrame);
    log->QueueRxFrame(read ? Port->RxCount : 0, Port->RxFrame);
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
    dataZero_ = true;
    dataGeneration_.fetch_add(1);
}

StateBlock CDriveLink::StateRegs() const {
    std::lock_guard data(dataLock_);
    return stateRegs_;
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
