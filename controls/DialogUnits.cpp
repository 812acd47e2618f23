#include "DialogUnits.h"

#include <climits>

namespace velt {

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = (c < 0 ? -static_cast<int64_t>(c) : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = (product < 0 ? -product : product) + half;
    const int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t result = magnitude / divisor;
    if (result > INT_MAX) return -1;
    return static_cast<int>(negative ? -result : result);
}

int AverageCharWidth(int widthOf52Letters) {
    return (widthOf52Letters + 26) / 52;
}

} // namespace velt
