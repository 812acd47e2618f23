// The strip chart's dealings with the user: the hover read-out, the level
// line and the cursors under the mouse and the keys, the context menu with
// its file actions, and what screen readers see of the chart.
#include "scope/COScopeCtrl.h"
#include "scope/ScopeWindowParts.h"

#include "base/FileMessages.h"
#include "base/MessageService.h"
#include "controls/FileDialogs.h"
#include "controls/QtText.h"
#include "platform/AtomicFile.h"
#include "platform/FileChecks.h"
#include "scope/ScopeTexts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QToolTip>

#include <cmath>
#include <filesystem>

namespace velt {

namespace {
using scope_parts::Tr;
// A press this close to a line (pixels) grabs it.
constexpr int kGrabDistance = 4;
// Arrow keys move a cursor by a pixel, with Shift by ten.
constexpr int kBigStep = 10;

COScopeCtrl::FileNameHook& FileNameHookSlot() {
    static COScopeCtrl::FileNameHook hook;
    return hook;
}

// The chart as screen readers and test robots see it: a chart that can be
// focused and whose context menu opens by the standard "ShowMenu" action.
class ChartAccessible : public QAccessibleWidget {
public:
    explicit ChartAccessible(COScopeCtrl* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        names << showMenuAction();
        return names;
    }
    void doAction(const QString& action) override {
        auto* chart = static_cast<COScopeCtrl*>(widget());
        if (action == showMenuAction()) {
            chart->OpenContextMenu(chart->rect().center());
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* ChartFactory(const QString& key, QObject* object) {
    auto* chart = qobject_cast<COScopeCtrl*>(object);
    if (chart == nullptr || key != QLatin1String(COScopeCtrl::staticMetaObject.className())) return nullptr;
    return new ChartAccessible(chart);
}
} // namespace

// Before the chart's first accessibility event: the interface made for a
// widget is kept for its life.
void COScopeCtrl::InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ChartFactory);
        return true;
    }();
    (void)installed;
}

void COScopeCtrl::BuildMenu() {
    menu_ = new QMenu(this);
    exportAction_ = menu_->addAction(QString(), this, &COScopeCtrl::OnExportCsv);
    cursorCsvAction_ = menu_->addAction(QString(), this, &COScopeCtrl::OnExportCursorCsv);
    saveImageAction_ = menu_->addAction(QString(), this, &COScopeCtrl::OnSaveImage);
    menu_->addSeparator();
    cursorsAction_ = menu_->addAction(QString());
    cursorsAction_->setCheckable(true);
    connect(cursorsAction_, &QAction::toggled, this, &COScopeCtrl::SetCursorsOn);
    cursorCsvAction_->setEnabled(false);
    RetranslateMenu();
}

void COScopeCtrl::RetranslateMenu() {
    menu_->setTitle(Tr(kChartMenuName, korean_));
    menu_->setAccessibleName(Tr(kChartMenuName, korean_));
    exportAction_->setText(Tr(kExportCsvMenu, korean_));
    cursorCsvAction_->setText(Tr(kExportCursorCsvMenu, korean_));
    saveImageAction_->setText(Tr(kSaveImageMenu, korean_));
    cursorsAction_->setText(Tr(kCursorsMenu, korean_));
}

void COScopeCtrl::SetTraceNames(const std::array<std::string, kScopeTraces>& names) {
    traceNames_ = names;
}

void COScopeCtrl::SetKorean(bool korean) {
    korean_ = korean;
    setAccessibleName(Tr(kChartName, korean_));
    RetranslateMenu();
    UpdateAccessibleDescription();
}

QString COScopeCtrl::HoverTextAt(const QPoint& pos) const {
    if (pos.x() < PlotRect.left || pos.x() >= PlotRect.right || pos.y() < PlotRect.top ||
        pos.y() >= PlotRect.bottom)
        return {};
    const ScopeSampleStore::Reader read = store_.Read();
    const PixelMap map(PlotRect, Ranges(), read.Samples(), read.State().PointCount);
    if (!map.Drawable()) return {};
    return Qs(HoverReadout(View(read), map.AgeAt(pos.x())));
}

std::string COScopeCtrl::CsvText() const {
    const ScopeSampleStore::Reader read = store_.Read();
    return CsvComments() + ScopeCsv(View(read), kCsvTimeHeader.Pick(korean_));
}

std::string COScopeCtrl::CursorCsvText() const {
    const ScopeSampleStore::Reader read = store_.Read();
    return CsvComments() +
           ScopeCsvBetween(View(read), kCsvTimeHeader.Pick(korean_), cursors_.T1, cursors_.T2);
}

std::string COScopeCtrl::CsvComments() const {
    std::string text = csvDrive_.empty() ? std::string() : "# " + csvDrive_ + "\r\n";
    for (const std::string& line : csvComments_)
        text += "# " + line + "\r\n";
    return text;
}

StepFigures COScopeCtrl::ComputeStep(int trace, int command, const StepSettings& settings) const {
    ShownSeries series;
    {
        const ScopeSampleStore::Reader read = store_.Read();
        const double between[2] = {cursors_.T1, cursors_.T2};
        series = SeriesOnShow(View(read), trace, command, cursors_.On ? between : nullptr);
    }
    return ComputeStepFigures({series.Time, series.Value, series.Command, {}}, settings);
}

std::string COScopeCtrl::CursorReadoutText() const {
    if (!cursors_.On) return {};
    const ScopeSampleStore::Reader read = store_.Read();
    return CursorReadout(View(read), cursors_);
}

bool COScopeCtrl::ExportCsvTo(const QString& path, bool betweenCursors) {
    const std::string csv = betweenCursors ? CursorCsvText() : CsvText();
    const std::filesystem::path file = PathOf(path);
    std::string error;
    if (!WriteFileAtomically(file, csv, {&error, korean_})) {
        ShowMessage(FileFailureText(kScopeFileSaveError.Pick(korean_), file, error));
        return false;
    }
    return true;
}

bool COScopeCtrl::SaveImageTo(const QString& path) {
    const QImage image = ComposedImage();
    const std::filesystem::path target = PathOf(path);
    // The kind first, from the metadata: a FIFO or a device is never opened.
    std::string reason;
    bool ok = PathIsWritableFile(target, {&reason, korean_});
    if (ok) {
        QSaveFile file(path);
        ok = !image.isNull() && file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
        if (!ok) reason = file.errorString().toStdString();
    }
    if (!ok) ShowMessage(FileFailureText(kScopeFileSaveError.Pick(korean_), target, reason));
    return ok;
}

COScopeCtrl::FileNameHook COScopeCtrl::SetFileNameHook(FileNameHook hook) {
    FileNameHook previous = std::move(FileNameHookSlot());
    FileNameHookSlot() = std::move(hook);
    return previous;
}

QString COScopeCtrl::AskFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& suffix) {
    static QString lastFolder;
    FileDialogOptions options;
    options.Save = true;
    options.Caption = caption;
    options.Folder = lastFolder;
    options.Filter = filter;
    QString path = FileNameHookSlot() ? FileNameHookSlot()(caption, filter) : RunFileDialog(parent, options);
    if (path.isEmpty()) return {};
    if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
    lastFolder = QFileInfo(path).absolutePath();
    return path;
}

void COScopeCtrl::OnExportCsv() {
    const QString path =
        AskFileName(this, Tr(kExportCsvCaption, korean_), Tr(kCsvFilter, korean_), QStringLiteral("csv"));
    if (!path.isEmpty()) ExportCsvTo(path);
}

void COScopeCtrl::OnExportCursorCsv() {
    if (!Cursors().On) return;
    const QString path = AskFileName(this, Tr(kExportCursorCsvCaption, korean_), Tr(kCsvFilter, korean_),
                                     QStringLiteral("csv"));
    if (!path.isEmpty()) ExportCsvTo(path, true);
}

void COScopeCtrl::OnSaveImage() {
    const QString path =
        AskFileName(this, Tr(kSaveImageCaption, korean_), Tr(kPngFilter, korean_), QStringLiteral("png"));
    if (!path.isEmpty()) SaveImageTo(path);
}

void COScopeCtrl::OpenContextMenu(const QPoint& pos) {
    menu_->popup(mapToGlobal(pos));
}

void COScopeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->pos() : rect().center();
    OpenContextMenu(at);
    event->accept();
}

void COScopeCtrl::SetLevelLine(std::optional<double> level, const QColor& colour) {
    if (level_ == level && levelColour_ == colour) return;
    level_ = level;
    levelColour_ = colour;
    update();
}

std::optional<double> COScopeCtrl::LevelLine() const {
    return level_;
}

void COScopeCtrl::SetCursorsOn(bool on) {
    if (cursors_.On == on) return;
    if (on)
        cursors_ = PlacedCursors(Ranges());
    else
        cursors_.On = false;
    CursorsMoved();
}

void COScopeCtrl::SetCursors(const ChartCursors& cursors) {
    if (cursors_ == cursors) return;
    cursors_ = cursors;
    CursorsMoved();
}

ChartCursors COScopeCtrl::Cursors() const {
    return cursors_;
}

// The action, the menu entry that needs them and the screen follow the
// cursors; the owner hears of it.
void COScopeCtrl::CursorsMoved() {
    const bool on = Cursors().On;
    {
        const QSignalBlocker quiet(cursorsAction_);
        cursorsAction_->setChecked(on);
    }
    cursorCsvAction_->setEnabled(on);
    update();
    emit CursorsChanged();
}

// Nearest line within reach of a press: the level line, then the cursors.
COScopeCtrl::Grab COScopeCtrl::GrabAt(const QPoint& pos) const {
    const AxisMap axes(PlotRect, Ranges());
    if (!axes.Valid() || !PlotArea().contains(pos)) return Grab::None;
    Grab best = Grab::None;
    double bestDistance = kGrabDistance + 0.5;
    const auto consider = [&](Grab g, double distance) {
        if (distance < bestDistance) {
            best = g;
            bestDistance = distance;
        }
    };
    if (level_) consider(Grab::Level, std::fabs(axes.YAt(*level_) - pos.y()));
    if (cursors_.On) {
        consider(Grab::T1, std::fabs(axes.XAt(cursors_.T1) - pos.x()));
        consider(Grab::T2, std::fabs(axes.XAt(cursors_.T2) - pos.x()));
        consider(Grab::V1, std::fabs(axes.YAt(cursors_.V1) - pos.y()));
        consider(Grab::V2, std::fabs(axes.YAt(cursors_.V2) - pos.y()));
    }
    return best;
}

void COScopeCtrl::DragTo(Grab grab, const QPoint& pos) {
    const AxisMap axes(PlotRect, Ranges());
    if (!axes.Valid()) return;
    const double x = std::clamp(pos.x(), PlotRect.left, PlotRect.right - 1);
    const double y = std::clamp(pos.y(), PlotRect.top, PlotRect.bottom - 1);
    ChartCursors c = cursors_;
    switch (grab) {
    case Grab::Level: {
        const double level = axes.ValueAt(y);
        SetLevelLine(level, levelColour_);
        emit LevelDragged(level);
        return;
    }
    case Grab::T1:
        c.T1 = axes.TimeAt(x);
        c.Active = CursorId::T1;
        break;
    case Grab::T2:
        c.T2 = axes.TimeAt(x);
        c.Active = CursorId::T2;
        break;
    case Grab::V1:
        c.V1 = axes.ValueAt(y);
        c.Active = CursorId::V1;
        break;
    case Grab::V2:
        c.V2 = axes.ValueAt(y);
        c.Active = CursorId::V2;
        break;
    case Grab::None:
        return;
    }
    SetCursors(c);
}

// A press grabs the line under it; elsewhere in the plot it brings the
// nearer time cursor there. Dragging moves what was grabbed.
void COScopeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    grab_ = GrabAt(pos);
    const ChartCursors c = Cursors();
    if (grab_ == Grab::None && c.On && PlotArea().contains(pos)) {
        const double t = AxisMap(PlotRect, Ranges()).TimeAt(pos.x());
        grab_ = std::fabs(t - c.T1) <= std::fabs(t - c.T2) ? Grab::T1 : Grab::T2;
    }
    if (grab_ != Grab::None) DragTo(grab_, pos);
    event->accept();
}

void COScopeCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (grab_ != Grab::None && (event->buttons() & Qt::LeftButton)) {
        DragTo(grab_, event->position().toPoint());
        return;
    }
    const QString text = HoverTextAt(event->position().toPoint());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
    QWidget::mouseMoveEvent(event);
}

void COScopeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    grab_ = Grab::None;
    QWidget::mouseReleaseEvent(event);
}

// Space picks the next cursor; the arrows move it along its axis, a pixel at
// a time (ten with Shift). The Menu key and Shift+F10 open the menu.
void COScopeCtrl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier))) {
        OpenContextMenu(rect().center());
        event->accept();
        return;
    }
    ChartCursors c = Cursors();
    if (!c.On) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = (event->modifiers() & Qt::ShiftModifier) ? kBigStep : 1;
    const bool time = IsTimeCursor(c.Active);
    if (key == Qt::Key_Space) {
        c.Active = static_cast<CursorId>((static_cast<int>(c.Active) + 1) % 4);
        SetCursors(c);
    } else if (time && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        MoveActiveCursor(key == Qt::Key_Left ? -step : step, 0);
    } else if (!time && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        MoveActiveCursor(0, key == Qt::Key_Up ? -step : step);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void COScopeCtrl::MoveActiveCursor(int dx, int dy) {
    const AxisMap axes(PlotRect, Ranges());
    if (!axes.Valid()) return;
    ChartCursors c = cursors_;
    double* at = c.Active == CursorId::T1   ? &c.T1
                 : c.Active == CursorId::T2 ? &c.T2
                 : c.Active == CursorId::V1 ? &c.V1
                                            : &c.V2;
    if (IsTimeCursor(c.Active))
        *at = axes.TimeAt(axes.XAt(*at) + dx);
    else
        *at = axes.ValueAt(axes.YAt(*at) + dy);
    SetCursors(c);
}

} // namespace velt
