#include "scope/PlotDamage.h"

#include <algorithm>

namespace velt {

void PlotDamage::Reset(const ChartRect& clip) {
    clip_ = clip;
    rows_.assign(static_cast<size_t>(std::max(clip.Width(), 0)), Rows{});
    empty_ = true;
}

void PlotDamage::AddLine(int x1, int y1, int x2, int y2) {
    const int left = std::max(std::min(x1, x2), clip_.left);
    const int right = std::min(std::max(x1, x2), clip_.right - 1);
    const int top = std::max(std::min(y1, y2), clip_.top);
    const int bottom = std::min(std::max(y1, y2), clip_.bottom - 1);
    if (left > right || top > bottom) return;
    for (int x = left; x <= right; ++x) {
        Rows& r = rows_[static_cast<size_t>(x - clip_.left)];
        if (r.Empty()) {
            r = {top, bottom};
        } else {
            r.Top = std::min(r.Top, top);
            r.Bottom = std::max(r.Bottom, bottom);
        }
    }
    bounds_ = empty_ ? ChartRect{left, top, right, bottom}
                     : ChartRect{std::min(bounds_.left, left), std::min(bounds_.top, top),
                                 std::max(bounds_.right, right), std::max(bounds_.bottom, bottom)};
    empty_ = false;
}

long PlotDamage::Pixels() const {
    long n = 0;
    if (empty_) return n;
    for (const Rows& r : rows_)
        n += r.Empty() ? 0 : r.Bottom - r.Top + 1;
    return n;
}

} // namespace velt
