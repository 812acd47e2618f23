#pragma once

#include "controls/GridModel.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QStaticText>
#include <QString>
#include <vector>

class QPainter;

namespace velt {

// Laid-out text of every grid cell, kept until the cell's text, format, font or width changes, so
// that a repaint draws prepared glyphs instead of shaping the text again. Owned by the grid
// widget; user-interface thread only.
class GridTextCache {
public:
    struct Entry {
        QString text;
        QString shown; // elided to the width below when the format asks for it
        QStaticText prepared;
        bool usePrepared = false; // single line without mnemonics
        int width = -1;
        int naturalWidth = 0;
        bool valid = false;
    };

    void Reset(const GridModel& model); // after a shape change: every entry empty
    void Invalidate(const GridModel& model, int row, int col);
    void InvalidateAll();

    const Entry& Get(const GridModel& model, int row, int col, const QFont& font, int width);
    // Draws the cell's text inside textRect with the cell's format flags.
    void Paint(QPainter& painter, const GridModel& model, int row, int col, const QFont& font,
               const QRect& textRect, const QColor& fg);

private:
    std::vector<Entry> entries_;
};

} // namespace velt
