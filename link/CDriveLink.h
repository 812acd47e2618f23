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
// is disconnected: it tries the port once a second and connects as the
// connection bar does. Nothing a caller asked for before the line failed is
// ever sent again: requests are never queued or retried, and a caller that
// must not outlive its connection writes with WriteParamOn.
#include "CModbusPort.h"
#include "DriveMap.h"
#include "ExchangeJournal.h"
#include "LinkCounters.h"
#include "base/StoppableWorker.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

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
using BitBlock = std::array<uint8_t, drive::BitCount>;      // 16 bits, one byte 0 or 1 each
using ParamBlock = std::array<uint16_t, drive::ParamCount>; // holding registers 0..143 as received

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

    int StartThread(); // creates Port, starts the MainThread; returns 1 (0: no thread could be created)
    int StopThread();  // disconnects, ends the MainThread (5000 ms wait), deletes Port; returns 1

    // Polls: MainThread only. 1 on success, 0 on failure, when disconnected or
    // with drive ID 0 (a broadcast read would get no answer; nothing is sent).
    int ReadDigitalInputs();
    int ReadDigitalOutputs();
    int ReadStateRegs();

    // Request operations, any thread. Result codes of RtuResult.h.
    uint8_t ReadAllParams();
    // ReadAllParams without the "params read" notice: for a caller that wants
    // the drive's values (ParamRegs() afterwards) without the parameter page
    // taking them as its working copy. `progress`, when given, is called on
    // the calling thread with Lock held after each block, with the number of
    // registers read so far; it only posts, it never blocks.
    using ParamReadProgress = std::function<void(int registersRead)>;
    uint8_t ReadAllParamsQuietly(const ParamReadProgress& progress = {});
    uint8_t WriteParam(uint16_t reg, uint16_t value);
    uint8_t WriteOutput(uint16_t coil, int on);
    // WriteParam on the connection numbered `connection` only: RTU_ERR_NOT_OPEN,
    // with nothing sent, once that connection has ended (even when another
    // has begun since). For sequences that must stop at a line fault.
    uint8_t WriteParamOn(uint32_t connection, uint16_t reg, uint16_t value);

    // Consistent snapshots of the polled blocks (cheap, lock-free for callers
    // in the sense that they never wait for a transaction).
    StateBlock StateRegs() const;
    BitBlock DigitalInputs() const;
    BitBlock DigitalOutputs() const;
    ParamBlock ParamRegs() const;
    // The request counters, zeroed on a disconnect and a drive-ID change.
    LinkCounters Counters() const;
    // Changes whenever the content of a data block changes (a poll that
    // brought other values, a parameter read, the zeroing after a
    // disconnect): a reader that finds the same number has nothing new to show.
    uint32_t DataGeneration() const { return dataGeneration_.load(); }
    // Every exchange on the line, for the link health figures; never reset.
    const ExchangeJournal& Journal() const { return journal_; }

    std::atomic<uint32_t> FailCount{0};
    std::atomic<uint8_t> DriveId{1};
    std::atomic<int> Connected{0};
    std::atomic<int> Running{0}; // 1 from a successful StartThread until StopThread

    // Connected passes run so far (never reset); for tests and statistics.
    std::atomic<uint32_t> PassCount{0};
    // A new number for every connection (OpenAndConnect and every reconnect).
    std::atomic<uint32_t> ConnectionSerial{0};

    // Created by StartThread, deleted by StopThread. The connection bar opens
    // it (OpenPort); the MainThread closes it when disconnected.
    std::unique_ptr<CModbusPort> Port;

    // Opens the port through `open` (for example p.OpenPort(n, baud)) and
    // sets Connected to its result (1 or 0), both under Lock, so that the
    // MainThread cannot close the freshly opened port before the flag is set.
    // Returns the result; 0 without calling `open` when there is no Port.
    int OpenAndConnect(const std::function<int(CModbusPort&)>& open);
    // Clears Connected and FailCount; the MainThread closes the port and
    // zeroes the data on its next disconnected pass (within about 200 ms).
    void Disconnect();

    // Any thread. While the link is disconnected the MainThread tries `open`
    // once a second, the first time a second from now; when the port opens
    // it reads all parameters as a connect does, and when that read succeeds
    // the link is connected (a new ConnectionSerial) and reconnecting ends.
    // A failed try closes the port again and says nothing. Replaces an
    // earlier request; the attempt count starts at 0.
    void StartReconnecting(const std::function<int(CModbusPort&)>& open);
    // Any thread. Ends reconnecting; a try in progress does not connect.
    void StopReconnecting();
    std::atomic<int> Reconnecting{0};
    std::atomic<uint32_t> ReconnectAttempts{0}; // tries of the current (or last) reconnecting
    std::atomic<uint32_t> Reconnects{0};        // successful reconnects since the start

private:
    void MainThreadProc(const std::stop_token& stop);
    // One connected pass: the state block, then the inputs and outputs when
    // *bitsDue; clears *bitsDue once they were read.
    void ConnectedPass(bool* bitsDue);
    void DisconnectedPass();
    // The MainThread's reconnect try, when one is due; returns when the next is.
    std::chrono::steady_clock::time_point TryReconnect(std::chrono::steady_clock::time_point due);
    uint8_t ReadAllParamsLocked(const ParamReadProgress& progress = {}); // caller holds Lock
    uint8_t WriteParamLocked(uint16_t reg, uint16_t value);              // caller holds Lock, link connected
    void FollowDriveId(const std::stop_token& stop);
    // The three polls: `read` fills a block of the drive's, counted in
    // `attempts` and then `ok` or `fail`; a block read whole replaces *store.
    template <typename Block>
    int Poll(uint8_t (CModbusPort::*read)(uint8_t slave, typename Block::value_type* into), Block* store,
             std::atomic<uint32_t>& attempts, std::atomic<uint32_t>& ok, std::atomic<uint32_t>& fail);
    uint8_t ReadParamBlocks(const ParamReadProgress& progress); // takes Lock
    void ZeroCounters();
    void ZeroData();
    // Under dataLock_: a block's new content, counted in the generation when it differs.
    template <typename Block> void Store(Block* store, const Block& block);
    void LogExchange(uint8_t result); // hands Port's last TX and RX to the frame log
    void CountFailure(uint8_t result);

    mutable std::mutex Lock;      // request order (held for whole exchanges)
    mutable std::mutex dataLock_; // guards the blocks below for snapshots only
    StateBlock stateRegs_{};
    BitBlock digitalInputs_{};
    BitBlock digitalOutputs_{};
    ParamBlock paramRegs_{};

    std::atomic<IDriveIdSource*> driveIdSource_{nullptr};
    std::atomic<IParamsReadSink*> paramsReadSink_{nullptr};
    std::atomic<IFrameLog*> frameLog_{nullptr};
    std::atomic<IWriteWatcher*> writeWatcher_{nullptr};
    std::atomic<uint32_t> dataGeneration_{0};
    bool dataZero_ = true; // under dataLock_: every block is zero

    ExchangeJournal journal_;
    std::mutex reconnectLock_; // guards the two below; taken after Lock, never before it
    std::function<int(CModbusPort&)> reconnectOpen_;
    uint32_t reconnectTicket_ = 0; // new on every start and stop of reconnecting

    AtomicLinkCounters counters_;  // raised under Lock; zeroed and copied under dataLock_ as well
    bool timerResolution_ = false; // StartThread raised the timer resolution
    // The MainThread. Last, so that it is gone before the members it uses
    // (the destructor also waits for it explicitly).
    StoppableWorker worker_;
};

} // namespace velt
