#include "scope/COScopeCtrl.h"

#include "params/AtomicFile.h"
#include "platform/MessageService.h"
#include "scope/ScopeTexts.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSaveFile>
#include <QToolTip>

#include <filesystem>
#include <memory>

namespace velt {

namespace {
// Dots of the grid lines: three pixels on, three off.
const QList<qreal> kGridDots{3, 3};
constexpr int kLabelFontPixels = 12; // a cell height of about 14 pixels
constexpr int kVerticalTextAngle = -90;

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
    QPainter p(&PlotImage);
    p.fillRect(QRect(PlotRect.left, PlotRect.top, PlotRect.Width(), PlotRect.Height()), BackgroundColor);
}

void COScopeCtrl::RenderPlot() {
    if (PlotImage.isNull()) return;
    FillPlotBackground();
    TraceJob job;
    job.Samples = &Samples;
    job.PointCount = PointCount;
    job.TraceCount = TraceCount;
    job.Enabled = TraceEnabled;
    job.Ranges = Ranges();
    job.Plot = PlotRect;
    QPainter p(&PlotImage);
    RenderTraces(p, job, TracePens, renderer_, &scratch_);
    RenderCount.fetch_add(1);
}

void COScopeCtrl::ClearPlot() {
    if (!PlotImage.isNull()) {
        FillPlotBackground();
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
                update();
            },
            Qt::QueuedConnection);
    }
}

QImage COScopeCtrl::ComposedImage() const {
    if (GridImage.isNull()) return {};
    QImage out = GridImage.copy();
    QPainter p(&out);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(0, 0, PlotImage);
    p.fillRect(out.rect(), BackgroundColor);
    return out;
}

void COScopeCtrl::paintEvent(QPaintEvent* event) {
    const QRect r = event->rect();
    {
        auto lock = LockOwner();
        if (paintBuffer_.size() != size()) paintBuffer_ = QImage(size(), QImage::Format_RGB32);
        QPainter p(&paintBuffer_);
        if (GridImage.isNull() || GridImage.size() != size()) {
            p.fillRect(r, BackgroundColor);
        } else {
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(r.topLeft(), GridImage, r);
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.drawImage(r.topLeft(), PlotImage, r);
            p.fillRect(r, BackgroundColor);
        }
    }
    QPainter screen(this);
    screen.drawImage(r.topLeft(), paintBuffer_, r);
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
