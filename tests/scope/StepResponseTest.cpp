#include "scope/StepResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

using namespace velt;

namespace {
struct Trace {
    std::vector<double> T, V, C, P;
    StepInput In() const { return {T, V, C, P}; }
};

// `f` sampled at `rate` from 0 to `seconds`, the step at 0.5 s.
Trace Sampled(double rate, double seconds, const std::function<double(double)>& f) {
    Trace tr;
    for (int i = 0; i * (1.0 / rate) <= seconds + 1e-12; ++i) {
        const double t = i / rate;
        tr.T.push_back(t);
        tr.V.push_back(t <= 0.5 ? f(0.0) : f(t - 0.5));
    }
    return tr;
}

double SecondOrder(double zeta, double wn, double t) {
    const double wd = wn * std::sqrt(1.0 - zeta * zeta);
    return 1.0 - std::exp(-zeta * wn * t) * (std::cos(wd * t) + zeta * wn / wd * std::sin(wd * t));
}
} // namespace

TEST(StepResponse, FiguresOfKnownCurvesRisingFallingNoisyAndWithout) {
    const double tau = 0.2;
    Trace first = Sampled(1000.0, 3.0, [&](double t) { return 100.0 + 1000.0 * (1.0 - std::exp(-t / tau)); });
    StepFigures f = ComputeStepFigures(first.In());
    EXPECT_NEAR(*f.Start.Value, 100.0, 1e-9);
    EXPECT_NEAR(*f.Step.Value, 1000.0, 0.5);
    EXPECT_NEAR(*f.Delay.Value, tau * std::log(2.0), 1e-4);
    EXPECT_NEAR(*f.Rise.Value, tau * std::log(9.0), 1e-4);
    EXPECT_NEAR(*f.Settling.Value, tau * std::log(50.0), 1e-3);
    EXPECT_EQ(*f.Overshoot.Value, 0.0);
    EXPECT_EQ(f.PeakTime.Why, StepWhy::NoOvershoot);
    EXPECT_EQ(f.SteadyError.Why, StepWhy::NoCommand);
    EXPECT_EQ(f.InPosition.Why, StepWhy::NoCommand);

    // A falling step of 10000 counts with +-3 counts of noise, at 50 samples/s.
    const double zeta = 0.5, wn = 2.0 * std::numbers::pi * 2.0;
    int k = 0;
    Trace fall = Sampled(50.0, 4.0, [&](double t) {
        return 5000.0 - 10000.0 * SecondOrder(zeta, wn, t) + (k++ % 3 - 1) * 3.0;
    });
    f = ComputeStepFigures(fall.In());
    const double overshoot = 100.0 * std::exp(-std::numbers::pi * zeta / std::sqrt(1.0 - zeta * zeta));
    EXPECT_NEAR(*f.Step.Value, -10000.0, 5.0);
    EXPECT_NEAR(*f.Overshoot.Value, overshoot, 0.5);
    EXPECT_NEAR(*f.PeakTime.Value, std::numbers::pi / (wn * std::sqrt(1.0 - zeta * zeta)), 0.01);
    EXPECT_LT(*f.Peak.Value, -5000.0);
    ASSERT_TRUE(f.Settling.Value);

    k = 0;
    Trace flat = Sampled(20.0, 5.0, [&](double) { return 42.0 + (k++ % 2) * 3.0; });
    f = ComputeStepFigures(flat.In());
    EXPECT_EQ(f.Rise.Why, StepWhy::NoStep);
    EXPECT_EQ(f.Settling.Why, StepWhy::NoStep);

    Trace ringing = Sampled(200.0, 2.0, [&](double t) { return 1000.0 * SecondOrder(0.02, wn, t); });
    ringing.C.assign(ringing.T.size(), 1000.0);
    f = ComputeStepFigures(ringing.In());
    EXPECT_EQ(f.Settling.Why, StepWhy::NeverSettles);
    EXPECT_EQ(f.SteadyError.Why, StepWhy::NeverSettles);
    EXPECT_EQ(f.FollowMax.Why, StepWhy::NoCommandStep);

    Trace few = Sampled(20.0, 0.2, [](double t) { return t; });
    EXPECT_EQ(ComputeStepFigures(few.In()).Rise.Why, StepWhy::TooFewSamples);
}

TEST(StepResponse, AgainstACommandLagFollowingErrorAndInPosition) {
    // The command ramps 0 -> 2000 over 0.2 s from 0.5 s; the position follows
    // 0.05 s behind and ends 3 counts short; in position 0.12 s after the
    // command arrives.
    const auto ramp = [](double t) { return std::clamp((t - 0.5) / 0.2, 0.0, 1.0) * 2000.0; };
    Trace tr;
    for (int i = 0; i <= 2000; ++i) {
        const double t = i / 1000.0;
        tr.T.push_back(t);
        tr.C.push_back(ramp(t));
        tr.V.push_back(ramp(t - 0.05) * (1997.0 / 2000.0));
        tr.P.push_back(t >= 0.7 + 0.12 ? 1.0 : 0.0);
    }
    StepFigures f = ComputeStepFigures(tr.In());
    EXPECT_NEAR(f.MoveStartTime, 0.5, 1e-3);
    EXPECT_NEAR(*f.Lag.Value, 0.05, 1e-3);
    EXPECT_NEAR(*f.SteadyError.Value, -3.0, 1e-9);
    EXPECT_NEAR(*f.FollowMax.Value, 500.0, 5.0);
    EXPECT_NEAR(*f.InPosition.Value, 0.12, 2e-3);

    tr.P.clear();
    f = ComputeStepFigures(tr.In());
    EXPECT_EQ(f.InPosition.Why, StepWhy::NoInPositionData);
    const std::vector<std::string> lines = StepFigureLines(f, false, "counts");
    EXPECT_EQ(lines[10], "Lag behind command: 0.05 s");
    EXPECT_EQ(
        lines.back(),
        "Command end to in-position: cannot be given (the in-position bit is not among the recorded data)");
    EXPECT_NE(StepFigureLines(f, true)[4].find("상승 시간 (10-90 %)"), std::string::npos);
}
