#include "scope/TraceLines.h"

#include <algorithm>

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

struct Column {
    int X = 0, First = 0, Last = 0, Low = 0, High = 0;
};
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
    RowWalker walk(samples, row);

    bool havePrevious = false;
    Column previous;
    Column column;
    // Emits the join into `column` and its vertical extent; both only when
    // they can touch a visible column.
    const auto emit = [&] {
        if (havePrevious && column.X < clipRight)
            out->push_back({previous.X, previous.Last, column.X, column.First});
        if (column.Low != column.High && column.X >= clipLeft && column.X < clipRight)
            out->push_back({column.X, column.Low, column.X, column.High});
    };

    {
        const int y = map.Y(walk.Next());
        column = {map.X(0), y, y, y, y};
    }
    for (int age = 1; age < n; ++age) {
        const int x = map.X(age);
        const int y = map.Y(walk.Next());
        if (x == column.X) {
            column.Last = y;
            column.Low = std::min(column.Low, y);
            column.High = std::max(column.High, y);
            continue;
        }
        emit();
        if (column.X < clipLeft) return; // every older column lies further left
        previous = column;
        havePrevious = true;
        column = {x, y, y, y, y};
    }
    emit();
}

} // namespace velt
