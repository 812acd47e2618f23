#pragma once
// The strip chart: up to four traces against time, newest sample at the
// right edge, scrolling left as samples arrive (20 per second). The frame,
// dotted grid and labels are drawn once per rebuild into GridImage; the
// traces are rendered into PlotImage on every append; the picture shown is
// the two combined (grid XOR plot XOR background), so a trace shows in its
// own colour over the background and as the XOR of the three colours over
// grid and labels. That picture (ShownImage) is brought up to date by each
// render where traces changed, so a paint only copies it.
//
// Threads and the lock: the chart has no lock of its own. Its owner passes
// the one lock that serialises it (the scope window's chart lock) and holds
// that lock around every call of the setters, ClearPlot, AppendSamples and
// RenderPlot. The chart itself takes it in its event handlers (resize, paint,
// hover) and in the export functions. AppendSamples and RenderPlot may run on
// a worker thread: they touch only the images and the sample data, and ask
// for a repaint by a queued call. Everything else is user-interface thread
// only.
#include "scope/ChartMath.h"
#include "scope/ScopeExport.h"
#include "scope/ScopeSamples.h"
#include "scope/ScopeTraceRender.h"

#include <QColor>
#include <QImage>
#include <QPen>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

class QMenu;

namespace velt {

class COScopeCtrl : public QWidget {
    Q_OBJECT
public:
    explicit COScopeCtrl(QWidget* parent = nullptr, std::mutex* ownerLock = nullptr);

    // Places the chart at `rect` in the parent's coordinates, shows it and
    // rebuilds (the images exist from here on). Takes the owner's lock.
    bool Create(const QRect& rect);

    // Each followed by RebuildChart. Caller holds the owner's lock.
    void SetXRange(double min, double max);
    void SetYRange(double min, double max);
    void SetXUnits(const std::string& text);
    void SetYUnits(const std::string& text);
    void SetGridLines(int vertical, int horizontal);
    void SetBackgroundColor(const QColor& c);
    void SetGridColor(const QColor& c);
    void SetAxisColor(const QColor& c);
    void SetTraceColors(const QColor& c1, const QColor& c2, const QColor& c3, const QColor& c4);

    // Fills the plot with the background and shows no sample until the next
    // append (the ring keeps its old samples). Caller holds the lock.
    void ClearPlot();
    // Stores one sample per trace, re-renders and asks for a repaint. Any
    // thread; caller holds the lock.
    void AppendSamples(const TraceFlags& enabled, const TraceValues& values);
    // Redraws every shown sample under the current ranges. Caller holds the lock.
    void RenderPlot();
    // Margin, background image, plot image, repaint. Caller holds the lock;
    // user-interface thread.
    void RebuildChart();

    // A copy of ShownImage: the picture as painted. Caller holds the lock.
    QImage ComposedImage() const;

    // For the hover read-out, the export and the context menu: names of the
    // traces for the read-out and the CSV columns, the language of the menu and messages, and the
    // right-click actions. User-interface thread; these take the lock.
    void SetTraceNames(const std::array<std::string, kScopeTraces>& names);
    void SetKorean(bool korean);
    QString HoverTextAt(const QPoint& pos) const; // empty outside the plot area
    std::string CsvText() const;
    bool ExportCsvTo(const QString& path);
    bool SaveImageTo(const QString& path);
    QMenu* CreateContextMenu(QWidget* parent); // "Export CSV...", "Save Image..."

    // Where the right-click actions get their file name: a save dialog unless
    // a test installs its own (an empty result cancels). Returns the previous one.
    using FileNameHook = std::function<QString(const QString& caption, const QString& filter)>;
    static FileNameHook SetFileNameHook(FileNameHook hook);

    // The renderer used from now on (the benchmark compares both).
    void SetRenderer(TraceRenderer renderer) { renderer_ = renderer; }

    // The chart's state, in the order the scope window sets it.
    int TraceCount = 1;
    int PointCount = 0;
    ScopeSamples Samples;
    TraceFlags TraceEnabled{};
    std::string XUnits = "Samples";
    std::string YUnits = "Y units";
    QColor BackgroundColor{255, 255, 255};
    QColor GridColor{0, 255, 255};
    std::array<QColor, kScopeTraces> TraceColor{QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255),
                                                QColor(200, 200, 200)};
    QColor AxisColor{0, 0, 0};
    int VerticalLines = 9;
    int HorizontalLines = 5;
    double YMin = -10.0, YMax = 10.0;
    double XMin = 0.0, XMax = 4.0;
    ChartRect ClientRect;
    ChartRect PlotRect;
    std::array<QPen, kScopeTraces> TracePens;
    QImage GridImage; // background, frame, grid, labels
    QImage PlotImage; // rendered traces
    // GridImage XOR PlotImage XOR background: the picture painted. Kept up to
    // date by every render, so a paint only copies it.
    QImage ShownImage;

    // Number of renders so far (tests, benchmark).
    std::atomic<uint64_t> RenderCount{0};

public slots:
    void OnExportCsv();
    void OnSaveImage();

protected:
    void resizeEvent(QResizeEvent* event) override; // OnSize
    void paintEvent(QPaintEvent* event) override;   // OnPaint
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::unique_lock<std::mutex> LockOwner() const;
    void OnSize(int width, int height);
    void DrawGrid();
    void FillPlotBackground();
    void Recombine(const PlotDamage& damage, bool clear);
    void ComposeInto(QImage* out, const QRect& area) const;
    QRect PlotArea() const { return QRect(PlotRect.left, PlotRect.top, PlotRect.Width(), PlotRect.Height()); }
    ChartRanges Ranges() const { return {XMin, XMax, YMin, YMax}; }
    ChartView View() const;
    void UpdateAccessibleDescription();
    QString AskFileName(const QString& caption, const QString& filter, const QString& suffix);

    std::mutex* ownerLock_;
    TraceRenderer renderer_ = TraceRenderer::ColumnReduced;
    TraceRenderScratch scratch_;
    std::array<std::string, kScopeTraces> traceNames_{"Ch 1", "Ch 2", "Ch 3", "Ch 4"};
    bool korean_ = false;
    std::atomic<bool> repaintPending_{false};
    // Under the owner's lock: the pixels each trace drew in the last render,
    // and the box that changed since the last repaint was asked for.
    TraceDamage drawn_;
    QRect dirtyBox_;
};

} // namespace velt
