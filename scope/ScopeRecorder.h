#pragma once
// Recording a scope window's samples to a CSV file as they come, for hours:
// one line per sample taken, with the time since the program started, the
// wall-clock time and one column per recorded channel.
//
// The ScopeThread hands each sample over under a short lock (Add); a writer
// thread of the recorder's own writes what has come at least every
// kFlushPeriod and puts it on the disk (AppendFile::Sync), so a crash or a
// power loss costs at most the samples of the last second, and a slow disk
// never holds up the sampling. A write that fails ends the recording: the
// file is closed after its last whole line, later samples are dropped, and
// Status() reports the reason until the owner stops the recorder. The scope
// keeps running.
//
// Threads: Start, Stop and Status on the owner's thread (the user-interface
// thread); Add on any thread.
#include "base/StoppableWorker.h"
#include "platform/AppendFile.h"
#include "scope/ScopeSamples.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace velt {

// One sample as recorded: when it was taken and the values of all four
// channels (only the recorded ones are written).
struct RecordedSample {
    std::chrono::steady_clock::time_point Taken;
    std::chrono::system_clock::time_point Wall;
    TraceValues Values{};
};

// A sample taken now.
RecordedSample StampedNow(const TraceValues& values);
// A sample taken at `taken` (a moment ago): the wall clock moved back by as much.
RecordedSample StampedAt(std::chrono::steady_clock::time_point taken, const TraceValues& values);

// Seconds from the program's start (the loading of this library) to `t`.
double SecondsSinceProgramStart(std::chrono::steady_clock::time_point t);

// "2025-03-14 09:26:53.589", local time; empty when it cannot be converted.
std::string WallClockText(std::chrono::system_clock::time_point t);

class ScopeRecorder {
public:
    static constexpr std::chrono::milliseconds kFlushPeriod{500};

    struct Columns {
        std::string SinceStartHeader; // "Time since start [s]"
        std::string WallClockHeader;  // "Wall clock"
        std::array<bool, kScopeTraces> Recorded{};
        std::array<std::string, kScopeTraces> Names; // headers of the recorded channels
    };

    struct Status {
        bool Recording = false; // started and not failed
        bool Failed = false;    // a write failed: Error holds the reason
        std::string Error;
        std::filesystem::path File;
        uint64_t Bytes = 0;   // in the file
        uint64_t Samples = 0; // lines written
        std::chrono::steady_clock::time_point Started;
    };

    ScopeRecorder() = default;
    ~ScopeRecorder(); // Stop()
    ScopeRecorder(const ScopeRecorder&) = delete;
    ScopeRecorder& operator=(const ScopeRecorder&) = delete;

    // Creates (or empties) `file`, writes the header line and starts
    // taking samples. False with the reason in *error (nothing started).
    bool Start(const std::filesystem::path& file, const Columns& columns, std::string* error);
    // Writes what is still waiting, puts it on the disk, closes the file and
    // ends the writer. False with the reason when that last write failed
    // (or an earlier one: Status().Error). Idle recorders return true.
    bool Stop(std::string* error = nullptr);
    // Hands one sample over; dropped unless recording.
    void Add(const RecordedSample& sample);
    // A comment line ("# ...", without its line end) in the order of the
    // samples, such as where the data stopped; dropped unless recording.
    void AddNote(const std::string& line);
    // Whether Add would take a sample now: a caller can skip stamping one.
    bool Accepting() const { return acceptingFlag_.load(std::memory_order_relaxed); }
    Status Snapshot() const;

private:
    void WriterLoop(const std::stop_token& stop);
    bool WritePending(); // writer thread
    std::string Line(const RecordedSample& s) const;

    mutable std::mutex lock_;             // guards everything below but file_
    std::vector<RecordedSample> pending_; // handed over, not yet written
    // Notes in pending_'s order: each goes before the sample at its index.
    std::vector<std::pair<size_t, std::string>> pendingNotes_;
    Status status_;
    bool accepting_ = false;
    std::atomic<bool> acceptingFlag_{false}; // accepting_, readable without the lock
    Columns columns_;
    AppendFile file_;                     // writer thread while it runs; owner before and after
    std::vector<RecordedSample> writing_; // writer thread's batch
    std::vector<std::pair<size_t, std::string>> writingNotes_;
    StoppableWorker writer_; // last: ends before the rest goes
};

} // namespace velt
