#include "scope/COScopeCtrl.h"

#include "base/MessageService.h"
#include "platform/AtomicFile.h"
#include "scope/ScopeTexts.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QSaveFile>
#include <QToolTip>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace velt {

namespace {
// Dots of the grid lines: three pixels on, three off.
const QList<qreal> kGridDots{3, 3};
constexpr int kLabelFontPixels = 12; // a cell height of about 14 pixels
constexpr int kVerticalTextAngle = -90;
// Traces drawn over more than a quarter of the plot are cleared and
// recombined over the whole plot at once.
constexpr long kWholePlotShare = 4;

COScopeCtrl::FileNameHook& FileNameHookSlot() {
    static COScopeCtrl::FileNameHook hook;
    return hook;
}

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

// out = a XOR b XOR c for one row, four pixels at a time; the three images
// never overlap, which lets the compiler use vector registers.
void XorRow(const QRgb* __restrict a, const QRgb* __restrict b, QRgb c, QRgb* __restrict out, int n) {
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        out[x] = a[x] ^ b[x] ^ c;
        out[x + 1] = a[x + 1] ^ b[x + 1] ^ c;
        out[x + 2] = a[x + 2] ^ b[x + 2] ^ c;
        out[x + 3] = a[x + 3] ^ b[x + 3] ^ c;
    }
    for (; x < n; ++x)
        out[x] = a[x] ^ b[x] ^ c;
}

// One row of pixels in one colour, four at a time (vector registers).
void FillRow(QRgb* __restrict out, QRgb c, int n) {
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        out[x] = c;
        out[x + 1] = c;
        out[x + 2] = c;
        out[x + 3] = c;
    }
    for (; x < n; ++x)
        out[x] = c;
}

QString Qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

COScopeCtrl::COScopeCtrl(QWidget* parent, std::mutex* ownerLock) : QWidget(parent), ownerLock_(ownerLock) {
    setObjectName(QStringLiteral("COScopeCtrl"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    for (int i = 0; i < kScopeTraces; ++i)
        TracePens[static_cast<size_t>(i)] = TracePen(TraceColor[static_cast<size_t>(i)]);
    setAccessibleName(QString::fromUtf8(kChartName.Pick(korean_)));
}

std::unique_lock<std::mutex> COScopeCtrl::LockOwner() const {
    return ownerLock_ ? std::unique_lock<std::mutex>(*ownerLock_) : std::unique_lock<std::mutex>();
}

bool COScopeCtrl::Create(const QRect& rect) {
    setGeometry(rect);
    show();
    auto lock = LockOwner();
    OnSize(rect.width(), rect.height());
    return true;
}

void COScopeCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    auto lock = LockOwner();
    if (ClientRect.Width() != width() || ClientRect.Height() != height()) OnSize(width(), height());
}

void COScopeCtrl::OnSize(int width, int height) {
    ClientRect = {0, 0, width, height};
    RebuildChart();
}

void COScopeCtrl::SetXRange(double min, double max) {
    XMin = min;
    XMax = max;
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
    for (int i = 0; i < kScopeTraces; ++i)
        TracePens[static_cast<size_t>(i)] = TracePen(TraceColor[static_cast<size_t>(i)]);
    RebuildChart();
}

void COScopeCtrl::RebuildChart() {
    if (ClientRect.Width() <= 0 || ClientRect.Height() <= 0) return;
    PlotRect = PlotRectFor(ClientRect, YMin, YMax);
    DrawGrid();
    PlotImage = QImage(ClientRect.Width(), ClientRect.Height(), QImage::Format_RGB32);
    PlotImage.fill(BackgroundColor);
    for (PlotDamage& d : drawn_)
        d.Reset(PlotRect);
    ShownImage = QImage(ClientRect.Width(), ClientRect.Height(), QImage::Format_RGB32);
    ComposeInto(&ShownImage, ShownImage.rect());
    RenderPlot();
    UpdateAccessibleDescription();
    update();
}

void COScopeCtrl::DrawGrid() {
    GridImage = QImage(ClientRect.Width(), ClientRect.Height(), QImage::Format_RGB32);
    GridImage.fill(BackgroundColor);
    const GridPicture g =
        LayoutGrid(ClientRect, PlotRect, Ranges(), {VerticalLines, HorizontalLines, XUnits, YUnits});
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
            DrawLabel(p, fm, Qs(label.Text), QPoint(label.X, label.Y), label.Align, BackgroundColor);
            continue;
        }
        p.save();
        p.translate(label.X, label.Y);
        p.rotate(kVerticalTextAngle);
        DrawLabel(p, fm, Qs(label.Text), QPoint(0, 0), label.Align, BackgroundColor);
        p.restore();
    }
}

void COScopeCtrl::FillPlotBackground() {
    const QRect r = PlotArea().intersected(PlotImage.rect());
    const QRgb colour = BackgroundColor.rgb() | 0xFF000000u;
    uchar* bits = PlotImage.bits();
    for (int y = r.top(); y <= r.bottom(); ++y)
        FillRow(reinterpret_cast<QRgb*>(bits + y * PlotImage.bytesPerLine()) + r.left(), colour, r.width());
}

// For every pixel a trace drew: `clear` puts the plot's background back
// first; then ShownImage gets grid XOR plot XOR background there again.
void COScopeCtrl::Recombine(const PlotDamage& damage, bool clear) {
    if (damage.Empty()) return;
    const ChartRect& b = damage.Bounds();
    dirtyBox_ |= QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom));
    const QRgb background = BackgroundColor.rgb() | 0xFF000000u;
    const qsizetype stride = PlotImage.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* plot = reinterpret_cast<QRgb*>(PlotImage.bits());
    QRgb* shown = reinterpret_cast<QRgb*>(ShownImage.bits());
    const QRgb* grid = reinterpret_cast<const QRgb*>(GridImage.constBits());
    for (int x = b.left; x <= b.right; ++x) {
        const PlotDamage::Rows rows = damage.At(x);
        for (int y = rows.Top; y <= rows.Bottom; ++y) {
            const qsizetype at = y * stride + x;
            if (clear) plot[at] = background;
            shown[at] = grid[at] ^ plot[at] ^ background;
        }
    }
}

// Each render clears only what the last one drew and recombines only the
// pixels that changed: a trace costs the rows it touches, not the whole plot.
// Traces that cover much of the plot (noise over a long range) are cheaper
// to clear and recombine row by row over the whole plot.
void COScopeCtrl::RenderPlot() {
    if (PlotImage.isNull() || ShownImage.size() != PlotImage.size()) return;
    const long wholePlot = static_cast<long>(PlotRect.Width()) * PlotRect.Height();
    const auto drawnPixels = [this] {
        long n = 0;
        for (const PlotDamage& d : drawn_)
            n += d.Pixels();
        return n;
    };
    const bool clearAll = drawnPixels() * kWholePlotShare > wholePlot;
    if (clearAll) {
        FillPlotBackground();
    } else {
        for (const PlotDamage& d : drawn_)
            Recombine(d, true);
    }
    TraceJob job;
    job.Samples = &Samples;
    job.PointCount = PointCount;
    job.TraceCount = TraceCount;
    job.Enabled = TraceEnabled;
    job.Ranges = Ranges();
    job.Plot = PlotRect;
    RenderTraces(PlotImage, job, TracePens, renderer_, &scratch_, &drawn_);
    if (clearAll || drawnPixels() * kWholePlotShare > wholePlot) {
        ComposeInto(&ShownImage, PlotArea());
        dirtyBox_ |= PlotArea();
    } else {
        for (const PlotDamage& d : drawn_)
            Recombine(d, false);
    }
    RenderCount.fetch_add(1);
}

void COScopeCtrl::ClearPlot() {
    if (!PlotImage.isNull()) {
        FillPlotBackground();
        for (PlotDamage& d : drawn_)
            d.Reset(PlotRect);
        ComposeInto(&ShownImage, PlotArea());
        QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
    }
    PointCount = 0;
}

void COScopeCtrl::AppendSamples(const TraceFlags& enabled, const TraceValues& values) {
    TraceCount = kScopeTraces;
    TraceEnabled = enabled;
    const double limit = SampleLimit(XMin, XMax);
    Samples.Push(values);
    PointCount = NextPointCount(PointCount, limit);
    RenderPlot();
    // One repaint in flight at a time: a busy user-interface thread gets one
    // paint for several appends, not a queue of them.
    if (!repaintPending_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                repaintPending_.store(false);
                QRect changed;
                {
                    auto lock = LockOwner();
                    std::swap(changed, dirtyBox_);
                }
                if (!changed.isEmpty()) update(changed);
            },
            Qt::QueuedConnection);
    }
}

// grid XOR plot XOR background over `area`, in one pass per row: where two
// layers cover a pixel their colours combine by XOR, as the chart is drawn.
void COScopeCtrl::ComposeInto(QImage* out, const QRect& area) const {
    const QRect r = area.intersected(GridImage.rect());
    const QRgb background = BackgroundColor.rgb() | 0xFF000000u;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        XorRow(reinterpret_cast<const QRgb*>(GridImage.constScanLine(y)) + r.left(),
               reinterpret_cast<const QRgb*>(PlotImage.constScanLine(y)) + r.left(), background,
               reinterpret_cast<QRgb*>(out->scanLine(y)) + r.left(), r.width());
    }
}

QImage COScopeCtrl::ComposedImage() const {
    return ShownImage.copy();
}

void COScopeCtrl::paintEvent(QPaintEvent* event) {
    const QRect r = event->rect();
    QPainter screen(this);
    auto lock = LockOwner();
    if (ShownImage.size() != size())
        screen.fillRect(r, BackgroundColor);
    else
        screen.drawImage(r.topLeft(), ShownImage, r);
}

void COScopeCtrl::UpdateAccessibleDescription() {
    const LocalText& d = kChartDescription;
    setAccessibleDescription(QString::fromUtf8(d.Pick(korean_))
                                 .arg(Qs(FormatAxisNumber(-XMax)), Qs(FormatAxisNumber(-XMin)),
                                      Qs(FormatAxisNumber(YMin)), Qs(FormatAxisNumber(YMax))));
}

void COScopeCtrl::SetTraceNames(const std::array<std::string, kScopeTraces>& names) {
    auto lock = LockOwner();
    traceNames_ = names;
}

void COScopeCtrl::SetKorean(bool korean) {
    korean_ = korean;
    setAccessibleName(QString::fromUtf8(kChartName.Pick(korean_)));
    auto lock = LockOwner();
    UpdateAccessibleDescription();
}

ChartView COScopeCtrl::View() const {
    ChartView v;
    v.Samples = &Samples;
    v.PointCount = PointCount;
    v.TraceCount = TraceCount;
    v.TraceEnabled = TraceEnabled;
    v.Ranges = Ranges();
    v.TraceNames = traceNames_;
    return v;
}

QString COScopeCtrl::HoverTextAt(const QPoint& pos) const {
    auto lock = LockOwner();
    if (pos.x() < PlotRect.left || pos.x() >= PlotRect.right || pos.y() < PlotRect.top ||
        pos.y() >= PlotRect.bottom)
        return {};
    const PixelMap map(PlotRect, Ranges());
    if (!map.Drawable()) return {};
    return Qs(HoverReadout(View(), map.AgeAt(pos.x())));
}

void COScopeCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QString text = HoverTextAt(event->position().toPoint());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
    QWidget::mouseMoveEvent(event);
}

std::string COScopeCtrl::CsvText() const {
    auto lock = LockOwner();
    return ScopeCsv(View(), kCsvTimeHeader.Pick(korean_));
}

bool COScopeCtrl::ExportCsvTo(const QString& path) {
    const std::string csv = CsvText();
    if (!WriteFileAtomically(std::filesystem::path(path.toStdU16String()), csv)) {
        ShowMessage(kScopeFileSaveError.Pick(korean_));
        return false;
    }
    return true;
}

bool COScopeCtrl::SaveImageTo(const QString& path) {
    QImage image;
    {
        auto lock = LockOwner();
        image = ComposedImage();
    }
    QSaveFile file(path);
    const bool ok =
        !image.isNull() && file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
    if (!ok) ShowMessage(kScopeFileSaveError.Pick(korean_));
    return ok;
}

COScopeCtrl::FileNameHook COScopeCtrl::SetFileNameHook(FileNameHook hook) {
    FileNameHook previous = std::move(FileNameHookSlot());
    FileNameHookSlot() = std::move(hook);
    return previous;
}

QString COScopeCtrl::AskFileName(const QString& caption, const QString& filter, const QString& suffix) {
    static QString lastFolder;
    QString path = FileNameHookSlot() ? FileNameHookSlot()(caption, filter)
                                      : QFileDialog::getSaveFileName(this, caption, lastFolder, filter);
    if (path.isEmpty()) return {};
    if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
    lastFolder = QFileInfo(path).absolutePath();
    return path;
}

void COScopeCtrl::OnExportCsv() {
    const QString path = AskFileName(QString::fromUtf8(kExportCsvCaption.Pick(korean_)),
                                     QString::fromUtf8(kCsvFilter.Pick(korean_)), QStringLiteral("csv"));
    if (!path.isEmpty()) ExportCsvTo(path);
}

void COScopeCtrl::OnSaveImage() {
    const QString path = AskFileName(QString::fromUtf8(kSaveImageCaption.Pick(korean_)),
                                     QString::fromUtf8(kPngFilter.Pick(korean_)), QStringLiteral("png"));
    if (!path.isEmpty()) SaveImageTo(path);
}

QMenu* COScopeCtrl::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(QString::fromUtf8(kExportCsvMenu.Pick(korean_)), this, &COScopeCtrl::OnExportCsv);
    menu->addAction(QString::fromUtf8(kSaveImageMenu.Pick(korean_)), this, &COScopeCtrl::OnSaveImage);
    return menu;
}

void COScopeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(CreateContextMenu(this));
    menu->exec(event->globalPos());
}

} // namespace velt
