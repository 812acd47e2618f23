// The link's counters: each live counter reaches its own field of a snapshot.
#include "link/LinkCounters.h"

#include <gtest/gtest.h>

namespace velt {
namespace {

TEST(LinkCountersTest, ASnapshotCopiesEveryCounterToItsOwnFieldAndZeroClearsThemAll) {
    AtomicLinkCounters live;
    LinkCounters expected;
    uint32_t n = 0;
    auto set = [&n](std::atomic<uint32_t>& counter, uint32_t& field) {
        field = ++n;
        counter.store(n);
    };
    set(live.DiReads, expected.DiReads);
    set(live.DiOk, expected.DiOk);
    set(live.DiFail, expected.DiFail);
    set(live.DoRequests, expected.DoRequests);
    set(live.DoOk, expected.DoOk);
    set(live.DoFail, expected.DoFail);
    set(live.StateReads, expected.StateReads);
    set(live.StateOk, expected.StateOk);
    set(live.StateFail, expected.StateFail);
    set(live.ParamRequests, expected.ParamRequests);
    set(live.ParamOk, expected.ParamOk);
    set(live.ParamFail, expected.ParamFail);
    set(live.CrcErrors, expected.CrcErrors);
    set(live.NoReplies, expected.NoReplies);

    EXPECT_TRUE(expected == live.Snapshot());
    live.Zero();
    EXPECT_TRUE(LinkCounters{} == live.Snapshot());
}

} // namespace
} // namespace velt
