// The scope window's axis handlers on their box texts.
#include "scope/ScopeAxes.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace velt {
namespace {

TEST(LeadingDecimal, ReadsWhatABoxStartsWith) {
    EXPECT_EQ(ReadLeadingDecimal("  12.5 mm"), 12.5);
    EXPECT_EQ(ReadLeadingDecimal("-5000.0"), -5000.0);
    EXPECT_EQ(ReadLeadingDecimal("+.25"), 0.25);
    EXPECT_EQ(ReadLeadingDecimal("3."), 3.0);
    EXPECT_EQ(ReadLeadingDecimal("1e3x"), 1000.0);
    EXPECT_EQ(ReadLeadingDecimal("2e"), 2.0);
    EXPECT_EQ(ReadLeadingDecimal("abc"), 0.0);
    EXPECT_EQ(ReadLeadingDecimal(""), 0.0);
    EXPECT_EQ(ReadLeadingDecimal("-"), 0.0);
    EXPECT_EQ(ReadLeadingDecimal("."), 0.0);
    EXPECT_EQ(ReadLeadingDecimal("inf"), 0.0);
    EXPECT_EQ(ReadLeadingDecimal("nan"), 0.0);
    EXPECT_EQ(ReadLeadingDecimal("1,5"), 1.0); // the point is the decimal separator in every locale
}

TEST(LeadingDecimal, OutOfRangeNumbersStayFinite) {
    EXPECT_EQ(ReadLeadingDecimal("1e999"), DBL_MAX);
    EXPECT_EQ(ReadLeadingDecimal("-1e999"), -DBL_MAX);
    EXPECT_EQ(ReadLeadingDecimal("1e-999"), 0.0);
    EXPECT_EQ(ReadLeadingDecimal(std::string(400, '9')), DBL_MAX);
    EXPECT_EQ(ReadLeadingDecimal("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(ScopeAxesInit, BoxesStartAsTheDialogShowsThem) {
    const ScopeAxes a;
    EXPECT_EQ(a.XMinText, "0.000");
    EXPECT_EQ(a.XMaxText, "10.000");
    EXPECT_EQ(a.YMinText, "-5000.0");
    EXPECT_EQ(a.YMaxText, "5000.0");
    EXPECT_EQ(a.SpanText, "10000.0");
    EXPECT_EQ(a.AmpText, "500.0");
    EXPECT_EQ(a.CenterText, "0");
}

TEST(ScopeAxesRun, AnXMinAboveZeroStartsAtZeroANegativeOneStays) {
    ScopeAxes a;
    a.XMinText = "5";
    a.XMaxText = "10";
    AxisChange c = a.Start();
    ASSERT_TRUE(c.X);
    EXPECT_EQ(c.X->Min, 0.0);
    EXPECT_EQ(c.X->Max, 10.0);
    EXPECT_EQ(a.XMinText, "0.000");
    EXPECT_FALSE(c.Y);

    a.XMinText = "-2";
    c = a.Start();
    EXPECT_EQ(c.X->Min, -2.0);
    EXPECT_EQ(a.XMinText, "-2.000");
    EXPECT_EQ(a.XMinAtRun, -2.0);
    EXPECT_EQ(a.XMaxAtRun, 10.0);

    a.XMinText = "0.00009"; // below the limit: kept
    EXPECT_EQ(a.Stop().X->Min, 0.00009);
    EXPECT_EQ(a.XMinText, "0.000");
}

double ZoomXFrom(const char* xmax, int delta) {
    ScopeAxes a;
    a.XMaxText = xmax;
    const AxisChange c = a.ZoomX(delta);
    EXPECT_EQ(c.X->Min, 0.0);
    EXPECT_EQ(a.XMinText, "0.000");
    return ReadLeadingDecimal(a.XMaxText);
}

TEST(ScopeAxesZoom, XZoomStepsByATenthBelowHalfASecondAndByHalfAboveIt) {
    ScopeAxes a;
    a.XMaxText = "0.3";
    for (double expected : {0.4, 0.5, 1.0, 1.5}) {
        a.ZoomX(-1);
        EXPECT_EQ(ReadLeadingDecimal(a.XMaxText), expected);
    }
    EXPECT_EQ(ZoomXFrom("29.8", -1), 30.0);
    EXPECT_EQ(ZoomXFrom("30", -1), 30.0);
    EXPECT_EQ(ZoomXFrom("0.05", -1), 0.1);
    EXPECT_EQ(ZoomXFrom("0.55", 1), 0.1); // 0.05, raised to 0.1
    EXPECT_EQ(ZoomXFrom("0.5", 1), 0.4);
    EXPECT_EQ(ZoomXFrom("10", 1), 9.5);
    EXPECT_EQ(ZoomXFrom("7", 0), 7.0);
    EXPECT_EQ(ZoomXFrom("10", -3), 10.5); // only the sign counts
}

TEST(ScopeAxesZoom, YZoomHalvesOrDoublesAroundTheMiddleAndShowsTheSpan) {
    ScopeAxes a;
    a.YMinText = "-1000";
    a.YMaxText = "3000";
    AxisChange c = a.ZoomY(1);
    EXPECT_EQ(c.Y->Min, 0.0);
    EXPECT_EQ(c.Y->Max, 2000.0);
    EXPECT_TRUE(c.ShowSpan);
    EXPECT_EQ(a.SpanText, "2000.0");
    c = a.ZoomY(-1);
    EXPECT_EQ(c.Y->Min, -1000.0);
    EXPECT_EQ(c.Y->Max, 3000.0);
    EXPECT_EQ(a.YMinText, "-1000.0");
}

TEST(ScopeAxesScroll, YScrollMovesBothLimitsByATwentiethOfTheSpan) {
    ScopeAxes a;
    AxisChange c = a.ScrollY(-1);
    EXPECT_EQ(c.Y->Min, -5500.0);
    EXPECT_EQ(c.Y->Max, 4500.0);
    c = a.ScrollY(1);
    EXPECT_EQ(c.Y->Min, -5000.0);
    EXPECT_EQ(a.SpanText, "10000.0");
}

TEST(ScopeAxesScroll, XScrollOnlyWhileStoppedAndOnlyInsideTheRangeAtRun) {
    ScopeAxes a; // started at 0 .. 10
    a.Start();
    EXPECT_FALSE(a.ScrollX(-1, true).X);
    // The full range: neither direction changes anything.
    EXPECT_EQ(a.ScrollX(-1, false).X->Max, 10.0);
    EXPECT_EQ(a.XMinText, "0.000");
    EXPECT_EQ(a.ScrollX(1, false).X->Min, 0.0);
    EXPECT_EQ(a.XMaxText, "10.000");

    a.ZoomX(1); // 0 .. 9.5
    AxisChange c = a.ScrollX(-1, false);
    EXPECT_EQ(a.XMinText, "0.100");
    EXPECT_EQ(a.XMaxText, "9.600");
    for (int i = 0; i < 10; ++i)
        c = a.ScrollX(-1, false);
    EXPECT_EQ(c.X->Max, 10.0); // held at the range at Run; the minimum stays
    EXPECT_EQ(a.XMinText, "0.500");
    for (int i = 0; i < 10; ++i)
        c = a.ScrollX(1, false);
    EXPECT_EQ(c.X->Min, 0.0);

    a.XMinText = "3";
    a.XMaxText = "3.05"; // narrower than a step: nothing
    EXPECT_FALSE(a.ScrollX(-1, false).X);
}

TEST(ScopeAxesRange, RangeApplyOrdersTheLimitsAndKeepsAnAxisWithEqualOnes) {
    ScopeAxes a;
    a.XMinText = "8";
    a.XMaxText = "2";
    a.YMinText = "100";
    a.YMaxText = "100";
    AxisChange c = a.RangeApply();
    ASSERT_TRUE(c.X);
    EXPECT_EQ(c.X->Min, 2.0);
    EXPECT_EQ(a.XMinText, "2.000");
    EXPECT_EQ(a.XMaxText, "8.000");
    EXPECT_FALSE(c.Y);
    EXPECT_EQ(a.YMinText, "100"); // as typed
    EXPECT_EQ(a.SpanText, "  0.0");
    EXPECT_TRUE(c.ShowSpan);

    a.YMinText = "300";
    a.YMaxText = "-300";
    c = a.RangeApply();
    EXPECT_EQ(c.Y->Min, -300.0);
    EXPECT_EQ(a.SpanText, "600.0");
}

TEST(ScopeAxesY, CenterMovesTheRangeWithoutTouchingTheSpan) {
    ScopeAxes a;
    a.CenterText = "1000";
    a.SpanText = "unchanged";
    const AxisChange c = a.Center();
    EXPECT_EQ(c.Y->Min, -4000.0);
    EXPECT_EQ(c.Y->Max, 6000.0);
    EXPECT_FALSE(c.ShowSpan);
    EXPECT_EQ(a.SpanText, "unchanged");
}

TEST(ScopeAxesY, AmpTakesAnIntegerAmplitudeAroundTheIntegerCentre) {
    ScopeAxes a;
    a.YMinText = "-5000";
    a.YMaxText = "5001";
    a.AmpText = "501";
    AxisChange c = a.Amp();
    EXPECT_EQ(c.Y->Min, -250.0);
    EXPECT_EQ(c.Y->Max, 250.0);
    EXPECT_EQ(a.SpanText, "500.0");

    a.AmpText = "99.9"; // read as an integer: 99, half 49
    a.YMinText = "10";
    a.YMaxText = "11";
    c = a.Amp();
    EXPECT_EQ(c.Y->Min, -39.0);
    EXPECT_EQ(c.Y->Max, 59.0);

    a.YMinText = "-1e300"; // the centre saturates instead of being undefined
    a.YMaxText = "-1e300";
    a.AmpText = "2";
    EXPECT_EQ(a.Amp().Y->Min, -2147483649.0);
}

TEST(ScopeAxesY, AutoYFitsTheExtremesAndIncludesZeroForSilentChannels) {
    const ChannelExtremes none{kNoChannelMin, kNoChannelMin, kNoChannelMin, kNoChannelMin};
    const ChannelExtremes noneMax{kNoChannelMax, kNoChannelMax, kNoChannelMax, kNoChannelMax};
    ScopeAxes a;
    AxisChange c = a.AutoY(none, noneMax);
    EXPECT_EQ(c.Y->Min, -220.0);
    EXPECT_EQ(c.Y->Max, 220.0);
    EXPECT_EQ(a.YMinText, "-220.0");
    EXPECT_EQ(a.SpanText, "440.0");

    c = a.AutoY({1000, kNoChannelMin, 500, kNoChannelMin}, {3000, kNoChannelMax, 800, kNoChannelMax});
    EXPECT_EQ(c.Y->Min, -150.0); // 0 .. 3000 with a margin of 150
    EXPECT_EQ(c.Y->Max, 3150.0);

    const auto [lo, hi] = AutoYRange({-2147483647 - 1, 0, 0, 0}, {2147483647, 0, 0, 0});
    EXPECT_LT(lo, -2147483648.0); // no overflow of the span
    EXPECT_GT(hi, 2147483647.0);
}

} // namespace
} // namespace velt
