#pragma once
// The strip chart: up to four traces against time, newest sample at the
// right edge, scrolling left as samples arrive (20 per second). The frame,
// dotted grid and labels are drawn once per rebuild into GridImage; the
// traces live in a plot picture of their own; the picture shown is the two
// combined (grid XOR plot XOR background), so a trace shows in its own
// colour over the background and as the XOR of the three colours over grid
// and labels. The trigger level and the measuring cursors are drawn over
// that when it is painted.
//
// An append costs what it adds: the plot picture is a ring of pixel columns
// (PlotRing), every sample keeps its column on a grid fixed to the sample
// numbers, so one more sample shifts the picture by whole columns; only the
// columns that come in at the right, the newest sample's own and those the
// oldest sample leaves at the left are drawn again. The result is the picture
// a full render draws, pixel for pixel. A range, scale or colour change, a
// clear, a change of the traces shown or a jump of more than half the plot
// renders everything.
//
// Threads and the lock: the chart has no lock of its own. Its owner passes
// the one lock that serialises it (the scope window's chart lock) and holds
// that lock around every call of the setters, ClearPlot, AppendSamples,
// ShowNewestOf, SetXOrigin and RenderPlot. The chart itself takes it in its
// event handlers (resize, paint, mouse, keys) and in the functions marked
// below. AppendSamples, ShowNewestOf, SetXOrigin and RenderPlot may run on a
// worker thread: they touch only the plot picture and the sample data, and
// ask for a repaint (and new labels) by a queued call. Everything else is
// user-interface thread only.
#include "scope/ChartMath.h"
#include "scope/ScopeCursors.h"
#include "scope/ScopeExport.h"
#include "scope/ScopeSamples.h"
#include "scope/ScopeTraceRender.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QAction;
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
    // Stores one sample per trace, draws what it changes and asks for a
    // repaint. Any thread; caller holds the lock.
    void AppendSamples(const TraceFlags& enabled, const TraceValues& values);
    // Shows the `count` newest samples of `from` (another store) as the
    // newest of this chart, with time 0 of the axis `originAge` samples
    // before the newest (a caught trigger; 0 for a running trace). Renders
    // everything and asks for new labels. Any thread; caller holds the lock.
    void ShowNewestOf(const ScopeSamples& from, int count, const TraceFlags& enabled, double originAge);
    // Time 0 of the axis, in seconds before the newest sample (see
    // ChartRanges::XOrigin); new labels follow. Any thread; caller holds the lock.
    void SetXOrigin(double seconds);
    // Redraws every shown sample under the current ranges. Caller holds the lock.
    void RenderPlot();
    // Margin, background image, plot, repaint. Caller holds the lock;
    // user-interface thread.
    void RebuildChart();

    // The picture as painted, with the level line and the cursors. Caller
    // holds the lock.
    QImage ComposedImage() const;
    // The plot layer alone, client-sized: the background with the traces in
    // the plot rectangle. Caller holds the lock.
    QImage PlotPicture() const;

    // For the read-outs, the export and the context menu: names of the
    // traces (read-out lines and CSV columns) and the language of the menu
    // and messages. User-interface thread; these take the lock.
    void SetTraceNames(const std::array<std::string, kScopeTraces>& names);
    void SetKorean(bool korean);
    QString HoverTextAt(const QPoint& pos) const; // empty outside the plot area
    std::string CsvText() const;
    std::string CursorCsvText() const;     // the samples between the time cursors
    std::string CursorReadoutText() const; // empty while the cursors are off
    bool ExportCsvTo(const QString& path, bool betweenCursors = false);
    bool SaveImageTo(const QString& path);

    // The trigger level as a dashed line across the plot in `colour`, or
    // none. User-interface thread; takes the lock.
    void SetLevelLine(std::optional<double> level, const QColor& colour);
    std::optional<double> LevelLine() const;

    // The measuring cursors. Switching them on places them at a quarter and
    // three quarters of both ranges. User-interface thread; these take the lock.
    void SetCursorsOn(bool on);
    void SetCursors(const ChartCursors& cursors);
    ChartCursors Cursors() const;

    // The right-click menu, kept for the chart's life so that screen readers
    // and test robots find it: "Export CSV...", "Export CSV Between
    // Cursors...", "Save Image...", "Cursors"; owners add their own entries.
    // It opens with the mouse, the Menu key and Shift+F10, and by the
    // accessibility action "ShowMenu" of the chart.
    QMenu* ContextMenu() const { return menu_; }
    QAction* CursorsAction() const { return cursorsAction_; }
    QAction* CursorCsvAction() const { return cursorCsvAction_; }
    // Opens the menu at `pos` (chart coordinates) without waiting for it.
    void OpenContextMenu(const QPoint& pos);

    // Where the file actions get their file name: a save dialog unless a test
    // installs its own (an empty result cancels). Returns the previous one.
    using FileNameHook = std::function<QString(const QString& caption, const QString& filter)>;
    static FileNameHook SetFileNameHook(FileNameHook hook);
    // A file name from the hook or a save dialog, `suffix` added when the
    // name has none; empty when cancelled.
    static QString AskFileName(QWidget* parent, const QString& caption, const QString& filter,
                               const QString& suffix);

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
    double XOrigin = 0.0;
    ChartRect ClientRect;
    ChartRect PlotRect;
    QImage GridImage; // background, frame, grid, labels, trigger mark
    // The labels drawn into GridImage with their boxes. Caller holds the lock.
    const std::vector<ChartLabel>& GridLabels() const { return gridLabels_; }

    // Renders so far (tests, benchmark): all of them, and those that drew
    // the whole plot.
    std::atomic<uint64_t> RenderCount{0};
    std::atomic<uint64_t> FullRenderCount{0};

signals:
    // The user dragged the level line to `level` (plotted units).
    void LevelDragged(double level);
    // The cursors moved, or were switched on or off.
    void CursorsChanged();

public slots:
    void OnExportCsv();
    void OnExportCursorCsv();
    void OnSaveImage();

protected:
    void resizeEvent(QResizeEvent* event) override; // OnSize
    void paintEvent(QPaintEvent* event) override;   // OnPaint
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What a mouse press grabbed.
    enum class Grab { None, Level, T1, T2, V1, V2 };

    std::unique_lock<std::mutex> LockOwner() const;
    void OnSize(int width, int height);
    void DrawGrid();
    void DrawTriggerMark(QPainter& p) const;
    void RenderIncrement(int64_t previousNewest, int previousCount);
    void RenderColumns(int from, int to);
    void RequestRepaint(const QRect& area);
    void RequestGridRefresh();
    void ComposeInto(QImage* out, const QRect& area) const;
    void DrawOverlays(QImage* out, const QRect& area) const;
    QRect PlotArea() const { return QRect(PlotRect.left, PlotRect.top, PlotRect.Width(), PlotRect.Height()); }
    ChartRanges Ranges() const { return {XMin, XMax, YMin, YMax, XOrigin}; }
    TraceJob Job() const;
    ChartView View() const;
    void UpdateAccessibleDescription();
    static void InstallAccessibility();
    void BuildMenu();
    void RetranslateMenu();
    // Mouse and keys on the level line and the cursors (COScopeCtrlInput.cpp).
    Grab GrabAt(const QPoint& pos) const;
    void DragTo(Grab grab, const QPoint& pos);
    void MoveActiveCursor(int dx, int dy);
    void CursorsMoved();

    std::mutex* ownerLock_;
    TraceRenderer renderer_ = TraceRenderer::ColumnReduced;
    TraceRenderScratch scratch_;
    std::array<std::string, kScopeTraces> traceNames_{"Ch 1", "Ch 2", "Ch 3", "Ch 4"};
    bool korean_ = false;
    std::atomic<bool> repaintPending_{false};
    std::atomic<bool> gridRefreshPending_{false};

    // Under the owner's lock: the plot picture, what it shows (its newest
    // sample, the count and traces drawn; false when it must be drawn whole
    // before it can be extended), the box that changed since the last
    // repaint was asked for, and the overlays.
    PlotRing plot_;
    bool plotCurrent_ = false;
    int64_t plotNewest_ = -1;
    int plotCount_ = 0;
    TraceFlags plotEnabled_{};
    int plotTraceCount_ = 1;
    QRect dirtyBox_;
    std::optional<double> level_;
    QColor levelColour_;
    std::vector<ChartLabel> gridLabels_;
    ChartCursors cursors_;

    mutable QImage paintScratch_; // user-interface thread: the picture of one paint
    Grab grab_ = Grab::None;      // user-interface thread
    QMenu* menu_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* cursorCsvAction_ = nullptr;
    QAction* saveImageAction_ = nullptr;
    QAction* cursorsAction_ = nullptr;
};

} // namespace velt
