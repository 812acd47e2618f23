#pragma once
// The single shared picture of the connected drive: owner of the serial port,
// the polling thread ("MainThread"), the polled data blocks, the request
// counters and the connected flag. Every request on the wire goes through one
// of the link's operations and is serialised by Lock.
//
// Lock order: Lock (the link's), then Port->Lock, then the frame log's queue
// locks. Never the reverse.
//
// Readers on other threads take consistent snapshots of the data blocks
// through the accessors below (a short internal lock, never Lock), so a
// 32-bit value made of two registers always comes from one poll.
//
// Reconnecting (StartReconnecting) is done by the MainThread while the link
// is disconnected: it tries the port once a second and connects as a connect
// does. Nothing a caller asked for before the line failed is ever sent again:
// requests are never queued or retried, and a caller that must not outlive
// its connection writes with WriteParamOn. When to give up on a drive and
// whether to reconnect is not the link's to decide: the connection
// supervisor (ConnectionSupervisor.h) watches the passes and asks.
#include "CModbusPort.h"
#include "DriveMap.h"
#include "ExchangeJournal.h"
#include "LineOverview.h"
#include "LinkCounters.h"
#include "base/StoppableWorker.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

namespace velt {

// Where the drive ID of the serial settings comes from. Called on the
// MainThread on every connected pass; must be cheap and thread-safe.
class IDriveIdSource {
public:
    virtual ~IDriveIdSource() = default;
    virtual uint8_t SettingsDriveId() const = 0;
};

// Receives "params read" after every complete ReadAllParams. Called on the
// thread that did the read (UI or MainThread) while no link lock is held;
// implementations only post (a queued call), they never block.
class IParamsReadSink {
public:
    virtual ~IParamsReadSink() = default;
    virtual void PostParamsRead() = 0;
};

// The frame log of the monitoring page. Called under the link's Lock, from the
// thread that made the request; implementations copy and return quickly.
class IFrameLog {
public:
    virtual ~IFrameLog() = default;
    virtual void QueueTxFrame(int length, const uint8_t* bytes) = 0;
    virtual void QueueRxFrame(int length, const uint8_t* bytes) = 0;
};

// Told at the end of every connected pass, on the MainThread, with no link
// lock held: the number of state polls that have failed in a row. The
// connection supervisor's watchdog; implementations return quickly and may
// call Disconnect and StartReconnecting.
class IPassObserver {
public:
    virtual ~IPassObserver() = default;
    virtual void PassEnded(uint32_t failedStatePolls) = 0;
    // A reconnect try succeeded (MainThread, no link lock held).
    virtual void Reconnected(uint32_t attempts) = 0;
};

// Told of every single write a caller asks for, just before its request goes
// out (called under the link's Lock, from the caller's thread). For long
// unattended runs that compare what the program asked for with what the
// drive carried out; implementations record and return quickly.
class IWriteWatcher {
public:
    virtual ~IWriteWatcher() = default;
    virtual void WriteRequested(uint8_t function, uint16_t address, uint16_t value) = 0;
};

using StateBlock = std::array<uint16_t, drive::StateCount>; // input registers 0..31 as received

// A state block as one poll brought it: Sequence counts the successful
// state polls of the link's life from 1 (0: none yet; never reset, so a
// reader that finds the same number has already seen this poll), Received
// is when its reply was complete. A block zeroed after a disconnect keeps
// the number and time of the last poll.
struct StatePoll {
    StateBlock Regs{};
    uint64_t Sequence = 0;
    std::chrono::steady_clock::time_point Received{};
};
using BitBlock = std::array<uint8_t, drive::BitCount>;      // 16 bits, one byte 0 or 1 each
using ParamBlock = std::array<uint16_t, drive::ParamCount>; // holding registers 0..143 as received

// Where the link's line is: a COM name ("COM3", "\\.\COM12") or a device
// path, and the bit rate.
struct PortAddress {
    std::string Device;
    uint32_t Baud = 9600;
    bool operator==(const PortAddress&) const = default;
};

// The link's flags and counts at one moment (each read on its own, without a
// lock): for reports, velt-cli and the windows.
struct LinkStatus {
    bool Running = false; // from a successful StartThread until StopThread
    bool Connected = false;
    bool PortOpen = false;
    bool Reconnecting = false;
    uint8_t DriveId = 1;
    uint32_t FailCount = 0;         // state polls failed in a row
    uint32_t PassCount = 0;         // connected passes run so far (never reset)
    uint32_t ConnectionSerial = 0;  // a new number for every connection
    uint32_t ReconnectAttempts = 0; // tries of the current (or last) reconnecting
    uint32_t Reconnects = 0;        // successful reconnects since the start
    std::string Device;             // what the port was last opened as
    uint32_t Baud = 0;              // and at which rate (0 before any open)
};

class CDriveLink {
public:
    CDriveLink();
    ~CDriveLink(); // stops the thread if still running
    CDriveLink(const CDriveLink&) = delete;
    CDriveLink& operator=(const CDriveLink&) = delete;

    // Outside connections; may be set or replaced at any time (atomic).
    void SetDriveIdSource(IDriveIdSource* source);
    void SetParamsReadSink(IParamsReadSink* sink);
    void SetFrameLog(IFrameLog* log);
    void SetWriteWatcher(IWriteWatcher* watcher);
    void SetPassObserver(IPassObserver* observer);
    // The --trace printer of velt-cli: every exchange's bytes, on the thread
    // that makes it, under the port's lock. Set before connecting.
    void SetTrace(CModbusPort::TraceFn fn, void* context);

    // Creates the port and starts the MainThread; false when no thread could
    // be created (the link then never polls).
    bool StartThread();
    // Disconnects, ends the MainThread (5000 ms wait, a message on time-out)
    // and deletes the port.
    void StopThread();

    // The drive ID the requests go to (0: broadcast, nothing is read back).
    void SetDriveId(uint8_t id);
    // Opens the port and marks the link connected, both under Lock, so that
    // the MainThread cannot close the fresh port before the flag is set. On
    // failure says why (kind None on success); OpenFailure::Other when the
    // thread was never started.
    SerialOpenError Connect(const PortAddress& address);
    // Clears the connected flag and the failure count; the MainThread closes
    // the port and zeroes the data on its next disconnected pass (within
    // about 200 ms).
    void Disconnect();

    // Any thread. While the link is disconnected the MainThread tries to open
    // `address` once a second, the first time a second from now; when the
    // port opens it reads all parameters as a connect does, and when that
    // read succeeds the link is connected (a new ConnectionSerial) and
    // reconnecting ends. A failed try closes the port again and says
    // nothing. Replaces an earlier request; the attempt count starts at 0.
    void StartReconnecting(const PortAddress& address);
    // Any thread. Ends reconnecting; a try in progress does not connect.
    void StopReconnecting();

    // Request operations, any thread.
    RtuResult ReadAllParams();
    // ReadAllParams without the "params read" notice: for a caller that wants
    // the drive's values (ParamRegs() afterwards) without the parameter page
    // taking them as its working copy. `progress`, when given, is called on
    // the calling thread with Lock held after each block, with the number of
    // registers read so far; it only posts, it never blocks.
    using ParamReadProgress = std::function<void(int registersRead)>;
    RtuResult ReadAllParamsQuietly(const ParamReadProgress& progress = {});
    // Every parameter of drive `id`, another drive of the line, into *regs
    // without a change of drive: the polled blocks, ParamsDriveId and the
    // selected drive's counters stay as they are, and *regs is written only
    // when all blocks came (a failed read leaves it untouched). Under Lock
    // for the whole read, so the polls of the selected drive wait for it.
    // `progress` as for ReadAllParamsQuietly. ID 0 (broadcast) is refused
    // with RTU_ERR_NOT_OPEN and nothing sent, as is a link not connected.
    RtuResult ReadParamsOf(uint8_t id, ParamBlock* regs, const ParamReadProgress& progress = {});
    RtuResult WriteParam(uint16_t reg, uint16_t value);
    RtuResult WriteOutput(uint16_t coil, bool on);
    // WriteParam on the connection numbered `connection` only: RTU_ERR_NOT_OPEN,
    // with nothing sent, once that connection has ended (even when another
    // has begun since). For sequences that must stop at a line fault.
    RtuResult WriteParamOn(uint32_t connection, uint16_t reg, uint16_t value);

    // Consistent snapshots of the polled blocks (cheap, lock-free for callers
    // in the sense that they never wait for a transaction).
    StateBlock StateRegs() const;
    // The state block with the poll that brought it, read together.
    StatePoll LatestStatePoll() const;
    // Waits until a state poll other than number `after` has been received,
    // `until` has passed or `stop` is requested; true when one has come.
    // Lets a reader take each poll once without looking again and again.
    bool WaitForStatePoll(uint64_t after, std::chrono::steady_clock::time_point until,
                          const std::stop_token& stop) const;
    BitBlock DigitalInputs() const;
    BitBlock DigitalOutputs() const;
    ParamBlock ParamRegs() const;
    // The drive whose complete parameter set ParamRegs holds: set when a
    // read of all parameters ends well, 0 from the start of a read until
    // then (a read that failed leaves the blocks of two drives mixed).
    uint8_t ParamsDriveId() const { return paramsDriveId_.load(); }

    // The line overview: the other drives of the line, whose first state
    // registers the polling thread reads in turn between the selected
    // drive's polls (LineOverview.h). Empty: none are read. Any thread.
    void SetLineDrives(const std::vector<uint8_t>& ids) { overview_.SetDrives(ids); }
    std::vector<LineDriveState> LineDrives() const { return overview_.Snapshot(); }
    // The request counters, zeroed on a disconnect and a drive-ID change.
    LinkCounters Counters() const;
    // Changes whenever the content of a data block changes (a poll that
    // brought other values, a parameter read, the zeroing after a
    // disconnect): a reader that finds the same number has nothing new to show.
    uint32_t DataGeneration() const { return dataGeneration_.load(); }
    // Every exchange on the line, for the link health figures; never reset.
    const ExchangeJournal& Journal() const { return journal_; }

    // The flags and counts, each without a lock.
    bool IsConnected() const { return connected_.load(); }
    bool IsRunning() const { return running_.load(); }
    bool IsReconnecting() const { return reconnecting_.load(); }
    uint8_t DriveId() const { return driveId_.load(); }
    uint32_t FailCount() const { return failCount_.load(); }
    uint32_t PassCount() const { return passCount_.load(); }
    uint32_t ConnectionSerial() const { return connectionSerial_.load(); }
    uint32_t ReconnectAttempts() const { return reconnectAttempts_.load(); }
    uint32_t Reconnects() const { return reconnects_.load(); }
    LinkStatus Status() const;

private:
    void MainThreadProc(const std::stop_token& stop);
    // One connected pass: the state block, then the inputs and outputs when
    // *bitsDue; clears *bitsDue once they were read.
    void ConnectedPass(bool* bitsDue);
    void DisconnectedPass();
    // The three polls (MainThread). False on failure, when disconnected or
    // with drive ID 0 (a broadcast read would get no answer; nothing is sent).
    bool ReadDigitalInputs();
    bool ReadDigitalOutputs();
    bool ReadStateRegs();
    // The MainThread's reconnect try, when one is due; returns when the next is.
    std::chrono::steady_clock::time_point TryReconnect(std::chrono::steady_clock::time_point due);
    bool OpenLocked(const PortAddress& address);                           // caller holds Lock
    RtuResult ReadAllParamsLocked(const ParamReadProgress& progress = {}); // caller holds Lock
    RtuResult WriteParamLocked(uint16_t reg, uint16_t value); // caller holds Lock, link connected
    void FollowDriveId(const std::stop_token& stop);
    // One read of the line overview, when a drive is due and the share of
    // the line's time allows it. Never counted against the selected drive.
    void ReadOverviewDrive();
    // The three polls: `read` fills a block of the drive's, counted in
    // `attempts` and then `ok` or `fail`; a block read whole replaces *store.
    template <typename Block>
    bool Poll(RtuResult (CModbusPort::*read)(uint8_t slave, typename Block::value_type* into), Block* store,
              std::atomic<uint32_t>& attempts, std::atomic<uint32_t>& ok, std::atomic<uint32_t>& fail);
    RtuResult ReadParamBlocks(const ParamReadProgress& progress); // takes Lock
    void ZeroCounters();
    void ZeroData();
    // Under dataLock_: a block's new content, counted in the generation when it differs.
    template <typename Block> void Store(Block* store, const Block& block);
    void LogExchange(RtuResult result); // hands Port's last TX and RX to the frame log
    void CountFailure(RtuResult result);

    mutable std::mutex Lock;      // request order (held for whole exchanges)
    mutable std::mutex dataLock_; // guards the blocks below for snapshots only
    StateBlock stateRegs_{};
    StatePoll statePoll_; // Sequence and Received of stateRegs_ (Regs unused here)
    mutable std::condition_variable_any statePolled_; // with dataLock_: statePoll_ moved on
    BitBlock digitalInputs_{};
    BitBlock digitalOutputs_{};
    ParamBlock paramRegs_{};

    std::atomic<uint32_t> failCount_{0};
    std::atomic<uint8_t> driveId_{1};
    std::atomic<uint8_t> paramsDriveId_{0};
    LineOverview overview_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> running_{false};
    std::atomic<uint32_t> passCount_{0};
    std::atomic<uint32_t> connectionSerial_{0};
    std::atomic<bool> reconnecting_{false};
    std::atomic<uint32_t> reconnectAttempts_{0};
    std::atomic<uint32_t> reconnects_{0};

    std::atomic<IDriveIdSource*> driveIdSource_{nullptr};
    std::atomic<IParamsReadSink*> paramsReadSink_{nullptr};
    std::atomic<IFrameLog*> frameLog_{nullptr};
    std::atomic<IWriteWatcher*> writeWatcher_{nullptr};
    std::atomic<IPassObserver*> passObserver_{nullptr};
    std::atomic<uint32_t> dataGeneration_{0};
    bool dataZero_ = true; // under dataLock_: every block is zero

    ExchangeJournal journal_;
    CModbusPort::TraceFn traceFn_ = nullptr; // under Lock; handed to every port StartThread creates
    void* traceContext_ = nullptr;
    // What the port was last opened as, for Status(): any thread.
    mutable std::mutex openedLock_;
    std::string openedDevice_;
    std::atomic<uint32_t> openedBaud_{0};
    std::atomic<bool> portOpen_{false};
    std::mutex reconnectLock_; // guards the two below; taken after Lock, never before it
    PortAddress reconnectAddress_;
    uint32_t reconnectTicket_ = 0; // new on every start and stop of reconnecting

    AtomicLinkCounters counters_;  // raised under Lock; zeroed and copied under dataLock_ as well
    bool timerResolution_ = false; // StartThread raised the timer resolution
    // Created by StartThread, deleted by StopThread; used under Lock.
    std::unique_ptr<CModbusPort> port_;
    // The MainThread. Last, so that it is gone before the members it uses
    // (the destructor also waits for it explicitly).
    StoppableWorker worker_;
};

} // namespace velt
