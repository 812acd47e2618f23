#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velt {

// Colours are RGB triples packed like a Windows COLORREF: red in the low byte, then green, then blue.
using GridRgb = std::uint32_t;

constexpr GridRgb Rgb(int r, int g, int b) {
    return static_cast<GridRgb>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RgbRed(GridRgb c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int RgbGreen(GridRgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int RgbBlue(GridRgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// A cell colour with this value is taken from the cell's prototype (its default cell).
constexpr GridRgb kDefaultColour = 0xFF000000u;

// Text format flags of a cell (the values of the Windows DrawText flags of the same names).
enum GridFormat : std::uint32_t {
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_NOPREFIX = 0x0800,
    DT_END_ELLIPSIS = 0x8000,
};

// Cell state flags. Focused and selected are kept by the grid itself; fixed, fixed-row and
// fixed-column follow from the cell's position and are reported, never stored.
enum GridState : std::uint32_t {
    GVIS_FOCUSED = 0x0001,
    GVIS_SELECTED = 0x0002,
    GVIS_DROPHILITED = 0x0004,
    GVIS_READONLY = 0x0008,
    GVIS_FIXED = 0x0010,
    GVIS_FIXEDROW = 0x0020,
    GVIS_FIXEDCOL = 0x0040,
    GVIS_MODIFIED = 0x0080,
};

// Members of a GridItem that SetItem writes and GetItem fills.
enum GridItemMask : std::uint32_t {
    GVIF_TEXT = 0x0001,
    GVIF_PARAM = 0x0004,
    GVIF_STATE = 0x0008,
    GVIF_BKCLR = 0x0010,
    GVIF_FGCLR = 0x0020,
    GVIF_FORMAT = 0x0040,
    GVIF_MARGIN = 0x0100,
};

// A font described without any toolkit type; the widget turns it into its own font.
struct GridFont {
    std::string family;
    int pointSize = 9;
    int weight = 400; // 400 normal, 700 bold
    bool italic = false;
    int pixelSize = 0; // when above 0, the size in pixels instead of pointSize
    bool operator==(const GridFont&) const = default;
};

// One cell's contents as SetItem takes them; mask names the members that count.
struct GridItem {
    int row = 0;
    int col = 0;
    std::uint32_t mask = 0;
    std::string text;
    std::uint32_t format = 0;
    std::uint32_t state = 0;
    GridRgb fg = kDefaultColour;
    GridRgb bk = kDefaultColour;
    std::int32_t param = 0;
    int margin = 0;
};

// A cell format with this value is taken from the cell's prototype.
constexpr std::uint32_t kDefaultFormat = 0xFFFFFFFFu;

struct GridCell {
    std::string text;
    std::uint32_t format = kDefaultFormat;
    std::uint32_t state = 0; // stored flags: selected, drop-highlighted, read-only, modified
    GridRgb fg = kDefaultColour;
    GridRgb bk = kDefaultColour;
    std::optional<GridFont> font; // empty: the grid's font
    std::int32_t param = 0;       // the page's own 32-bit value
    int margin = -1;              // negative: the prototype's margin
};

// Prototype of a class of cells: ordinary, fixed-row, fixed-column, fixed-row-and-column.
struct GridDefaultCell {
    std::uint32_t format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    GridRgb fg = Rgb(0, 0, 0);
    GridRgb bk = Rgb(255, 255, 255);
    int margin = 3;
};

// Grid-wide behaviour switches and their defaults.
struct GridSwitches {
    bool listMode = false;           // a click selects whole rows
    bool selectionEnabled = true;    // off: no cell is ever shown selected
    bool singleRowSelection = false; // a click or drag selects one whole row
    bool fixedRowSelection = true;   // a fixed-row click selects the column, a fixed-column click the row
    bool editable = true;            // in-place editing
    bool rowResize = true;
    bool columnResize = true;
    bool headerSort = false;
    bool titleTips = true;
};

struct GridCellId {
    int row = -1;
    int col = -1;
    bool IsValid() const { return row >= 0 && col >= 0; }
    bool operator==(const GridCellId&) const = default;
};

// Inclusive cell range.
struct GridRange {
    int minRow = -1;
    int minCol = -1;
    int maxRow = -1;
    int maxCol = -1;
    bool IsValid() const { return minRow >= 0 && minCol >= 0 && maxRow >= minRow && maxCol >= minCol; }
    bool Contains(int row, int col) const {
        return row >= minRow && row <= maxRow && col >= minCol && col <= maxCol;
    }
    bool operator==(const GridRange&) const = default;
};

// Pixel rectangle in the grid's client coordinates; right and bottom are exclusive.
struct GridRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    bool operator==(const GridRect&) const = default;
};

} // namespace velt
