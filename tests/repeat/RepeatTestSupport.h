#pragma once
// The repeat sequence on a started link connected to an in-process simulated
// drive, with a clock the test moves by hand.
#include "link/DriveMap.h"
#include "repeat/RepeatSequence.h"
#include "tests/support/LinkTestSupport.h"

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

namespace velt::test {

using RegWrite = std::pair<uint16_t, uint16_t>; // register, value

// Points with only the given ones (0..7) in use.
inline RepeatPoints OnlyUsed(std::initializer_list<int> used) {
    RepeatPoints points = DefaultRepeatPoints();
    for (RepeatPoint& p : points)
        p.Use = 0;
    for (int i : used)
        points[i].Use = 1;
    return points;
}

// A started link on a fresh simulated drive (ID 1, 9600 bit/s).
class RepeatOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        link.StartThread();
    }
    void TearDown() override {
        link.StopThread();
        sim.Stop();
    }
    void ConnectAndPoll() {
        ASSERT_EQ(OpenFailure::None, link.Connect({sim.DevicePath(), 9600}).kind);
        ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > 0; }, 5s));
    }
    // Connected, parameters read, servo on, nothing in the request log.
    void Ready() {
        ConnectAndPoll();
        ASSERT_EQ(RTU_OK, link.ReadAllParams());
        ServoOn();
        sim.ClearRequests();
    }
    void ServoOn() {
        link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn));
        ASSERT_TRUE(WaitForState(
            [](const StateBlock& s) { return (s[drive::StateStatus] & drive::StatusServoOn) != 0; }));
    }
    // Sets parameters in the drive and reads them into the link.
    void SetParams(std::initializer_list<RegWrite> values) {
        for (const auto& [reg, value] : values)
            sim.SetHolding(reg, value);
        if (link.IsConnected()) {
            ASSERT_EQ(RTU_OK, link.ReadAllParams());
        }
    }
    bool WaitForState(const std::function<bool(const StateBlock&)>& pred) {
        return WaitUntil([&] { return pred(link.StateRegs()); }, 5s);
    }
    std::vector<RegWrite> Writes() const {
        std::vector<RegWrite> writes;
        for (const sim::SimRequest& r : sim.Requests()) {
            if (r.function == drive::FunctionWriteSingleRegister) writes.emplace_back(r.address, r.value);
        }
        return writes;
    }
    RepeatStepState State() const { return seq.Status().StepState; }
    void Step(int times = 1) {
        for (int k = 0; k < times; ++k)
            seq.StepRepeat();
    }

    static sim::SimOptions Unpublished() {
        sim::SimOptions o;
        o.publish = false;
        return o;
    }

    CapturedMessages messages; // installed before the link's thread starts, removed after it ends
    sim::SimDrive sim{Unpublished()};
    CDriveLink link;
    std::atomic<uint32_t> now{5000};
    RepeatSequence seq{&link, [this] { return now.load(); }};
};

} // namespace velt::test
