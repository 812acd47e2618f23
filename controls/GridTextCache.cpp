#include "controls/GridTextCache.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace velt {

namespace {
int AlignmentFlags(std::uint32_t format) {
    int flags = Qt::AlignLeft;
    if (format & DT_CENTER)
        flags = Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags = Qt::AlignRight;
    if (format & DT_VCENTER)
        flags |= Qt::AlignVCenter;
    else if (format & DT_BOTTOM)
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    if (format & DT_SINGLELINE)
        flags |= Qt::TextSingleLine;
    else if (format & DT_WORDBREAK)
        flags |= Qt::TextWordWrap;
    if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
    return flags;
}
} // namespace

void GridTextCache::Reset(const GridModel& model) {
    entries_.assign(static_cast<size_t>(model.GetRowCount()) * model.GetColumnCount(), Entry{});
}

void GridTextCache::Invalidate(const GridModel& model, int row, int col) {
    if (!model.IsValid(row, col)) return;
    const size_t index = static_cast<size_t>(row) * model.GetColumnCount() + col;
    if (index < entries_.size()) entries_[index].valid = false;
}

void GridTextCache::InvalidateAll() {
    for (Entry& entry : entries_)
        entry.valid = false;
}

const GridTextCache::Entry& GridTextCache::Get(const GridModel& model, int row, int col, const QFont& font,
                                               int width) {
    const size_t needed = static_cast<size_t>(model.GetRowCount()) * model.GetColumnCount();
    if (entries_.size() != needed) Reset(model);
    Entry& entry = entries_[static_cast<size_t>(row) * model.GetColumnCount() + col];
    if (entry.valid && entry.width == width) return entry;
    const QFontMetrics fm(font);
    entry.text = QString::fromStdString(model.ItemTextRef(row, col));
    entry.naturalWidth = fm.horizontalAdvance(entry.text);
    const std::uint32_t format = model.EffectiveFormat(row, col);
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    const bool elide = (format & DT_END_ELLIPSIS) && singleLine;
    entry.shown = elide ? fm.elidedText(entry.text, Qt::ElideRight, std::max(0, width)) : entry.text;
    entry.usePrepared = singleLine && (format & DT_NOPREFIX) && !entry.shown.contains(QLatin1Char('\n'));
    if (entry.usePrepared) {
        entry.prepared.setText(entry.shown);
        entry.prepared.setTextFormat(Qt::PlainText);
        entry.prepared.setPerformanceHint(QStaticText::AggressiveCaching);
        entry.prepared.prepare(QTransform(), font);
    }
    entry.width = width;
    entry.valid = true;
    return entry;
}

void GridTextCache::Paint(QPainter& painter, const GridModel& model, int row, int col, const QFont& font,
                          const QRect& textRect, const QColor& fg) {
    const Entry& text = Get(model, row, col, font, textRect.width());
    if (text.shown.isEmpty()) return;
    painter.setFont(font);
    painter.setPen(fg);
    const int flags = AlignmentFlags(model.EffectiveFormat(row, col));
    if (!text.usePrepared) {
        painter.drawText(textRect, flags, text.shown);
        return;
    }
    const QSizeF size = text.prepared.size();
    qreal x = textRect.left();
    if (flags & Qt::AlignHCenter)
        x += (textRect.width() - size.width()) / 2;
    else if (flags & Qt::AlignRight)
        x = textRect.right() + 1 - size.width();
    qreal y = textRect.top();
    if (flags & Qt::AlignVCenter)
        y += (textRect.height() - size.height()) / 2;
    else if (flags & Qt::AlignBottom)
        y = textRect.bottom() + 1 - size.height();
    const bool overflows = size.width() > textRect.width() || size.height() > textRect.height();
    if (overflows) {
        painter.save();
        painter.setClipRect(textRect, Qt::IntersectClip);
    }
    painter.drawStaticText(QPointF(std::round(x), std::round(y)), text.prepared);
    if (overflows) painter.restore();
}

} // namespace velt
