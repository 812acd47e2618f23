#pragma once
// The link health window's histogram of round-trip times: one bar per bucket
// of link/LinkHealth.h, its height the bucket's share of the tallest, the
// bucket's name under it. Read by screen readers through its accessible
// description ("5-10 ms: 3398, 10-20 ms: 2"). User-interface thread only.
#include "link/LinkHealth.h"

#include <QWidget>

namespace velt {

class RoundTripHistogram : public QWidget {
    Q_OBJECT
public:
    RoundTripHistogram(const QString& emptyText, QWidget* parent);

    // Repaints only when the counts changed.
    void SetCounts(const std::array<uint32_t, kRoundTripBuckets>& counts, const QString& description);
    const std::array<uint32_t, kRoundTripBuckets>& Counts() const { return counts_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<uint32_t, kRoundTripBuckets> counts_{};
    const QString emptyText_;
};

} // namespace velt
