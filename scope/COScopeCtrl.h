#pragma once
// The strip chart: up to four traces against time, newest sample at the
// right edge, scrolling left as samples arrive (20 per second). The samples
// and their bookkeeping live in a ScopeSampleStore that the chart's owner
// hands in; the chart paints what the store holds. The frame, dotted grid
// and labels are drawn once per rebuild into GridImage; the traces live in a
// plot picture of their own; the picture shown is the two combined (grid XOR
// plot XOR background), so a trace shows in its own colour over the
// background and as the XOR of the three colours over grid and labels. The
// trigger level and the measuring cursors are drawn over that when it is
// painted.
//
// An update costs what was added: the plot picture is a ring of pixel
// columns (PlotRing), every sample keeps its column on a grid fixed to the
// sample numbers, so more samples shift the picture by whole columns; only
// the columns that come in at the right, the newest samples' own and those
// the oldest samples leave at the left are drawn again. The result is the
// picture a full render draws, pixel for pixel. A range, scale or colour
// change, a clear, a caught span, a change of the traces shown or a jump of
// more than half the plot renders everything.
//
// Threads: the chart, its pictures, ranges, colours, cursors and level line
// are user-interface thread only and need no lock. Any thread may write into
// the store; the store then calls the chart (StoreChanged), which brings its
// picture up to date at once on the user-interface thread and otherwise asks
// for that by one queued call at a time. Drawing and exports read the store
// under its lock (ScopeSampleStore::Reader), held for that read alone.
#include "scope/ChartMath.h"
#include "scope/ScopeCursors.h"
#include "scope/ScopeExport.h"
#include "scope/ScopeSampleStore.h"
#include "scope/ScopeTraceRender.h"
#include "scope/StepResponse.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace velt {

class COScopeCtrl : public QWidget {
    Q_OBJECT
public:
    // Shows the samples of `store`, which outlives the chart; the chart is
    // the store's listener from here until it is destroyed (both while no
    // writer runs).
    explicit COScopeCtrl(ScopeSampleStore& store, QWidget* parent = nullptr);
    ~COScopeCtrl() override;

    // Places the chart at `rect` in the parent's coordinates, shows it and
    // rebuilds (the images exist from here on).
    bool Create(const QRect& rect);

    // Each followed by RebuildChart. The X range also tells the store how
    // many samples it holds (the shown count follows at the next append).
    void SetXRange(double min, double max);
    void SetYRange(double min, double max);
    void SetXUnits(const std::string& text);
    void SetYUnits(const std::string& text);
    void SetGridLines(int vertical, int horizontal);
    void SetBackgroundColor(const QColor& c);
    void SetGridColor(const QColor& c);
    void SetAxisColor(const QColor& c);
    void SetTraceColors(const QColor& c1, const QColor& c2, const QColor& c3, const QColor& c4);

    // The store's Clear: the plot shows no sample until the next append (the
    // ring keeps its old samples).
    void ClearPlot();
    // The store's Append: one sample per trace. Any thread.
    void AppendSamples(const TraceFlags& enabled, const TraceValues& values);

    // Brings the plot picture, the labels and the cursors up to what the
    // store holds: extends the picture by the samples appended since, or
    // renders it whole. What StoreChanged runs on the user-interface thread.
    void UpdatePlot();
    // The store's listener: any thread.
    void StoreChanged();
    // Changes that come from another thread are brought up on the next mark
    // of the steady clock `every` apart (0, as at start: as soon as the
    // user-interface thread can). Charts fed faster than a picture needs
    // then repaint at that pace, and several charts in the same pass.
    // User-interface thread.
    void SetUpdateMarks(std::chrono::milliseconds every) {
        updateEveryMs_.store(static_cast<int>(every.count()));
    }
    // Redraws every shown sample under the current ranges.
    void RenderPlot();
    // Margin, background image, plot, repaint.
    void RebuildChart();

    // The ranges the picture shows, with its time origin.
    ChartRanges Ranges() const { return {XMin, XMax, YMin, YMax, origin_}; }

    // The picture as painted, with the level line and the cursors.
    QImage ComposedImage() const;
    // The plot layer alone, client-sized: the background with the traces in
    // the plot rectangle.
    QImage PlotPicture() const;

    // For the read-outs, the export and the context menu: names of the
    // traces (read-out lines and CSV columns) and the language of the menu
    // and messages. The read-outs and exports read the store under its lock.
    void SetTraceNames(const std::array<std::string, kScopeTraces>& names);
    void SetKorean(bool korean);
    QString HoverTextAt(const QPoint& pos) const; // empty outside the plot area
    std::string CsvText() const;
    std::string CursorCsvText() const;     // the samples between the time cursors
    std::string CursorReadoutText() const; // empty while the cursors are off
    bool ExportCsvTo(const QString& path, bool betweenCursors = false);
    // Lines written as comments ("# ...") at the head of every CSV export;
    // none when empty.
    void SetCsvComments(std::vector<std::string> lines) { csvComments_ = std::move(lines); }
    // The drive the samples come from ("drive 2 X axis"), the first comment
    // line of every CSV export; none when empty.
    void SetCsvDrive(std::string caption) { csvDrive_ = std::move(caption); }
    // The step figures of `trace` on show, against `command` (-1: none),
    // between the time cursors while they are on, else over all shown.
    StepFigures ComputeStep(int trace, int command, const StepSettings& settings) const;
    // Marks of step figures over the plot (levels, band, rise points, peak,
    // settling time) in `colour`, or none.
    void SetStepMarks(std::optional<StepFigures> marks, const QColor& colour);
    bool HasStepMarks() const { return stepMarks_.has_value(); }
    bool SaveImageTo(const QString& path);

    // The trigger level as a dashed line across the plot in `colour`, or
    // none.
    void SetLevelLine(std::optional<double> level, const QColor& colour);
    std::optional<double> LevelLine() const;

    // The measuring cursors. Switching them on places them at a quarter and
    // three quarters of both ranges.
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

    // How the chart shows the samples, in the order the scope window sets it.
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
    QImage GridImage; // background, frame, grid, labels, trigger mark
    // The labels drawn into GridImage with their boxes.
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

    void OnSize(int width, int height);
    void DrawGrid();
    void DrawTriggerMark(QPainter& p) const;
    // Under the store's lock (`read`): the picture brought to its state.
    void Sync(const ScopeSampleStore::Reader& read, bool whole);
    void FollowOrigin(double origin);
    void RenderWhole(const ScopeSampleStore::Reader& read);
    void RenderIncrement(const ScopeSampleStore::Reader& read);
    void RenderColumns(const ScopeSampleStore::Reader& read, int from, int to);
    // After the store's lock is let go: new labels when they are wanted or
    // the origin moved, and a repaint of what changed.
    void FinishSync(bool gridWanted);
    void ComposeInto(QImage* out, const QRect& area) const;
    void DrawOverlays(QImage* out, const QRect& area) const;
    void DrawStepMarks(QPainter& p, const AxisMap& axes) const;
    std::string CsvComments() const;
    QRect PlotArea() const { return QRect(PlotRect.left, PlotRect.top, PlotRect.Width(), PlotRect.Height()); }
    TraceJob Job(const ScopeSampleStore::Reader& read) const;
    ChartView View(const ScopeSampleStore::Reader& read) const;
    void UpdateAccessibleDescription();
    static void InstallAccessibility();
    void BuildMenu();
    void RetranslateMenu();
    // Mouse and keys on the level line and the cursors (COScopeCtrlInput.cpp).
    Grab GrabAt(const QPoint& pos) const;
    void DragTo(Grab grab, const QPoint& pos);
    void MoveActiveCursor(int dx, int dy);
    void CursorsMoved();

    ScopeSampleStore& store_;
    TraceRenderer renderer_ = TraceRenderer::ColumnReduced;
    TraceRenderScratch scratch_;
    std::array<std::string, kScopeTraces> traceNames_{"Ch 1", "Ch 2", "Ch 3", "Ch 4"};
    bool korean_ = false;
    std::atomic<bool> updatePending_{false}; // a queued UpdatePlot is on its way
    std::atomic<int> updateEveryMs_{0};      // SetUpdateMarks

    // The plot picture and what it shows: the store's state it was last
    // brought to (plotCurrent_ false: it must be drawn whole before it can
    // be extended), the time origin of the labels and cursors, whether the
    // labels must still follow a new origin, and the box that changed since
    // the last repaint was asked for.
    PlotRing plot_;
    bool plotCurrent_ = false;
    StoreState shown_;
    double origin_ = 0.0;
    bool originMoved_ = false;
    QRect dirtyBox_;
    std::optional<double> level_;
    std::optional<StepFigures> stepMarks_;
    QColor stepColour_;
    std::vector<std::string> csvComments_;
    std::string csvDrive_;
    QColor levelColour_;
    std::vector<ChartLabel> gridLabels_;
    ChartCursors cursors_;

    mutable QImage paintScratch_; // the picture of one paint
    Grab grab_ = Grab::None;
    QMenu* menu_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* cursorCsvAction_ = nullptr;
    QAction* saveImageAction_ = nullptr;
    QAction* cursorsAction_ = nullptr;
};

} // namespace velt
