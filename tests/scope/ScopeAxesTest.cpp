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
    EXPECT_EQ(a.YMinText, "-5000.0"); // the range in force, which stays
    EXPECT_EQ(a.SpanText, "10000.0");
    EXPECT_TRUE(c.ShowSpan);
    ASSERT_EQ(c.Refused.size(), 1u);
    EXPECT_EQ(c.Refused[0].Problem, AxisProblem::EqualLimits);
    EXPECT_EQ(AxisRefusalText(c.Refused, false),
              "Y Min and Y Max are equal: a range needs two different values.\r\n"
              "The Y range stays -5000.0 .. 5000.0.");

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

    a.YMinText = "-9999999999.5"; // near the limit: the centre is whole, beyond 32 bits
    a.YMaxText = "-9999999999.5";
    a.AmpText = "2";
    EXPECT_EQ(a.Amp().Y->Min, -1e10);
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

// What the user typed, the operation, and what it refused.
struct Refusal {
    AxisChange Change;
    std::string En, Ko;
};
Refusal Refused(AxisChange c) {
    return {c, AxisRefusalText(c.Refused, false), AxisRefusalText(c.Refused, true)};
}

TEST(ScopeAxesRefusal, LettersNonFiniteAndHugeNumbersLeaveTheirAxisAndSayWhy) {
    ScopeAxes a;
    a.XMaxText = "1e308";
    a.YMinText = "nan";
    a.YMaxText = "inf";
    const Refusal r = Refused(a.RangeApply());
    EXPECT_FALSE(r.Change.X);
    EXPECT_FALSE(r.Change.Y);
    ASSERT_EQ(r.Change.Refused.size(), 3u);
    EXPECT_EQ(r.En, "X Max: \"1e308\" lies outside -1500 .. 1500, the seconds the chart holds.\r\n"
                    "Y Min: \"nan\" is not a number.\r\n"
                    "Y Max: \"inf\" is not a number.\r\n"
                    "The X range stays 0.000 .. 10.000.\r\n"
                    "The Y range stays -5000.0 .. 5000.0.");
    EXPECT_EQ(r.Ko, "X Max: \"1e308\"은(는) 차트가 담는 -1500 .. 1500초를 벗어납니다.\r\n"
                    "Y Min: \"nan\"은(는) 숫자가 아닙니다.\r\n"
                    "Y Max: \"inf\"은(는) 숫자가 아닙니다.\r\n"
                    "X 범위는 0.000 .. 10.000(으)로 유지됩니다.\r\n"
                    "Y 범위는 -5000.0 .. 5000.0(으)로 유지됩니다.");
    // The boxes show the ranges in force again.
    EXPECT_EQ(a.XMaxText, "10.000");
    EXPECT_EQ(a.YMinText, "-5000.0");
    EXPECT_EQ(a.YMaxText, "5000.0");
    EXPECT_EQ(a.SpanText, "10000.0");

    // One bad axis does not hold back the other.
    a.XMinText = "2";
    a.XMaxText = "4";
    a.YMinText = "-100";
    a.YMaxText = "1e40";
    AxisChange c = a.RangeApply();
    ASSERT_TRUE(c.X);
    EXPECT_EQ(c.X->Min, 2.0);
    EXPECT_FALSE(c.Y);
    ASSERT_EQ(c.Refused.size(), 1u);
    EXPECT_EQ(c.Refused[0].Field, "Y Max");
    EXPECT_EQ(c.Refused[0].Problem, AxisProblem::OutOfRange);
    EXPECT_EQ(Refused(c).En,
              "Y Max: \"1e40\" lies outside -10000000000 .. 10000000000, the values the chart can label.\r\n"
              "The Y range stays -5000.0 .. 5000.0.");
}

TEST(ScopeAxesRefusal, TheLimitsThemselvesAreTakenAndTheNextNumberIsNot) {
    ScopeAxes a;
    a.XMinText = "-1500";
    a.XMaxText = "1500";
    a.YMinText = "-1e10";
    a.YMaxText = "10000000000.0";
    AxisChange c = a.RangeApply();
    EXPECT_TRUE(c.Refused.empty());
    EXPECT_EQ(c.X->Min, -1500.0);
    EXPECT_EQ(c.Y->Max, 1e10);
    EXPECT_EQ(a.YMinText, "-10000000000.0");
    for (const char* x : {"1500.001", "-1500.1", "1e999"}) {
        a.XMaxText = x;
        EXPECT_EQ(a.RangeApply().Refused.size(), 1u) << x;
    }
    a.XMaxText = "1500";
    for (const char* y : {"10000000000.1", "-1.0000001e10", "1e999"}) {
        a.YMaxText = y;
        EXPECT_EQ(a.RangeApply().Refused.size(), 1u) << y;
    }
}

TEST(ScopeAxesRefusal, OperationsNeverLeaveTheLimitsOrTurnTheRangeAround) {
    ScopeAxes a;
    for (int i = 0; i < 100; ++i)
        a.ZoomY(-1); // doubling from 5000: refused from 1e10 on
    EXPECT_EQ(a.YInForce.Max, 5000.0 * 1024 * 1024);
    Refusal r = Refused(a.ZoomY(-1));
    EXPECT_FALSE(r.Change.Y);
    EXPECT_TRUE(r.Change.ShowSpan);
    EXPECT_EQ(r.En,
              "Y zoom: the Y range would become -10485760000.0 .. 10485760000.0, outside -10000000000 .. "
              "10000000000, the values the chart can label.\r\n"
              "The Y range stays -5242880000.0 .. 5242880000.0.");
    EXPECT_EQ(a.YMaxText, "5242880000.0");
    for (int i = 0; i < 100; ++i)
        a.ScrollY(1);
    EXPECT_LE(a.YInForce.Max, kAxisValueLimit);
    EXPECT_TRUE(Refused(a.ScrollY(1)).Change.Refused.size() == 1u);

    a.YMinText = "-100";
    a.YMaxText = "100";
    a.CenterText = "9999999950";
    r = Refused(a.Center());
    EXPECT_FALSE(r.Change.Y);
    EXPECT_EQ(r.Change.Refused[0].Field, "Center");
    EXPECT_EQ(a.CenterText, "9999999950"); // the box the user is working on stays
    a.YMinText = "-100";
    a.YMaxText = "100";
    a.CenterText = "9999999900";
    EXPECT_EQ(a.Center().Y->Max, 1e10);
    a.YMinText = "-100";
    a.YMaxText = "100";
    a.RangeApply();

    // Boxes typed upside down: only Range Apply puts them in order.
    a.YMinText = "300";
    a.YMaxText = "-300";
    r = Refused(a.ZoomY(1));
    EXPECT_EQ(r.Change.Refused[0].Problem, AxisProblem::MinAboveMax);
    EXPECT_EQ(r.Ko, "Y zoom: Y Min이 Y Max보다 큽니다.\r\nY 범위는 -100.0 .. 100.0(으)로 유지됩니다.");
    a.YMinText = "7";
    a.YMaxText = "7";
    EXPECT_EQ(a.ScrollY(-1).Refused[0].Problem, AxisProblem::EqualLimits);

    // An amplitude must give a range; the Y boxes must be numbers.
    for (const char* amp : {"1", "0", "-500", "abc"}) {
        a.YMinText = "-10";
        a.YMaxText = "10";
        a.AmpText = amp;
        r = Refused(a.Amp());
        ASSERT_EQ(r.Change.Refused.size(), 1u) << amp;
        EXPECT_FALSE(r.Change.Y);
        EXPECT_EQ(r.Change.Refused[0].Field, "Amp Y");
    }
    EXPECT_EQ(r.En, "Amp Y: \"abc\" is not a number.\r\nThe Y range stays -100.0 .. 100.0.");
    a.AmpText = "-500";
    EXPECT_EQ(Refused(a.Amp()).En, "Amp Y: \"-500\" gives no range: the amplitude must be 2 or more.\r\n"
                                   "The Y range stays -100.0 .. 100.0.");
    a.AmpText = "2147483647";
    a.YMinText = "9e9";
    a.YMaxText = "9e9";
    EXPECT_EQ(a.Amp().Refused[0].Problem, AxisProblem::ResultOutOfRange);
    // Read as the other boxes: an exponent counts, and a number beyond what
    // the axis takes is refused, not cut to 32 bits.
    a.YMinText = "-10";
    a.YMaxText = "10";
    a.AmpText = "5e4";
    ASSERT_TRUE(a.Amp().Y);
    EXPECT_EQ(a.YMaxText, "25000.0");
    a.AmpText = "99999999999";
    EXPECT_EQ(a.Amp().Refused[0].Problem, AxisProblem::OutOfRange);
}

TEST(ScopeAxesRefusal, RunAndStopKeepTheXRangeInForceWhenABoxIsNotANumber) {
    ScopeAxes a;
    a.XMinText = "-2";
    a.XMaxText = "20";
    a.RangeApply();
    a.XMaxText = "";
    const Refusal r = Refused(a.Start());
    EXPECT_FALSE(r.Change.X);
    EXPECT_EQ(r.En, "X Max: \"\" is not a number.\r\nThe X range stays -2.000 .. 20.000.");
    EXPECT_EQ(a.XMaxText, "20.000");
    EXPECT_EQ(a.XMaxAtRun, 20.0); // the scroll bounds of the range that runs
    EXPECT_EQ(a.XMinAtRun, -2.0);
    a.XMinText = "1e4";
    EXPECT_EQ(a.Stop().Refused[0].Problem, AxisProblem::OutOfRange);
    EXPECT_EQ(a.XMinText, "-2.000");
    a.XMinText = "-";
    EXPECT_EQ(a.ZoomX(1).X->Max, 19.5); // X zoom reads X Max alone
    a.XMaxText = "x";
    EXPECT_FALSE(a.ZoomX(1).X);
    a.XMaxText = "?";
    EXPECT_EQ(a.ScrollX(1, false).Refused.size(), 1u);
    EXPECT_TRUE(a.ScrollX(1, true).Refused.empty()); // ignored while running, as before
}

} // namespace
} // namespace velt
