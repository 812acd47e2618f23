#pragma once
// The strip chart's sample store: four rows of 30000 doubles with one shared
// head, so that all rows advance together. The sample of age k (0 = newest)
// of row r lies at slot (head - 1 - k) modulo the capacity.
//
// Every push also counts: Count() numbers the samples from the first push
// on (the newest is sample Count() - 1). Beside the values each slot keeps
// the sample's time in 50 ms steps (Step): a push advances it by one step
// (a sample of the 50 ms grid) or by the time that passed since the
// previous sample (a sample per poll), so that times only grow. The step
// gives each sample its place on the chart's fixed grid of pixel columns
// however far the ring has turned; on the 50 ms grid it is the sample's
// number.
//
// Not thread-safe: its owner serialises every call (the chart's ring by
// the lock of its ScopeSampleStore, the trigger's by the window's sample
// lock).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velt {

inline constexpr int kScopeTraces = 4;
inline constexpr int kScopeCapacity = 30000;
// The chart's time base: one step of 50 ms, a sample per step on the grid.
inline constexpr double kSamplesPerSecond = 20.0;
// The smallest advance between two samples: their times stay apart.
inline constexpr double kLeastAdvance = 1e-6;

using TraceValues = std::array<double, kScopeTraces>;
using TraceFlags = std::array<int, kScopeTraces>;

class ScopeSamples {
public:
    ScopeSamples(); // every slot 0.0, head at slot 0

    // Writes one value per row at the head slot, then advances the head;
    // the sample lies `advance` steps after the previous one (taken as at
    // least kLeastAdvance; one step when not finite).
    void Push(const TraceValues& values, double advance = 1.0);
    // Pushes the `count` newest samples of `from`, oldest first, so that
    // they become this store's newest, as far apart as they were there
    // (count is cut to the capacity).
    void PushNewestOf(const ScopeSamples& from, int count);

    // Age 0 is the newest sample; ages wrap with the ring (age must lie in
    // 0 .. capacity - 1).
    double At(int row, int age) const {
        int slot = head_ - 1 - age;
        if (slot < 0) slot += kScopeCapacity;
        return data_[static_cast<std::size_t>(row) * kScopeCapacity + static_cast<std::size_t>(slot)];
    }
    TraceValues AllAt(int age) const;
    // The time of the sample of `age` in steps (same ages as At).
    double Step(int age) const {
        int slot = head_ - 1 - age;
        if (slot < 0) slot += kScopeCapacity;
        return steps_[static_cast<std::size_t>(slot)];
    }
    // Steps from the sample of `age` to the newest, and the same in seconds.
    double StepsBefore(int age) const { return Step(0) - Step(age); }
    double SecondsBefore(int age) const { return StepsBefore(age) / kSamplesPerSecond; }
    // The oldest of the `count` newest samples (count at most the capacity)
    // that lies at most `steps` before the newest; -1 when none does (steps
    // below 0). A binary search: the times grow with the ring.
    int OldestWithin(double steps, int count) const;
    // Whether the `count` newest samples lie one step apart each, as on the
    // 50 ms grid.
    bool EvenlySpaced(int count) const { return lastUneven_ <= count_ - count + 1; }
    // The row's slots, oldest slot first in memory; with Head() they give
    // the contiguous runs that renderers walk without a modulo per sample.
    const double* Row(int row) const { return data_.data() + static_cast<std::size_t>(row) * kScopeCapacity; }
    int Head() const { return head_; }
    // Samples pushed so far (the ring holds the newest capacity of them).
    int64_t Count() const { return count_; }

private:
    std::vector<double> data_;
    std::vector<double> steps_;
    double newestStep_ = -1.0; // so that the grid's first sample lies at step 0
    int head_ = 0;
    int64_t count_ = 0;
    int64_t lastUneven_ = 0; // number + 1 of the newest sample pushed other than one step after its previous
};

} // namespace velt
