#include "RoundTripHistogram.h"

#include "controls/Accessible.h"

#include <QPainter>

#include <algorithm>

namespace velt {

namespace {
const QColor kBar(0, 110, 160);
const QColor kAxis(90, 90, 90);
constexpr int kMargin = 4;
constexpr int kLabelGap = 6; // pixels between two bucket labels

// A bucket's label under its bar: "100-200", "<1", ">1000".
QString BucketLabel(size_t bucket) {
    return QString::fromStdString(RoundTripBucketName(bucket)).remove(QStringLiteral(" ms"));
}
} // namespace

RoundTripHistogram::RoundTripHistogram(const QString& emptyText, QWidget* parent)
    : QWidget(parent), emptyText_(emptyText) {
    setMinimumSize(sizeHint());
    DescribeState(this, emptyText_);
}

// Each bucket's slot is as wide as the widest label and a gap, so no label
// runs into the next or is cut.
QSize RoundTripHistogram::sizeHint() const {
    int widest = 0;
    for (size_t b = 0; b < kRoundTripBuckets; ++b)
        widest = std::max(widest, fontMetrics().horizontalAdvance(BucketLabel(b)));
    const int line = fontMetrics().height();
    return {static_cast<int>(kRoundTripBuckets) * (widest + kLabelGap) + 2 * kMargin, 6 * line};
}

void RoundTripHistogram::SetCounts(const std::array<uint32_t, kRoundTripBuckets>& counts,
                                   const QString& description) {
    DescribeState(this, description.isEmpty() ? emptyText_ : description);
    if (counts == counts_) return;
    counts_ = counts;
    update();
}

void RoundTripHistogram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int line = fontMetrics().height();
    const QRect plot = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin - line);
    const uint32_t tallest = *std::max_element(counts_.begin(), counts_.end());
    p.setPen(kAxis);
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    if (tallest == 0) {
        p.drawText(plot, Qt::AlignCenter, emptyText_);
        return;
    }
    const int n = static_cast<int>(kRoundTripBuckets);
    const double slot = static_cast<double>(plot.width()) / n;
    for (int b = 0; b < n; ++b) {
        const int x = plot.left() + static_cast<int>(b * slot);
        const int w = std::max(1, static_cast<int>(slot) - 2);
        const QString name = BucketLabel(static_cast<size_t>(b));
        p.setPen(kAxis);
        p.drawText(QRect(x, plot.bottom() + 1, static_cast<int>(slot), line), Qt::AlignHCenter, name);
        if (counts_[b] == 0) continue;
        // A bucket that holds anything shows at least a sliver.
        const int h =
            std::max(2, static_cast<int>(static_cast<double>(plot.height()) * counts_[b] / tallest));
        p.fillRect(QRect(x + 1, plot.bottom() - h, w, h), kBar);
    }
}

} // namespace velt
