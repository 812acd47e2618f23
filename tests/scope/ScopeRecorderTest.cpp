// Recording to a file: what the file holds, that it reaches the disk while
// the recording runs, that samples handed over from another thread all
// arrive, and a full disk that ends the recording with its reason.
#include "scope/ScopeRecorder.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace velt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

ScopeRecorder::Columns PositionAndCurrent() {
    ScopeRecorder::Columns c;
    c.SinceStartHeader = "Time since start [s]";
    c.WallClockHeader = "Wall clock";
    c.Recorded = {true, false, false, true};
    c.Names = {"Position", "Speed", "Command, Current", "Current"};
    return c;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(ScopeRecorderTest, EachSampleALineWithBothTimesAndTheRecordedChannels) {
    const fs::path path = test::UniqueTempPath("record.csv");
    ScopeRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Start(path, PositionAndCurrent(), &error)) << error;
    EXPECT_TRUE(recorder.Snapshot().Recording);
    const auto t0 = std::chrono::steady_clock::now();
    const auto wall = std::chrono::system_clock::now();
    recorder.Add({t0, wall, {1234, 5, 6, -0.5}});
    recorder.Add({t0 + 50ms, wall + 50ms, {1240, 5, 6, -0.25}});
    ASSERT_TRUE(recorder.Stop(&error)) << error;
    EXPECT_FALSE(recorder.Snapshot().Recording);
    recorder.Add({t0, wall, {1, 2, 3, 4}}); // after the stop: dropped

    const std::vector<std::string> lines = Lines(Contents(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Time since start [s],Wall clock,Position,Current");
    const std::regex line(R"((\d+\.\d{3}),(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}),(.*))");
    std::smatch a, b;
    ASSERT_TRUE(std::regex_match(lines[1], a, line)) << lines[1];
    ASSERT_TRUE(std::regex_match(lines[2], b, line)) << lines[2];
    EXPECT_EQ(a[3], "1234,-0.5");
    EXPECT_EQ(b[3], "1240,-0.25");
    EXPECT_NEAR(std::stod(b[1]) - std::stod(a[1]), 0.05, 0.0011);
    EXPECT_EQ(a[2], WallClockText(wall));
    EXPECT_NEAR(std::stod(a[1]), SecondsSinceProgramStart(t0), 0.0006);
    EXPECT_EQ(recorder.Snapshot().Samples, 2u);
    EXPECT_EQ(recorder.Snapshot().Bytes, fs::file_size(path));
    fs::remove(path);
}

TEST(ScopeRecorderTest, SamplesReachTheDiskWithinTheFlushPeriodWhileTheRecordingRuns) {
    const fs::path path = test::UniqueTempPath("flushed.csv");
    ScopeRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Start(path, PositionAndCurrent(), &error)) << error;
    const auto header = fs::file_size(path);
    // A sampling thread hands samples over while the writer writes.
    std::atomic<bool> stop{false};
    std::atomic<int> handed{0};
    std::thread sampler([&] {
        while (!stop.load()) {
            recorder.Add(StampedNow({double(handed.load()), 0, 0, 1}));
            handed.fetch_add(1);
            std::this_thread::sleep_for(1ms);
        }
    });
    EXPECT_TRUE(WaitFor([&] { return fs::file_size(path) > header; })); // written without a stop
    EXPECT_TRUE(WaitFor([&] { return recorder.Snapshot().Samples >= 100; }));
    stop = true;
    sampler.join();
    ASSERT_TRUE(recorder.Stop(&error)) << error;
    const std::vector<std::string> lines = Lines(Contents(path));
    ASSERT_EQ(lines.size(), size_t(handed.load()) + 1); // every one, in order
    for (int i = 0; i < handed.load(); ++i) {
        const std::string& l = lines[size_t(i) + 1];
        ASSERT_EQ(l.substr(l.find(',', l.find(',') + 1) + 1), std::to_string(i) + ",1") << i;
    }
    fs::remove(path);
}

TEST(ScopeRecorderTest, AFileThatCannotBeCreatedStartsNothing) {
    ScopeRecorder recorder;
    std::string error;
    EXPECT_FALSE(recorder.Start(test::UniqueTempPath("none") / "no" / "r.csv", PositionAndCurrent(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(recorder.Snapshot().Recording);
    EXPECT_TRUE(recorder.Stop());
}

#ifndef _WIN32
TEST(ScopeRecorderTest, AFullDiskEndsTheRecordingAfterItsLastWholeLineWithTheReason) {
    const fs::path path = test::UniqueTempPath("full.csv");
    ScopeRecorder recorder;
    std::string error;
    test::ScopedFileSizeLimit full(1000); // the header and some fifteen lines
    ASSERT_TRUE(recorder.Start(path, PositionAndCurrent(), &error)) << error;
    for (int i = 0; i < 40 && !recorder.Snapshot().Failed; ++i) {
        recorder.Add(StampedNow({1000000.0 + i, 0, 0, -12345.678}));
        std::this_thread::sleep_for(30ms);
    }
    ASSERT_TRUE(WaitFor([&] { return recorder.Snapshot().Failed; }));
    const ScopeRecorder::Status status = recorder.Snapshot();
    EXPECT_FALSE(status.Recording);
    EXPECT_EQ(status.Error, "File too large");
    recorder.Add(StampedNow({1, 2, 3, 4})); // dropped: nothing is written any more
    EXPECT_FALSE(recorder.Stop(&error));
    EXPECT_EQ(error, "File too large");
    const std::string text = Contents(path);
    EXPECT_LE(text.size(), 1000u);
    EXPECT_EQ(text.size(), status.Bytes);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (const std::string& l : Lines(text))
        EXPECT_EQ(l.find("<no line end>"), std::string::npos);
    fs::remove(path);
}
#endif

} // namespace
} // namespace velt
