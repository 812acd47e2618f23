// Channel sources, scale and offset, the tracked extremes.
#include "scope/ScopeChannels.h"
#include "link/DriveMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velt {
namespace {

StateBlock Regs() {
    StateBlock regs{};
    const int32_t cmd = -123456, pos = 70000;
    regs[drive::StateCmdPositionLow] = static_cast<uint16_t>(cmd & 0xFFFF);
    regs[drive::StateCmdPositionLow + 1] = static_cast<uint16_t>(static_cast<uint32_t>(cmd) >> 16);
    regs[drive::StatePositionLow] = static_cast<uint16_t>(pos & 0xFFFF);
    regs[drive::StatePositionLow + 1] = static_cast<uint16_t>(static_cast<uint32_t>(pos) >> 16);
    regs[drive::StateCmdSpeed] = static_cast<uint16_t>(-3000);
    regs[drive::StateSpeed] = 2990;
    regs[drive::StateCmdCurrent] = static_cast<uint16_t>(-5);
    regs[drive::StateCurrent] = 32767;
    return regs;
}

TEST(ScopeSources, EachSourceReadsItsRegistersSigned) {
    const StateBlock regs = Regs();
    EXPECT_EQ(RawSourceValue(regs, 0), -123456.0);
    EXPECT_EQ(RawSourceValue(regs, 1), 70000.0);
    EXPECT_EQ(RawSourceValue(regs, 2), -3000.0);
    EXPECT_EQ(RawSourceValue(regs, 3), 2990.0);
    EXPECT_EQ(RawSourceValue(regs, 4), -5.0);
    EXPECT_EQ(RawSourceValue(regs, 5), 32767.0);
    EXPECT_EQ(RawSourceValue(regs, -1), 0.0); // no selection
    EXPECT_EQ(RawSourceValue(regs, 6), 0.0);
}

TEST(ScopeSources, NamesInBothLanguagesInListOrder) {
    EXPECT_STREQ(kScopeSourceNames[0].En, "Command Position");
    EXPECT_STREQ(kScopeSourceNames[1].Ko, "현재위치");
    EXPECT_STREQ(kScopeSourceNames[5].En, "Current");
    EXPECT_STREQ(kScopeSourceNames[4].Ko, "지령전류");
    const auto names = ChannelColumnNames({1, 1, 1, 0}, {1, 1, 3, 1}, false);
    EXPECT_EQ(names[0], "Position (Ch 1)");
    EXPECT_EQ(names[1], "Position (Ch 2)");
    EXPECT_EQ(names[2], "Speed");
    EXPECT_EQ(names[3], "Position"); // off: does not make the others ambiguous
    EXPECT_EQ(ChannelColumnNames({1, 0, 0, 0}, {0, 0, 0, 0}, true)[0], "지령위치");
}

TEST(ScopeChannelTake, ScaleAndOffsetApplyToChannelsThatAreOn) {
    ScopeChannels ch;
    ch.Latch({1, 0, 1, 1}, {1, 3, 2, 5});
    ch.SetScale(0, 0.5);
    ch.SetOffset(0, 10);
    ch.SetScale(2, -1);
    ch.SetScale(3, 0); // flattens the channel to its offset
    ch.SetOffset(3, 7.5);
    const ScopeSample s = ch.Take(Regs());
    EXPECT_EQ(s.SampleEnabled, (TraceFlags{1, 0, 1, 1}));
    EXPECT_EQ(s.SampleValue[0], 35010.0);
    EXPECT_EQ(s.SampleValue[1], 0.0);
    EXPECT_EQ(s.SampleValue[2], 3000.0);
    EXPECT_EQ(s.SampleValue[3], 7.5);
}

TEST(ScopeChannelTake, ExtremesAreTruncatedTowardZeroAndResetWhenOff) {
    ScopeChannels ch;
    ch.Latch({1, 1, 0, 0}, {3, 4, 0, 0});
    ch.SetScale(0, 0.001); // 2.99
    ch.SetScale(1, 0.1);   // -0.5
    ch.Take(Regs());
    EXPECT_EQ(ch.ChannelMin()[0], 2);
    EXPECT_EQ(ch.ChannelMax()[0], 2);
    EXPECT_EQ(ch.ChannelMin()[1], 0);
    EXPECT_EQ(ch.ChannelMax()[1], 0);
    EXPECT_EQ(ch.ChannelMin()[2], kNoChannelMin);
    EXPECT_EQ(ch.ChannelMax()[2], kNoChannelMax);

    StateBlock low = Regs();
    low[7] = static_cast<uint16_t>(-4000);
    ch.Take(low);
    EXPECT_EQ(ch.ChannelMin()[0], -4);
    EXPECT_EQ(ch.ChannelMax()[0], 2);

    ch.ResetExtremes();
    EXPECT_EQ(ch.ChannelMin()[0], kNoChannelMin);
    ch.Latch({0, 0, 0, 0}, {0, 0, 0, 0});
    EXPECT_EQ(ch.ChannelMax()[0], kNoChannelMax);
}

TEST(ScopeChannelTake, HugeScalesGiveFiniteValuesAndSaturatedExtremes) {
    ScopeChannels ch;
    ch.Latch({1, 1, 0, 0}, {1, 0, 0, 0});
    ch.SetScale(0, 1e308);
    ch.SetScale(1, 1e308);
    ch.SetOffset(1, -1e308);
    const ScopeSample s = ch.Take(Regs());
    EXPECT_TRUE(std::isfinite(s.SampleValue[0]));
    EXPECT_TRUE(std::isfinite(s.SampleValue[1]));
    EXPECT_EQ(ch.ChannelMax()[0], 2147483647);
    EXPECT_EQ(ch.ChannelMin()[1], -2147483647 - 1);
}

} // namespace
} // namespace velt
