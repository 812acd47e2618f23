// The line overview against a simulated line of three drives: the other
// drives read in turn between the selected drive's polls, a silent one told
// as such and given up on quickly, and the selected drive's watchdog
// untouched by them.
#include "link/DriveMap.h"
#include "tests/support/LinkTestSupport.h"

namespace velt::test {
namespace {

const LineDriveState* Find(const std::vector<LineDriveState>& drives, uint8_t id) {
    for (const LineDriveState& d : drives)
        if (d.Id == id) return &d;
    return nullptr;
}

TEST(LineOverview, TheOtherDrivesAreReadInTurnAndASilentOneNeverTripsTheWatchdog) {
    sim::SimOptions options;
    options.publish = false;
    options.ids = {1, 2, 3};
    sim::SimDrive sim(options);
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    ASSERT_TRUE(sim.ApplyControlLine("drive 2 alarm 5", &error)) << error;
    ASSERT_TRUE(sim.ApplyControlLine("drive 3 silent on", &error)) << error;

    CDriveLink link;
    link.StartThread();
    ASSERT_EQ(OpenFailure::None, link.Connect({sim.DevicePath(), 9600}).kind);
    link.SetLineDrives({1, 2, 3});
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::vector<LineDriveState> d = link.LineDrives();
            return Find(d, 2)->Answering && Find(d, 3)->Read;
        },
        8s));
    const std::vector<LineDriveState> drives = link.LineDrives();
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_FALSE(Find(drives, 1)->Read) << "the selected drive is shown by its own polls";
    EXPECT_EQ(Find(drives, 2)->Regs[drive::StateAlarm], 5);
    EXPECT_FALSE(Find(drives, 3)->Answering);
    EXPECT_EQ(Find(drives, 3)->Last, RTU_ERR_NO_REPLY);
    EXPECT_EQ(link.FailCount(), 0u) << "the overview's reads are not the selected drive's polls";
    EXPECT_EQ(link.Counters().StateFail, 0u);
    EXPECT_EQ(link.StateRegs()[drive::StateAlarm], 0) << "drive 1's own state";
    // The silent drive's read gave up after the overview's own short wait,
    // not the line's second-long one that would hold drive 1's polls back.
    const ExchangeJournal& journal = link.Journal();
    uint32_t silentUs = 0;
    for (uint64_t i = 0; i < journal.Written(); ++i) {
        ExchangeRecord r;
        if (journal.Read(i, &r) && r.Result == RTU_ERR_NO_REPLY) silentUs = r.RoundTripUs;
    }
    EXPECT_GT(silentUs, 0u);
    EXPECT_LT(silentUs, 1000000u) << "the line's own reply time-out is 1000 ms";

    link.SetLineDrives({});
    sim.ClearRequests();
    const uint32_t passes = link.PassCount();
    ASSERT_TRUE(WaitUntil([&] { return link.PassCount() >= passes + 10; }, 5s));
    for (const sim::SimRequest& r : sim.Requests())
        EXPECT_EQ(r.slave, 1) << "an overview with no drives reads nothing";
    link.StopThread();
    sim.Stop();
}

} // namespace
} // namespace velt::test
