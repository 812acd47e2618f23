#pragma once
// Shared pieces of the drive-link tests: a link started and connected to an
// in-process simulated drive, and recording stand-ins for the three outside
// interfaces and the message service.
#include "base/MessageService.h"
#include "link/CDriveLink.h"
#include "sim/SimDrive.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velt::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Polls `done` every 5 ms until it holds or `timeout` passes.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

inline double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct LoggedFrame {
    bool tx = false;
    std::vector<uint8_t> bytes;
};

class RecordingFrameLog : public IFrameLog {
public:
    void QueueTxFrame(int length, const uint8_t* bytes) override { Add(true, length, bytes); }
    void QueueRxFrame(int length, const uint8_t* bytes) override { Add(false, length, bytes); }
    std::vector<LoggedFrame> Frames() const {
        std::lock_guard lock(m_);
        return frames_;
    }

private:
    void Add(bool tx, int length, const uint8_t* bytes) {
        std::lock_guard lock(m_);
        frames_.push_back({tx, std::vector<uint8_t>(bytes, bytes + length)});
    }
    mutable std::mutex m_;
    std::vector<LoggedFrame> frames_;
};

class CountingSink : public IParamsReadSink {
public:
    void PostParamsRead() override { posts.fetch_add(1); }
    std::atomic<int> posts{0};
};

class SettingsId : public IDriveIdSource {
public:
    explicit SettingsId(uint8_t id) : id(id) {}
    uint8_t SettingsDriveId() const override { return id.load(); }
    std::atomic<uint8_t> id;
};

// Records every message instead of showing it.
class CapturedMessages : public IMessageService {
public:
    CapturedMessages() { previous_ = SetMessageService(this); }
    ~CapturedMessages() override { SetMessageService(previous_); }
    MsgResult Show(const std::string& text, MsgButtons) override {
        std::lock_guard lock(m_);
        texts_.push_back(text);
        return MsgResult::Ok;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(m_);
        return texts_;
    }

private:
    IMessageService* previous_ = nullptr;
    mutable std::mutex m_;
    std::vector<std::string> texts_;
};

// A started link connected to a fresh simulated drive (ID 1, 9600 bit/s).
class LinkOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        link.SetFrameLog(&log);
        link.SetParamsReadSink(&sink);
        link.StartThread();
    }
    void TearDown() override {
        link.StopThread();
        sim.Stop();
    }
    void Connect() { ASSERT_EQ(OpenFailure::None, link.Connect({sim.DevicePath(), 9600}).kind); }
    // Connected and at least one good state poll done.
    void ConnectAndPoll() {
        Connect();
        ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > 0; }, 3s));
    }

    CapturedMessages messages; // installed before the thread starts, removed after it ends
    static sim::SimOptions Unpublished() {
        sim::SimOptions o;
        o.publish = false;
        return o;
    }

    sim::SimDrive sim{Unpublished()};
    RecordingFrameLog log;
    CountingSink sink;
    CDriveLink link;
};

} // namespace velt::test
