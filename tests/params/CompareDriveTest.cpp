// The drive side of a comparison: the link reads every parameter without
// telling the parameter page (which would take the values as its working
// copy), against the simulated drive over a pseudo-terminal.
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "params/ParFile.h"
#include "params/ParamCompare.h"
#include "sim/SimDrive.h"
#include "tests/support/LinkTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace velt;

namespace {

// The link started and connected to the simulated drive, polling the state
// block meanwhile as in the program.
class QuietRead : public test::LinkOnSim {
protected:
    void SetUp() override {
        LinkOnSim::SetUp();
        if (HasFatalFailure()) return;
        Connect();
    }
};

TEST_F(QuietRead, ReadsEveryBlockWithProgressAndTellsNoPage) {
    sim.SetHolding(13, 301);
    sim.SetHolding(143, 0x1234);
    std::vector<int> progress;
    EXPECT_EQ(link.ReadAllParamsQuietly([&](int registers) { progress.push_back(registers); }), RTU_OK);
    EXPECT_EQ(progress, (std::vector<int>{36, 72, 108, 144}));
    EXPECT_EQ(sink.posts.load(), 0);
    const ParamValues drive = ValuesFromRegisters(link.ParamRegs());
    EXPECT_EQ(drive[13], 301);
    EXPECT_EQ(drive[143], 0x1234);
    // Against a file that differs only there, one row differs.
    ParamValues file = drive;
    file[13] = 300;
    EXPECT_EQ(CountDifferences(CompareSets(WholeSet(drive), WholeSet(file))), 1);

    EXPECT_EQ(link.ReadAllParams(), RTU_OK); // the ordinary read still tells the page
    EXPECT_EQ(sink.posts.load(), 1);
}

TEST_F(QuietRead, ReadsFromTwoThreadsAreSerialisedAndEachGetsTheWholeSet) {
    sim.SetHolding(13, 222);
    std::atomic<int> failures{0};
    std::mutex lock;
    std::vector<ParamValues> seen;
    const auto reader = [&] {
        for (int i = 0; i < 3; ++i) {
            if (link.ReadAllParamsQuietly() != RTU_OK) ++failures;
            const std::lock_guard guard(lock);
            seen.push_back(ValuesFromRegisters(link.ParamRegs()));
        }
    };
    std::thread other(reader);
    reader();
    other.join();
    EXPECT_EQ(failures.load(), 0);
    ASSERT_EQ(seen.size(), 6u);
    for (const ParamValues& values : seen)
        EXPECT_EQ(values[13], 222);
    EXPECT_EQ(sink.posts.load(), 0);
}

TEST_F(QuietRead, ASilentDriveFailsTheReadAndLeavesTheRegistersAsTheyWere) {
    ASSERT_EQ(link.ReadAllParamsQuietly(), RTU_OK);
    const ParamBlock before = link.ParamRegs();
    sim.SetHolding(13, 999);
    sim.SetSilentFor(drive::FunctionReadHoldingRegisters, 0, true); // the first block gets no answer
    std::vector<int> progress;
    EXPECT_EQ(link.ReadAllParamsQuietly([&](int registers) { progress.push_back(registers); }),
              RTU_ERR_NO_REPLY);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(link.ParamRegs(), before);
    EXPECT_EQ(sink.posts.load(), 0);
}

TEST_F(QuietRead, WithoutAConnectionNothingIsSent) {
    link.Disconnect();
    EXPECT_EQ(link.ReadAllParamsQuietly(), RTU_ERR_NOT_OPEN);
}

} // namespace
