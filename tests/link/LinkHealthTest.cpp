// The link health figures: the exchange journal and the meter on records of
// known times, then against the simulated drive with known late, corrupted,
// refused and missing replies.
#include "link/LinkHealth.h"
#include "link/DriveMap.h"
#include "tests/support/LinkTestSupport.h"

#include <thread>

namespace velt::test {
namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kS = 1000 * kMs;

ExchangeRecord Reply(int64_t endNs, uint32_t roundTripUs, RtuResult result = RTU_OK) {
    return {endNs, roundTripUs, drive::FunctionReadInputRegisters, result};
}

TEST(ExchangeJournal, ReadersGetWholeRecordsAndLoseOnlyWhatTheRingOverwrote) {
    ExchangeJournal journal;
    journal.Record(Reply(5 * kS, 7000));
    ExchangeRecord r;
    ASSERT_TRUE(journal.Read(0, &r));
    EXPECT_EQ(5 * kS, r.EndNs);
    EXPECT_EQ(7000u, r.RoundTripUs);
    EXPECT_EQ(drive::FunctionReadInputRegisters, r.Function);
    EXPECT_FALSE(journal.Read(1, &r)) << "not written yet";

    for (size_t i = 1; i <= ExchangeJournal::kCapacity; ++i)
        journal.Record(Reply(5 * kS + static_cast<int64_t>(i), 1));
    EXPECT_FALSE(journal.Read(0, &r)) << "overwritten by record kCapacity";
    ASSERT_TRUE(journal.Read(ExchangeJournal::kCapacity, &r));
    EXPECT_EQ(5 * kS + static_cast<int64_t>(ExchangeJournal::kCapacity), r.EndNs);
}

TEST(ExchangeJournal, EachResultCountsAsItsKindAndOnlyLineFailuresMarkTheLastFailure) {
    ExchangeJournal journal;
    const RtuResult results[] = {RTU_OK,      RtuResult::Exception(2), RTU_ERR_NO_REPLY,
                                 RTU_ERR_CRC, RTU_ERR_FRAME,           RTU_ERR_READ};
    int64_t t = kS;
    for (RtuResult result : results)
        journal.Record(Reply(t += kS, 1000, result));
    for (ExchangeOutcome o :
         {ExchangeOutcome::Answered, ExchangeOutcome::Exception, ExchangeOutcome::NoReply,
          ExchangeOutcome::BadCrc, ExchangeOutcome::WrongIdOrEcho, ExchangeOutcome::PortError})
        EXPECT_EQ(1u, journal.Outcomes(o)) << static_cast<int>(o);
    EXPECT_EQ(7 * kS, journal.LastFailureNs());
    journal.Record(Reply(t + kS, 1000, RtuResult::Exception(3)));
    EXPECT_EQ(7 * kS, journal.LastFailureNs())
        << "a refused request is the drive's answer, not a line failure";
}

TEST(LinkHealthMeter, RoundTripsOfTheLastMinuteGiveNearestRankPercentilesAndAHistogram) {
    ExchangeJournal journal;
    LinkHealthMeter meter(journal);
    const int64_t start = SteadyNowNs();
    // 100 replies of 1..100 ms, one a second, and a time-out that is no round trip.
    for (int i = 1; i <= 100; ++i)
        journal.Record(Reply(start + i * kS, static_cast<uint32_t>(i) * 1000));
    journal.Record(Reply(start + 100 * kS, 1'069'000, RTU_ERR_NO_REPLY));
    const int64_t now = start + 100 * kS;
    meter.Update(now, 0, false);
    const LinkHealthFigures f = meter.Figures(now, 9600);
    // Only the last minute counts: the replies of 40..100 ms.
    EXPECT_EQ(61u, f.Replies);
    EXPECT_DOUBLE_EQ(70.0, f.MedianMs);
    EXPECT_DOUBLE_EQ(100.0, f.P99Ms);
    EXPECT_DOUBLE_EQ(100.0, f.MaxMs);
    const size_t buckets50to100 = 6, buckets20to50 = 5;
    EXPECT_EQ(11u, f.Histogram[buckets20to50]) << "40..50 ms";
    EXPECT_EQ(50u, f.Histogram[buckets50to100]) << "51..100 ms";
    EXPECT_EQ("50-100 ms", RoundTripBucketName(buckets50to100));
    EXPECT_EQ(1u, FailureKindCount(f, 0)) << "no reply";
    ASSERT_TRUE(f.SecondsSinceFailure.has_value());
    EXPECT_NEAR(0.0, *f.SecondsSinceFailure, 1e-9);
    EXPECT_FALSE(f.Polling);
    EXPECT_EQ("20-50 ms: 11, 50-100 ms: 50", HistogramText(f));
    EXPECT_EQ("median 70.0 ms, 99th percentile 100.0 ms, maximum 100.0 ms (61 replies)",
              RoundTripText(f, false));
}

TEST(LinkHealthMeter, ResetStartsTheCountsAfreshAndPassesAreRatedOnlyWhileConnected) {
    ExchangeJournal journal;
    journal.Record(Reply(kS, 1000, RTU_ERR_CRC));
    LinkHealthMeter meter(journal);
    int64_t now = SteadyNowNs();
    meter.Update(now, 100, true);
    meter.Update(now + 2 * kS, 200, true);
    LinkHealthFigures f = meter.Figures(now + 2 * kS, 115200);
    EXPECT_EQ(0u, FailureKindCount(f, 1)) << "the CRC error came before the meter";
    EXPECT_FALSE(f.SecondsSinceFailure.has_value());
    ASSERT_TRUE(f.Polling);
    EXPECT_DOUBLE_EQ(50.0, f.PassesPerSecond);
    EXPECT_NEAR(56.72, f.WirePassesPerSecond, 0.01);
    EXPECT_EQ("50.0 passes per second of 56.7 the wire allows at 115200 bit/s (88.2 %)",
              PollingText(f, false));
    LinkHealthFigures fast = f;
    fast.PassesPerSecond = 500; // a pseudo-terminal answers at once
    EXPECT_EQ("500.0 passes per second (the line answers faster than 115200 bit/s allows: it is not a timed "
              "serial line)",
              PollingText(fast, false));

    journal.Record(Reply(now + 3 * kS, 1000, RTU_ERR_CRC));
    journal.CountLateReplyDropped();
    meter.Update(now + 3 * kS, 210, false);
    f = meter.Figures(now + 3 * kS, 115200);
    EXPECT_EQ(1u, FailureKindCount(f, 1));
    EXPECT_EQ(1u, FailureKindCount(f, 4)) << "late reply dropped";
    EXPECT_FALSE(f.Polling) << "no pass rate for a link that is not polling";

    meter.Reset(now + 4 * kS);
    f = meter.Figures(now + 4 * kS, 115200);
    for (size_t k = 0; k < kFailureKindCount; ++k)
        EXPECT_EQ(0u, FailureKindCount(f, k)) << FailureKindName(k, false);
    EXPECT_EQ(0u, f.Replies);
}

TEST(LinkHealthMeter, ASlowAdaptersAdviceNamesItsTimerAndTheCommandThatLowersIt) {
    const std::string path = "/sys/class/tty/ttyUSB0/device/latency_timer";
    const std::string en = UsbLatencyAdvice(16, path, false);
    EXPECT_NE(en.find("latency timer is 16 ms"), std::string::npos) << en;
    EXPECT_NE(en.find("echo 1 | sudo tee " + path), std::string::npos) << en;
    const std::string ko = UsbLatencyAdvice(16, path, true);
    EXPECT_NE(ko.find("16 ms"), std::string::npos) << ko;
    EXPECT_NE(ko.find("echo 1 | sudo tee " + path), std::string::npos) << ko;
}

TEST(LinkHealthMeter, TheWireRateIsTheSleepPlusTheLineTimeOfEachPass) {
    // 10 ms, plus (8 + 69 + 3.5) characters, plus two (8 + 7 + 3.5) on every fifth pass.
    EXPECT_NEAR(1.0 / (0.010 + 805.0 / 115200 + 2 * 185.0 / 115200 / 5), WirePassesPerSecond(115200), 1e-9);
    EXPECT_NEAR(9.85, WirePassesPerSecond(9600), 0.01);
    EXPECT_EQ(0.0, WirePassesPerSecond(0));
}

// Against the simulated drive: what the meter shows for faults of known size.
class HealthOnSim : public LinkOnSim {
protected:
    LinkHealthFigures FiguresNow(LinkHealthMeter& meter) {
        const int64_t now = SteadyNowNs();
        meter.Update(now, link.PassCount(), link.IsConnected());
        return meter.Figures(now, 9600);
    }
};

TEST_F(HealthOnSim, LateRepliesShowInTheRoundTripsAndBadCrcsExceptionsAndSilenceInTheirCounts) {
    ConnectAndPoll();
    LinkHealthMeter meter(link.Journal());
    sim.SetLateMs(60);
    const uint32_t ok = link.Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > ok + 10; }, 10s));
    meter.Reset(SteadyNowNs());
    const uint32_t ok2 = link.Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > ok2 + 10; }, 10s));
    LinkHealthFigures f = FiguresNow(meter);
    EXPECT_GE(f.MedianMs, 60.0);
    EXPECT_LT(f.MedianMs, 60.0 + 250.0) << "the simulator answers without wire timing";
    EXPECT_GE(f.MaxMs, f.P99Ms);
    EXPECT_GE(f.P99Ms, f.MedianMs);
    EXPECT_GT(f.RequestsPerSecond, 1.0);
    EXPECT_FALSE(f.SecondsSinceFailure.has_value());
    sim.SetLateMs(0);

    sim.SetCrcBurst(7);
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().CrcErrors >= 7; }, 10s));
    sim.SetRefuse(drive::SpeedRegister, true);
    EXPECT_EQ(RtuResult::Exception(drive::ExceptionDeviceFailure), link.WriteParam(drive::SpeedRegister, 5));
    sim.SetWrongId(true);
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateFail >= 8; }, 10s));
    sim.SetWrongId(false);
    sim.SetSilentFor(drive::FunctionReadInputRegisters, 0, true);
    const uint32_t noReplies = link.Counters().NoReplies;
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().NoReplies > noReplies; }, 10s));
    sim.SetSilentFor(drive::FunctionReadInputRegisters, 0, false);

    f = FiguresNow(meter);
    EXPECT_EQ(7u, FailureKindCount(f, 1)) << "bad CRC";
    EXPECT_EQ(1u, FailureKindCount(f, 2)) << "drive exception";
    EXPECT_GE(FailureKindCount(f, 3), 1u) << "wrong ID";
    EXPECT_GE(FailureKindCount(f, 0), 1u) << "no reply";
    EXPECT_EQ(0u, FailureKindCount(f, 5)) << "port error";
    ASSERT_TRUE(f.SecondsSinceFailure.has_value());
    EXPECT_LT(*f.SecondsSinceFailure, 5.0);
}

TEST_F(HealthOnSim, TheRestOfAReplyThatStoppedHalfWayIsCountedAsALateReplyDropped) {
    ConnectAndPoll();
    LinkHealthMeter meter(link.Journal());
    sim.SetSplitMs(150); // longer than the 100 ms gap that ends a read
    const uint32_t fail = link.Counters().StateFail;
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateFail >= fail + 2; }, 10s));
    sim.SetSplitMs(0);
    const LinkHealthFigures f = FiguresNow(meter);
    EXPECT_GE(FailureKindCount(f, 4), 2u) << "late reply dropped";
    EXPECT_GE(FailureKindCount(f, 1) + FailureKindCount(f, 3), 2u)
        << "the halves fail on their CRC or length";
}

TEST_F(HealthOnSim, ThePassRateFollowsTheLinksPassesWhileConnected) {
    ConnectAndPoll();
    LinkHealthMeter meter(link.Journal());
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_for(250ms);
        FiguresNow(meter);
    }
    const LinkHealthFigures f = FiguresNow(meter);
    ASSERT_TRUE(f.Polling);
    EXPECT_GT(f.PassesPerSecond, 1.0);
    EXPECT_EQ(9600u, f.Baud);
}

} // namespace
} // namespace velt::test
