#include "scope/TraceLines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace velt {

namespace {
int ShownCount(int count) {
    return std::clamp(count, 0, kScopeCapacity);
}

// Division rounded toward minus and plus infinity (d > 0).
int64_t FloorDiv(int64_t n, int64_t d) {
    const int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}
int64_t CeilDiv(int64_t n, int64_t d) {
    const int64_t q = n / d;
    return (n % d != 0 && n > 0) ? q + 1 : q;
}

void AddRun(int x, int64_t top, int64_t bottom, const ChartRect& clip, std::vector<ColumnRun>* out) {
    if (x < clip.left || x >= clip.right) return;
    top = std::max<int64_t>(top, clip.top);
    bottom = std::min<int64_t>(bottom, clip.bottom - 1);
    if (top <= bottom) out->push_back({x, static_cast<int>(top), static_cast<int>(bottom)});
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

// The samples of ages age..end of one row, all on one column.
Column ColumnOf(const double* data, int head, int age, int end, int x, double nanAs, const PixelMap& map) {
    Column column;
    column.X = x;
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
    return column;
}
} // namespace

void LineRuns(int x0, int y0, int x1, int y1, const ChartRect& clip, std::vector<ColumnRun>* out) {
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    if (x0 == x1) {
        AddRun(x0, std::min(y0, y1), std::max(y0, y1), clip, out);
        return;
    }
    // Exact in integers: the line's y at c + s/2 is y0 + dy (2k + s) / (2 dx)
    // with k = c - x0; the coordinates are clamped to 2^20, so every product
    // stays far inside 64 bits.
    const int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0, twoDx = 2 * dx;
    const int from = std::max(x0, clip.left), to = std::min(x1, clip.right - 1);
    for (int c = from; c <= to; ++c) {
        const int64_t k = int64_t{c} - x0;
        const int64_t a = dy * std::max<int64_t>(2 * k - 1, 0);
        const int64_t b = dy * std::min<int64_t>(2 * k + 1, twoDx);
        const int64_t crossedTop = y0 + CeilDiv(std::min(a, b), twoDx);
        const int64_t crossedBottom = y0 + FloorDiv(std::max(a, b), twoDx);
        const int64_t nearest = y0 + FloorDiv(2 * dy * k + dx, twoDx);
        AddRun(c, std::min(crossedTop, nearest), std::max(crossedBottom, nearest), clip, out);
    }
}

void TraceRuns(const ScopeSamples& samples, int row, int count, const PixelMap& map, const ChartRect& clip,
               std::vector<ColumnRun>* out) {
    const int n = ShownCount(count);
    if (!map.Drawable() || n == 0 || clip.left >= clip.right) return;
    const double* data = samples.Row(row);
    const int head = samples.Head();
    const int perColumn = static_cast<int>(std::clamp(map.SamplesPerColumn(), 1.0, double{kScopeCapacity}));
    const double nanAs = map.Ordered(std::nan(""));

    // From the youngest sample right of the columns (its line reaches in)
    // to the first column left of them.
    const int firstInside = map.FirstAgeLeftOf(clip.right, n);
    if (firstInside >= n) return;
    bool havePrevious = false;
    int previousX = 0, previousLast = 0;
    for (int age = std::max(firstInside - 1, 0); age < n;) {
        const int x = map.X(age);
        const int end = age < firstInside ? age : ColumnEnd(map, age, x, n - 1, perColumn);
        const Column column = ColumnOf(data, head, age, end, x, nanAs, map);
        if (havePrevious) LineRuns(previousX, previousLast, x, map.Y(column.First), clip, out);
        if (x >= clip.left && x < clip.right) {
            const int a = map.Y(column.Low), b = map.Y(column.High);
            AddRun(x, std::min(a, b), std::max(a, b), clip, out);
        }
        if (x < clip.left) return; // every older column lies further left
        havePrevious = true;
        previousX = x;
        previousLast = map.Y(column.Last);
        age = end + 1;
    }
}

void PointByPointRuns(const ScopeSamples& samples, int row, int count, const PixelMap& map,
                      const ChartRect& clip, std::vector<ColumnRun>* out) {
    const int n = ShownCount(count);
    if (!map.Drawable()) return;
    int previousX = 0, previousY = 0;
    for (int age = 0; age < n; ++age) {
        const int x = map.X(age), y = map.Y(samples.At(row, age));
        if (age == 0)
            AddRun(x, y, y, clip, out);
        else
            LineRuns(previousX, previousY, x, y, clip, out);
        previousX = x;
        previousY = y;
    }
}

} // namespace velt
