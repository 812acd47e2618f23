// The chart's sample store: what appends, clears and caught spans leave in
// it and tell its listener, and one consistent read while a thread appends.
#include "scope/ScopeSampleStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace velt {
namespace {

TEST(ScopeSampleStore, AppendsCountToTheLimitAndAClearOrACaughtSpanStartsAFreshPicture) {
    ScopeSampleStore store;
    int calls = 0;
    store.SetListener([&] { ++calls; });
    EXPECT_EQ(store.State().Newest, -1);
    EXPECT_EQ(store.State().TraceCount, 1);
    store.SetLimit(3.5);
    EXPECT_EQ(store.Span(), 3);
    for (int i = 0; i < 5; ++i)
        store.Append({1, 0, 1, 0}, {double(i), 0, 0, 0});
    StoreState s = store.State();
    EXPECT_EQ(s.Newest, 4);
    EXPECT_EQ(s.PointCount, 3);
    EXPECT_EQ(s.TraceCount, 4);
    EXPECT_EQ(s.Enabled, (TraceFlags{1, 0, 1, 0}));
    EXPECT_EQ(calls, 5); // the limit itself tells nobody
    const uint64_t epoch = s.Epoch;

    store.Clear();
    EXPECT_EQ(store.State().PointCount, 0);
    EXPECT_EQ(store.State().Epoch, epoch + 1);
    EXPECT_EQ(store.Read().Samples().At(0, 0), 4.0); // still in the ring

    ScopeSamples caught;
    for (int i = 0; i < 10; ++i)
        caught.Push({100.0 + i, 0, 0, 0});
    store.ShowNewestOf(caught, 4, {1, 1, 0, 0}, 8.0);
    s = store.State();
    EXPECT_EQ(s.Newest, 8);
    EXPECT_EQ(s.PointCount, 4);
    EXPECT_EQ(s.Enabled, (TraceFlags{1, 1, 0, 0}));
    EXPECT_DOUBLE_EQ(s.Origin, 0.4);
    EXPECT_EQ(s.Epoch, epoch + 2);
    EXPECT_EQ(store.Read().Samples().At(0, 3), 106.0);

    const int before = calls;
    store.SetOrigin(std::nan(""));
    store.SetOrigin(0.4);
    EXPECT_EQ(calls, before); // nothing changed
    store.SetOrigin(0.0);
    EXPECT_EQ(store.State().Origin, 0.0);
    EXPECT_EQ(calls, before + 1);
    store.SetLimit(-1);
    EXPECT_EQ(store.Span(), 0);
    store.SetListener({});
}

// Every row of sample n holds n: a read whose newest sample, count and
// values disagree would have caught an append half done.
TEST(ScopeSampleStore, AReadSeesOneWholeStateWhileAThreadAppends) {
    ScopeSampleStore store;
    store.SetLimit(200);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int n = 0; n < 20000; ++n) {
            const double v = n;
            store.Append({1, 1, 1, 1}, {v, v, v, v});
        }
        done = true;
    });
    int reads = 0;
    while (!done.load() || reads == 0) {
        const ScopeSampleStore::Reader read = store.Read();
        const StoreState& s = read.State();
        ++reads;
        if (s.Newest < 0) continue;
        ASSERT_EQ(read.Samples().Count() - 1, s.Newest);
        ASSERT_EQ(s.PointCount, std::min<int64_t>(s.Newest + 1, 200));
        for (int row = 0; row < kScopeTraces; ++row)
            ASSERT_EQ(read.Samples().At(row, 0), double(s.Newest));
    }
    writer.join();
    EXPECT_EQ(store.State().Newest, 19999);
}

} // namespace
} // namespace velt
