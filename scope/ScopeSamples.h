#pragma once
// The strip chart's sample store: four rows of 30000 doubles with one shared
// head, so that all rows advance together. The sample of age k (0 = newest)
// of row r lies at slot (head - 1 - k) modulo the capacity.
//
// Every push also counts: Count() numbers the samples from the first push
// on (the newest is sample Count() - 1), which gives each sample a place on
// the chart's fixed grid of pixel columns however far the ring has turned.
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
// The chart's time base: one sample every 50 ms.
inline constexpr double kSamplesPerSecond = 20.0;

using TraceValues = std::array<double, kScopeTraces>;
using TraceFlags = std::array<int, kScopeTraces>;

class ScopeSamples {
public:
    ScopeSamples(); // every slot 0.0, head at slot 0

    // Writes one value per row at the head slot, then advances the head.
    void Push(const TraceValues& values);
    // Pushes the `count` newest samples of `from`, oldest first, so that
    // they become this store's newest (count is cut to the capacity).
    void PushNewestOf(const ScopeSamples& from, int count);

    // Age 0 is the newest sample; ages wrap with the ring (age must lie in
    // 0 .. capacity - 1).
    double At(int row, int age) const {
        int slot = head_ - 1 - age;
        if (slot < 0) slot += kScopeCapacity;
        return data_[static_cast<std::size_t>(row) * kScopeCapacity + static_cast<std::size_t>(slot)];
    }
    TraceValues AllAt(int age) const;
    // The row's slots, oldest slot first in memory; with Head() they give
    // the contiguous runs that renderers walk without a modulo per sample.
    const double* Row(int row) const { return data_.data() + static_cast<std::size_t>(row) * kScopeCapacity; }
    int Head() const { return head_; }
    // Samples pushed so far (the ring holds the newest capacity of them).
    int64_t Count() const { return count_; }

private:
    std::vector<double> data_;
    int head_ = 0;
    int64_t count_ = 0;
};

} // namespace velt
