#include "scope/ScopeRecorder.h"

#include "platform/ProgramEnvironment.h"
#include "scope/ScopeExport.h"

#include <cstdio>
#include <ctime>

namespace velt {

namespace {
// Taken while the program loads this library, before main.
const std::chrono::steady_clock::time_point kProgramStart = std::chrono::steady_clock::now();

constexpr const char* kLineEnd = "\r\n";
} // namespace

RecordedSample StampedNow(const TraceValues& values) {
    return {std::chrono::steady_clock::now(), std::chrono::system_clock::now(), values};
}

RecordedSample StampedAt(std::chrono::steady_clock::time_point taken, const TraceValues& values) {
    RecordedSample s = StampedNow(values);
    s.Wall -= std::chrono::duration_cast<std::chrono::system_clock::duration>(s.Taken - taken);
    s.Taken = taken;
    return s;
}

double SecondsSinceProgramStart(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t - kProgramStart).count();
}

std::string WallClockText(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    const auto since = t.time_since_epoch();
    const auto whole = floor<seconds>(since);
    const auto millis = duration_cast<milliseconds>(since - whole).count();
    std::tm local{};
    if (!LocalTime(static_cast<std::time_t>(whole.count()), &local)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

ScopeRecorder::~ScopeRecorder() {
    Stop();
}

bool ScopeRecorder::Start(const std::filesystem::path& file, const Columns& columns, std::string* error) {
    Stop();
    std::string header = CsvField(columns.SinceStartHeader) + ',' + CsvField(columns.WallClockHeader);
    for (int t = 0; t < kScopeTraces; ++t) {
        if (columns.Recorded[static_cast<size_t>(t)])
            header += ',' + CsvField(columns.Names[static_cast<size_t>(t)]);
    }
    header += kLineEnd;
    if (!file_.Create(file, error)) return false;
    if (!file_.Write(header, error) || !file_.Sync(error)) {
        file_.Close();
        return false;
    }
    {
        std::lock_guard lock(lock_);
        columns_ = columns;
        pending_.clear();
        pendingNotes_.clear();
        status_ = Status{};
        status_.Recording = true;
        status_.File = file;
        status_.Bytes = file_.Size();
        status_.Started = std::chrono::steady_clock::now();
        accepting_ = true;
        acceptingFlag_.store(true);
    }
    if (!writer_.Start([this](std::stop_token stop) { WriterLoop(stop); })) {
        std::lock_guard lock(lock_);
        accepting_ = false;
        acceptingFlag_.store(false);
        status_.Recording = false;
        file_.Close();
        if (error != nullptr) *error = "no thread";
        return false;
    }
    return true;
}

void ScopeRecorder::Add(const RecordedSample& sample) {
    std::lock_guard lock(lock_);
    if (accepting_) pending_.push_back(sample);
}

void ScopeRecorder::AddNote(const std::string& line) {
    std::lock_guard lock(lock_);
    if (accepting_) pendingNotes_.emplace_back(pending_.size(), line);
}

std::string ScopeRecorder::Line(const RecordedSample& s) const {
    char since[48];
    std::snprintf(since, sizeof since, "%.3f", SecondsSinceProgramStart(s.Taken));
    std::string line = std::string(since) + ',' + WallClockText(s.Wall);
    for (int t = 0; t < kScopeTraces; ++t) {
        if (columns_.Recorded[static_cast<size_t>(t)])
            line += ',' + FormatSampleValue(s.Values[static_cast<size_t>(t)]);
    }
    return line + kLineEnd;
}

// Writer thread: the batch is formatted and written without the lock, so
// Add never waits for the disk.
bool ScopeRecorder::WritePending() {
    {
        std::lock_guard lock(lock_);
        writing_.swap(pending_);
        writingNotes_.swap(pendingNotes_);
    }
    if (writing_.empty() && writingNotes_.empty()) return true;
    std::string text;
    size_t note = 0;
    for (size_t i = 0; i <= writing_.size(); ++i) {
        for (; note < writingNotes_.size() && writingNotes_[note].first == i; ++note)
            text += writingNotes_[note].second + kLineEnd;
        if (i < writing_.size()) text += Line(writing_[i]);
    }
    writingNotes_.clear();
    std::string error;
    const bool ok = file_.Write(text, &error) && file_.Sync(&error);
    std::lock_guard lock(lock_);
    if (ok) {
        status_.Samples += writing_.size();
        status_.Bytes = file_.Size();
    } else {
        accepting_ = false;
        acceptingFlag_.store(false);
        pending_.clear();
        pendingNotes_.clear();
        status_.Recording = false;
        status_.Failed = true;
        status_.Error = error;
        status_.Bytes = file_.Size();
    }
    writing_.clear();
    return ok;
}

void ScopeRecorder::WriterLoop(const std::stop_token& stop) {
    while (StoppableWorker::SleepFor(stop, kFlushPeriod)) {
        if (!WritePending()) {
            file_.Close();
            return;
        }
    }
}

bool ScopeRecorder::Stop(std::string* error) {
    {
        std::lock_guard lock(lock_);
        accepting_ = false;
        acceptingFlag_.store(false);
    }
    writer_.StopAndWait();
    if (!file_.IsOpen()) {
        std::lock_guard lock(lock_);
        status_.Recording = false;
        if (status_.Failed && error != nullptr) *error = status_.Error;
        return !status_.Failed;
    }
    // The writer has ended: what it left is written here, on the owner's thread.
    bool ok = WritePending();
    std::string closeError;
    if (!file_.Close(&closeError) && ok) {
        ok = false;
        std::lock_guard lock(lock_);
        status_.Failed = true;
        status_.Error = closeError;
    }
    std::lock_guard lock(lock_);
    status_.Recording = false;
    if (!ok && error != nullptr) *error = status_.Error;
    return ok;
}

ScopeRecorder::Status ScopeRecorder::Snapshot() const {
    std::lock_guard lock(lock_);
    return status_;
}

} // namespace velt
