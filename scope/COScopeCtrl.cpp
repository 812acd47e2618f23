#include "scope/COScopeCtrl.h"

#include "controls/QtText.h"
#include "scope/ScopeTexts.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velt {

namespace {
// Dots of the grid lines: three pixels on, three off.
const QList<qreal> kGridDots{3, 3};
// Dashes of the level line and of the cursors that the keys do not move.
const QList<qreal> kOverlayDashes{4, 3};
constexpr int kLabelFontPixels = 12; // a cell height of about 14 pixels
constexpr int kVerticalTextAngle = -90;
// The trigger mark: a triangle this wide and tall, above and below the plot.
constexpr int kMarkHalfWidth = 4, kMarkHeight = 5, kMarkGap = 2;
constexpr int kCursorLabelGap = 3;

QFont LabelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kLabelFontPixels);
    font.setWeight(QFont::Light);
    return font;
}

// One label, opaque on the background: the reference point is the label's
// top or baseline and its left edge, centre or right edge.
void DrawLabel(QPainter& p, const QFontMetrics& fm, const QString& text, QPoint at, LabelAlign align,
               const QColor& background) {
    const int w = fm.horizontalAdvance(text);
    int x = at.x();
    if (align == LabelAlign::CenterTop || align == LabelAlign::CenterBaseline) x -= w / 2;
    if (align == LabelAlign::RightTop || align == LabelAlign::RightBaseline) x -= w;
    const bool top =
        align == LabelAlign::LeftTop || align == LabelAlign::CenterTop || align == LabelAlign::RightTop;
    const int baseline = top ? at.y() + fm.ascent() : at.y();
    p.fillRect(QRect(x, baseline - fm.ascent(), w, fm.ascent() + fm.descent()), background);
    p.drawText(x, baseline, text);
}

// The label font's measures for the layout: label widths as the font
// advances them, so that the boxes are the ones DrawLabel fills.
TextMeasure LabelMeasure() {
    const QFontMetrics fm(LabelFont());
    return {[fm](const std::string& text) { return fm.horizontalAdvance(Qs(text)); }, fm.ascent(),
            fm.descent()};
}

constexpr int kStepMarkSize = 3; // half the side of a rise mark, pixels

QPen OverlayPen(const QColor& colour, bool solid) {
    QPen pen(colour, 0, solid ? Qt::SolidLine : Qt::CustomDashLine, Qt::FlatCap);
    pen.setCosmetic(true);
    if (!solid) pen.setDashPattern(kOverlayDashes);
    return pen;
}
} // namespace

COScopeCtrl::COScopeCtrl(ScopeSampleStore& store, QWidget* parent) : QWidget(parent), store_(store) {
    InstallAccessibility();
    setObjectName(QStringLiteral("COScopeCtrl"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus); // the cursors' keys and the menu key
    setAccessibleName(QString::fromUtf8(kChartName.Pick(korean_)));
    BuildMenu();
    store_.SetLimit(SampleLimit(XMin, XMax));
    store_.SetListener([this] { StoreChanged(); });
}

COScopeCtrl::~COScopeCtrl() {
    store_.SetListener({});
}

bool COScopeCtrl::Create(const QRect& rect) {
    setGeometry(rect);
    show();
    OnSize(rect.width(), rect.height());
    return true;
}

void COScopeCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (ClientRect.Width() != width() || ClientRect.Height() != height()) OnSize(width(), height());
}

void COScopeCtrl::OnSize(int width, int height) {
    ClientRect = {0, 0, width, height};
    RebuildChart();
}

void COScopeCtrl::SetXRange(double min, double max) {
    XMin = min;
    XMax = max;
    store_.SetLimit(SampleLimit(min, max));
    RebuildChart();
}

void COScopeCtrl::SetYRange(double min, double max) {
    YMin = min;
    YMax = max;
    RebuildChart();
}

void COScopeCtrl::SetXUnits(const std::string& text) {
    XUnits = text;
    RebuildChart();
}

void COScopeCtrl::SetYUnits(const std::string& text) {
    YUnits = text;
    RebuildChart();
}

void COScopeCtrl::SetGridLines(int vertical, int horizontal) {
    VerticalLines = vertical;
    HorizontalLines = horizontal;
    RebuildChart();
}

void COScopeCtrl::SetBackgroundColor(const QColor& c) {
    BackgroundColor = c;
    RebuildChart();
}

void COScopeCtrl::SetGridColor(const QColor& c) {
    GridColor = c;
    RebuildChart();
}

void COScopeCtrl::SetAxisColor(const QColor& c) {
    AxisColor = c;
    RebuildChart();
}

void COScopeCtrl::SetTraceColors(const QColor& c1, const QColor& c2, const QColor& c3, const QColor& c4) {
    TraceColor = {c1, c2, c3, c4};
    RebuildChart();
}

void COScopeCtrl::RebuildChart() {
    if (ClientRect.Width() <= 0 || ClientRect.Height() <= 0) return;
    const TextMeasure measure = LabelMeasure();
    int widest = 0;
    for (const std::string& text : YLabelTexts(Ranges(), HorizontalLines))
        widest = std::max(widest, measure.Width(text));
    PlotRect = PlotRectFor(ClientRect, YMin, YMax, widest);
    plot_.Reset(PlotRect.Width(), PlotRect.Height(), BackgroundColor.rgb());
    {
        const ScopeSampleStore::Reader read = store_.Read();
        Sync(read, true);
    }
    FinishSync(true);
}

void COScopeCtrl::DrawGrid() {
    GridImage = QImage(ClientRect.Width(), ClientRect.Height(), QImage::Format_RGB32);
    GridImage.fill(BackgroundColor);
    const TextMeasure measure = LabelMeasure();
    const GridPicture g = LayoutGrid(ClientRect, PlotRect, Ranges(),
                                     {VerticalLines, HorizontalLines, XUnits, YUnits}, &measure);
    gridLabels_ = g.Labels;
    QPainter p(&GridImage);
    p.setRenderHint(QPainter::Antialiasing, false);

    QPen frame(AxisColor, 0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    frame.setCosmetic(true);
    p.setPen(frame);
    p.drawRect(g.Frame.left, g.Frame.top, g.Frame.Width(), g.Frame.Height());

    QPen dots(GridColor, 0, Qt::CustomDashLine, Qt::FlatCap);
    dots.setCosmetic(true);
    dots.setDashPattern(kGridDots);
    p.setPen(dots);
    for (const ChartLine& l : g.HorizontalGrid)
        p.drawLine(l.X1, l.Y1, l.X2, l.Y2);
    for (const ChartLine& l : g.VerticalGrid)
        p.drawLine(l.X1, l.Y1, l.X2, l.Y2);

    const QFont font = LabelFont();
    const QFontMetrics fm(font);
    p.setFont(font);
    p.setPen(AxisColor);
    for (const ChartLabel& label : g.Labels) {
        if (label.Text.empty()) continue;
        if (!label.Vertical) {
            // Opaque in the box the layout measured with this font.
            const ChartRect& b = label.Box;
            p.fillRect(QRect(b.left, b.top, b.Width(), b.Height()), BackgroundColor);
            p.drawText(b.left, b.top + fm.ascent(), Qs(label.Text));
            continue;
        }
        p.save();
        p.translate(label.X, label.Y);
        p.rotate(kVerticalTextAngle);
        DrawLabel(p, fm, Qs(label.Text), QPoint(0, 0), label.Align, BackgroundColor);
        p.restore();
    }
    DrawTriggerMark(p);
}

// Time 0 of a caught trigger, marked on the time axis by a triangle under
// the plot pointing up at it, and one over the plot pointing down.
void COScopeCtrl::DrawTriggerMark(QPainter& p) const {
    if (origin_ == 0.0) return;
    const AxisMap axes(PlotRect, Ranges());
    if (!axes.Valid()) return;
    const double at = axes.XAt(0.0);
    if (!(at >= PlotRect.left && at <= PlotRect.right)) return;
    const int x = static_cast<int>(std::lround(at));
    const int below = PlotRect.bottom + kMarkGap, above = PlotRect.top - kMarkGap;
    p.setPen(Qt::NoPen);
    p.setBrush(AxisColor);
    p.drawPolygon(QPolygon({QPoint(x, below), QPoint(x - kMarkHalfWidth, below + kMarkHeight),
                            QPoint(x + kMarkHalfWidth, below + kMarkHeight)}));
    p.drawPolygon(QPolygon({QPoint(x, above), QPoint(x - kMarkHalfWidth, above - kMarkHeight),
                            QPoint(x + kMarkHalfWidth, above - kMarkHeight)}));
}

// grid XOR plot XOR background over `area`: where two layers cover a pixel
// their colours combine by XOR, as the chart is drawn. Outside the plot
// rectangle the plot layer is background, so the grid shows as it is.
void COScopeCtrl::ComposeInto(QImage* out, const QRect& area) const {
    const QRect r = area.intersected(GridImage.rect()).intersected(out->rect());
    if (r.isEmpty()) return;
    const bool havePlot =
        !plot_.Empty() && plot_.Width() == PlotRect.Width() && plot_.Height() == PlotRect.Height();
    const int from = std::max(r.left(), PlotRect.left), to = std::min(r.right() + 1, PlotRect.right);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const QRgb* grid = reinterpret_cast<const QRgb*>(GridImage.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(out->scanLine(y));
        const bool plotRow = havePlot && y >= PlotRect.top && y < PlotRect.bottom && from < to;
        if (!plotRow) {
            std::memcpy(dst + r.left(), grid + r.left(), static_cast<size_t>(r.width()) * sizeof(QRgb));
            continue;
        }
        std::memcpy(dst + r.left(), grid + r.left(), static_cast<size_t>(from - r.left()) * sizeof(QRgb));
        plot_.ComposeRow(y - PlotRect.top, from - PlotRect.left, to - PlotRect.left, grid + from, dst + from);
        std::memcpy(dst + to, grid + to, static_cast<size_t>(r.right() + 1 - to) * sizeof(QRgb));
    }
}

// The level line and the cursors over the picture, cut to the plot: the
// cursor the keys move solid, the others and the level line dashed.
void COScopeCtrl::DrawOverlays(QImage* out, const QRect& area) const {
    if (!level_ && !cursors_.On && !stepMarks_) return;
    const AxisMap axes(PlotRect, Ranges());
    if (!axes.Valid()) return;
    QPainter p(out);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipRect(PlotArea().intersected(area));
    DrawStepMarks(p, axes);
    const int L = PlotRect.left, T = PlotRect.top, R = PlotRect.right - 1, B = PlotRect.bottom - 1;
    const auto row = [&](double v) {
        return static_cast<int>(std::lround(std::clamp(axes.YAt(v), -1e6, 1e6)));
    };
    const auto column = [&](double t) {
        return static_cast<int>(std::lround(std::clamp(axes.XAt(t), -1e6, 1e6)));
    };
    if (level_) {
        p.setPen(OverlayPen(levelColour_, false));
        p.drawLine(L, row(*level_), R, row(*level_));
    }
    if (!cursors_.On) return;
    const QFont font = LabelFont();
    const QFontMetrics fm(font);
    p.setFont(font);
    const struct {
        CursorId Id;
        double At;
        const char* Name;
    } lines[] = {{CursorId::T1, cursors_.T1, "t1"},
                 {CursorId::T2, cursors_.T2, "t2"},
                 {CursorId::V1, cursors_.V1, "v1"},
                 {CursorId::V2, cursors_.V2, "v2"}};
    for (const auto& line : lines) {
        p.setPen(OverlayPen(AxisColor, line.Id == cursors_.Active));
        if (IsTimeCursor(line.Id)) {
            const int x = column(line.At);
            p.drawLine(x, T, x, B);
            p.drawText(x + kCursorLabelGap, T + fm.ascent(), QString::fromLatin1(line.Name));
        } else {
            const int y = row(line.At);
            p.drawLine(L, y, R, y);
            p.drawText(R - kCursorLabelGap - fm.horizontalAdvance(QString::fromLatin1(line.Name)),
                       y - kCursorLabelGap, QString::fromLatin1(line.Name));
        }
    }
}

void COScopeCtrl::SetStepMarks(std::optional<StepFigures> marks, const QColor& colour) {
    stepMarks_ = std::move(marks);
    stepColour_ = colour;
    update();
}

void COScopeCtrl::DrawStepMarks(QPainter& p, const AxisMap& axes) const {
    if (!stepMarks_ || !stepMarks_->HasStep) return;
    const StepFigures& f = *stepMarks_;
    const auto at = [&](double t, double v) {
        return QPoint(static_cast<int>(std::lround(std::clamp(axes.XAt(t), -1e6, 1e6))),
                      static_cast<int>(std::lround(std::clamp(axes.YAt(v), -1e6, 1e6))));
    };
    const int L = PlotRect.left, T = PlotRect.top, R = PlotRect.right - 1, B = PlotRect.bottom - 1;
    p.setPen(OverlayPen(stepColour_, false));
    for (double v : {f.LowValue, f.HighValue, f.BandLow, f.BandHigh}) {
        const int y = at(0.0, v).y();
        p.drawLine(L, y, R, y);
    }
    p.setPen(OverlayPen(stepColour_, true));
    if (f.Rise.Value) {
        for (const QPoint& c : {at(f.LowTime, f.LowValue), at(f.HighTime, f.HighValue)})
            p.drawRect(c.x() - kStepMarkSize, c.y() - kStepMarkSize, 2 * kStepMarkSize, 2 * kStepMarkSize);
    }
    if (f.Peak.Value) {
        const QPoint c = at(f.PeakAt, *f.Peak.Value);
        p.drawLine(c.x() - kStepMarkSize, c.y() - kStepMarkSize, c.x() + kStepMarkSize,
                   c.y() + kStepMarkSize);
        p.drawLine(c.x() - kStepMarkSize, c.y() + kStepMarkSize, c.x() + kStepMarkSize,
                   c.y() - kStepMarkSize);
    }
    if (f.Settling.Value) {
        const int x = at(f.SettledAt, 0.0).x();
        p.drawLine(x, T, x, B);
    }
}

QImage COScopeCtrl::ComposedImage() const {
    QImage out(GridImage.size(), QImage::Format_RGB32);
    if (out.isNull()) return out;
    ComposeInto(&out, out.rect());
    DrawOverlays(&out, out.rect());
    return out;
}

QImage COScopeCtrl::PlotPicture() const {
    QImage out(GridImage.size(), QImage::Format_RGB32);
    if (out.isNull()) return out;
    out.fill(BackgroundColor);
    if (!plot_.Empty()) {
        QPainter p(&out);
        p.drawImage(PlotRect.left, PlotRect.top, plot_.Unrolled());
    }
    return out;
}

void COScopeCtrl::paintEvent(QPaintEvent* event) {
    const QRect r = event->rect();
    QPainter screen(this);
    if (GridImage.size() != size()) {
        screen.fillRect(r, BackgroundColor);
        return;
    }
    if (paintScratch_.size() != size()) paintScratch_ = QImage(size(), QImage::Format_RGB32);
    ComposeInto(&paintScratch_, r);
    DrawOverlays(&paintScratch_, r);
    screen.drawImage(r.topLeft(), paintScratch_, r);
}

void COScopeCtrl::UpdateAccessibleDescription() {
    const LocalText& d = kChartDescription;
    const ChartRanges r = Ranges();
    setAccessibleDescription(QString::fromUtf8(d.Pick(korean_))
                                 .arg(Qs(FormatAxisNumber(AxisTime(r, XMax))),
                                      Qs(FormatAxisNumber(AxisTime(r, XMin))), Qs(FormatAxisNumber(YMin)),
                                      Qs(FormatAxisNumber(YMax))));
}

} // namespace velt
