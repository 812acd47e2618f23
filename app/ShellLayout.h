#pragma once
// Placement of the three strips of the main window and the size of the frame
// around them. Heights and widths are client sizes in pixels of the
// connection bar (Hbar), the register monitor (Hmon, Wmon) and the
// monitoring page (Hpage).
//
// The frame size is the outer size of a Windows frame window (thick border
// and caption included). Qt sizes a top-level window by its client area and
// leaves the decoration to the window manager, so ClientSizeOfFrame takes the
// classic Windows decoration off again: 4-pixel sizing borders on every side
// and a 19-pixel caption. The strips then sit in the client area that frame
// size gives on Windows, whatever the window manager draws around it.

namespace velt {

struct StripSizes {
    int Hbar = 0;
    int Hmon = 0;
    int Hpage = 0;
    int Wmon = 0;
};

struct PixelSize {
    int Width = 0;
    int Height = 0;
};

struct ShellLayout {
    int StripX = 0;
    int MenuBarY = 0;
    int RtuMonitorY = 0;
    int PageY = 0;   // monitoring and parameter page share this place
    PixelSize Frame; // outer frame size
};

constexpr int kFrameBorder = 4;   // sizing border on each side
constexpr int kFrameCaption = 19; // caption bar height

// 1 for versions 5.0 to 5.2, 2 for 6.0 and 6.1, 0 for anything else.
int OperatingSystemClass(int major, int minor);
// The class of the running system: always 0 here (no Windows version).
int CurrentOperatingSystemClass();

ShellLayout ComputeShellLayout(const StripSizes& strips, int osClass);
PixelSize ClientSizeOfFrame(PixelSize frame);

} // namespace velt
