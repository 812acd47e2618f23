// Accuracy and cost of the step-response figures. Second-order step
// responses (damping 0.3 .. 1.0, natural frequency 2 and 5 Hz) sampled as a
// scope samples them (20 and 50 samples/s) against the same curve at 10 kHz:
// per case the time figures' error in sample periods (goal: within 0.5) and
// the overshoot's difference in percentage points (goal: within 1). Then the
// time to compute every figure of a 30,000-sample trace with a command
// channel (goal: under 1 ms).
// Run with: ./step_figures_bench
#include "scope/StepResponse.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace velt;

namespace {
constexpr double kStepAt = 0.5;

double SecondOrder(double zeta, double wn, double t) {
    if (t <= 0.0) return 0.0;
    if (zeta >= 1.0) return 1.0 - (1.0 + wn * t) * std::exp(-wn * t);
    const double wd = wn * std::sqrt(1.0 - zeta * zeta);
    return 1.0 - std::exp(-zeta * wn * t) * (std::cos(wd * t) + zeta * wn / wd * std::sin(wd * t));
}

struct Curve {
    std::vector<double> T, V;
};

Curve Sample(double zeta, double hz, double rate, double seconds) {
    Curve c;
    const double wn = 2.0 * std::numbers::pi * hz;
    for (int i = 0; i / rate <= seconds; ++i) {
        const double t = i / rate;
        c.T.push_back(t);
        c.V.push_back(1000.0 * SecondOrder(zeta, wn, t - kStepAt));
    }
    return c;
}

StepFigures Figures(const Curve& c) {
    return ComputeStepFigures({c.T, c.V, {}, {}});
}

// Error in sample periods, or "-" when either figure is missing.
void PrintError(const StepFigure& got, const StepFigure& ref, double period) {
    if (got.Value && ref.Value)
        std::printf(" %7.3f", (*got.Value - *ref.Value) / period);
    else
        std::printf(" %7s", got.Value || ref.Value ? "missing" : "-");
}

void AccuracyTable() {
    std::printf("zeta  f[Hz] rate  delay    rise   peakT  settle | overshoot ref   diff[pp]\n");
    for (double zeta : {0.3, 0.5, 0.7, 1.0}) {
        for (double hz : {2.0, 5.0}) {
            const double seconds = kStepAt + 8.0 / (zeta * 2.0 * std::numbers::pi * hz) + 1.0;
            const StepFigures ref = Figures(Sample(zeta, hz, 10000.0, seconds));
            for (double rate : {20.0, 50.0}) {
                const StepFigures f = Figures(Sample(zeta, hz, rate, seconds));
                const double period = 1.0 / rate;
                std::printf("%4.1f %5.0f %5.0f", zeta, hz, rate);
                PrintError(f.Delay, ref.Delay, period);
                PrintError(f.Rise, ref.Rise, period);
                PrintError(f.PeakTime, ref.PeakTime, period);
                PrintError(f.Settling, ref.Settling, period);
                std::printf(" | %8.2f %%  %7.2f\n", ref.Overshoot.Value.value_or(0.0),
                            f.Overshoot.Value.value_or(0.0) - ref.Overshoot.Value.value_or(0.0));
            }
        }
    }
}

void CostOfAllFigures() {
    constexpr int kSamples = 30000, kRounds = 200;
    std::vector<double> t(kSamples), v(kSamples), c(kSamples), p(kSamples);
    const double wn = 2.0 * std::numbers::pi * 2.0;
    for (int i = 0; i < kSamples; ++i) {
        t[i] = i / 10000.0;
        c[i] = t[i] >= kStepAt ? 1000.0 : 0.0;
        v[i] = 1000.0 * SecondOrder(0.5, wn, t[i] - kStepAt) + (i % 3 - 1) * 2.0;
        p[i] = t[i] > 2.0 ? 1.0 : 0.0;
    }
    double sink = 0.0;
    const auto begin = std::chrono::steady_clock::now();
    for (int r = 0; r < kRounds; ++r)
        sink += ComputeStepFigures({t, v, c, p}).Settling.Value.value_or(0.0);
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - begin;
    std::printf("all figures of %d samples with a command channel: %.1f us per trace (goal < 1000 us)%s\n",
                kSamples, spent.count() / kRounds, sink > 0.0 ? "" : " (no settling found)");
}
} // namespace

int main() {
    AccuracyTable();
    CostOfAllFigures();
    return 0;
}
