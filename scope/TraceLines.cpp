#include "scope/TraceLines.h"

#include <algorithm>
#include <cmath>

namespace velt {

namespace {
// Walks one row from the newest sample to older ones without a modulo per
// sample.
class RowWalker {
public:
    RowWalker(const ScopeSamples& samples, int row) : data_(samples.Row(row)), slot_(samples.Head()) {}
    double Next() {
        slot_ = slot_ == 0 ? kScopeCapacity - 1 : slot_ - 1;
        return data_[slot_];
    }

private:
    const double* data_;
    int slot_;
};

int ShownCount(int count) {
    return std::clamp(count, 0, kScopeCapacity);
}

// One pixel column's samples in value space: Y is monotonic, so only the
// four values that matter are turned into rows, when the column is done.
struct Column {
    int X = 0;
    double First = 0, Last = 0, Low = 0, High = 0;
};

// The slot of the sample of `age` in a row (age below the capacity).
int SlotOf(int head, int age) {
    const int slot = head - 1 - age;
    return slot < 0 ? slot + kScopeCapacity : slot;
}

// Smallest and largest of count contiguous values, NaN taken as nanAs.
void WidenBy(const double* p, int count, double nanAs, double* low, double* high) {
    double lo = *low, hi = *high;
    for (int i = 0; i < count; ++i) {
        const double v = p[i] != p[i] ? nanAs : p[i];
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    *low = lo;
    *high = hi;
}

// The oldest age (at most last) that still falls on pixel column x, the
// column of `age`. Starts from the expected number of samples per column
// and corrects by a step or two.
int ColumnEnd(const PixelMap& map, int age, int x, int last, int perColumn) {
    int end = std::min(last, age + perColumn);
    while (end > age && map.X(end) != x)
        --end;
    while (end < last && map.X(end + 1) == x)
        ++end;
    return end;
}
} // namespace

void PointByPointPolyline(const ScopeSamples& samples, int row, int count, const PixelMap& map,
                          std::vector<PixelPoint>* out) {
    out->clear();
    if (!map.Drawable()) return;
    RowWalker walk(samples, row);
    const int n = ShownCount(count);
    for (int age = 0; age < n; ++age) {
        const PixelPoint p{map.X(age), map.Y(walk.Next())};
        if (out->empty() || !(out->back() == p)) out->push_back(p);
    }
}

void ColumnReducedLines(const ScopeSamples& samples, int row, int count, const PixelMap& map, int clipLeft,
                        int clipRight, std::vector<ChartLine>* out) {
    out->clear();
    if (!map.Drawable()) return;
    const int n = ShownCount(count);
    if (n == 0) return;
    const double* data = samples.Row(row);
    const int head = samples.Head();
    const int perColumn = static_cast<int>(std::clamp(map.SamplesPerColumn(), 1.0, double{kScopeCapacity}));
    const double nanAs = map.Ordered(std::nan(""));

    bool havePrevious = false;
    int previousX = 0, previousLast = 0;
    for (int age = 0; age < n;) {
        Column column;
        column.X = map.X(age);
        const int end = ColumnEnd(map, age, column.X, n - 1, perColumn);
        column.First = map.Ordered(data[SlotOf(head, age)]);
        column.Last = map.Ordered(data[SlotOf(head, end)]);
        column.Low = column.High = column.First;
        // Ages age..end lie at descending slots: one run, or two where the ring wraps.
        const int newest = SlotOf(head, age), oldest = SlotOf(head, end);
        if (oldest <= newest) {
            WidenBy(data + oldest, newest - oldest + 1, nanAs, &column.Low, &column.High);
        } else {
            WidenBy(data, newest + 1, nanAs, &column.Low, &column.High);
            WidenBy(data + oldest, kScopeCapacity - oldest, nanAs, &column.Low, &column.High);
        }

        // The join into this column and its vertical extent, each only when it
        // can touch a visible column.
        if (havePrevious && column.X < clipRight)
            out->push_back({previousX, previousLast, column.X, map.Y(column.First)});
        if (column.X >= clipLeft && column.X < clipRight && column.Low != column.High) {
            const int a = map.Y(column.Low), b = map.Y(column.High);
            if (a != b) out->push_back({column.X, std::min(a, b), column.X, std::max(a, b)});
        }
        if (column.X < clipLeft) return; // every older column lies further left
        havePrevious = true;
        previousX = column.X;
        previousLast = map.Y(column.Last);
        age = end + 1;
    }
}

} // namespace velt
