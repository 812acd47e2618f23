#include "ShellLayout.h"

namespace velt {

namespace {
constexpr int kStripGap = 6;
}

int OperatingSystemClass(int major, int minor) {
    if (major == 5 && minor >= 0 && minor <= 2) return 1;
    if (major == 6 && (minor == 0 || minor == 1)) return 2;
    return 0;
}

int CurrentOperatingSystemClass() {
    return 0;
}

ShellLayout ComputeShellLayout(const StripSizes& s, int osClass) {
    ShellLayout l;
    l.MenuBarY = 0;
    l.RtuMonitorY = s.Hbar + kStripGap;
    l.PageY = s.Hbar + s.Hmon + 2 * kStripGap;
    if (osClass == 2) {
        l.Frame = {s.Wmon + 20, s.Hpage + s.Hmon + s.Hbar + 55};
    } else {
        l.Frame = {s.Wmon + 13, s.Hpage + s.Hmon + s.Hbar + 50};
    }
    return l;
}

PixelSize ClientSizeOfFrame(PixelSize frame) {
    return {frame.Width - 2 * kFrameBorder, frame.Height - 2 * kFrameBorder - kFrameCaption};
}

} // namespace velt
