#include "CDlgRepeat.h"

#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/CGridCtrl.h"
#include "controls/CInPlaceEdit.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "link/CDriveLink.h"
#include "repeat/RepeatTexts.h"

#include <QKeyEvent>
#include <QPushButton>

#include <iterator>
#include <string>

namespace velt {

namespace {

constexpr int kRows = kRepeatPointCount + 1;
constexpr int kColumns = 6;
constexpr int kUseCol = 1, kPosCol = 2, kSpeedCol = 3, kDelayCol = 4, kElapsedCol = 5;
constexpr int kColumnWidths[kColumns] = {30, 30, 100, 80, 80, 80};
static_assert(std::size(kRepeatColumnHeaders) == kColumns);
constexpr uint32_t kHeaderFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

constexpr GridRgb kCellBk = Rgb(255, 255, 224);
constexpr GridRgb kLampOn = Rgb(0, 255, 0);
constexpr GridRgb kLampOff = Rgb(128, 128, 128);
constexpr GridRgb kPosText = Rgb(255, 0, 0);
constexpr GridRgb kSpeedText = Rgb(0, 0, 255);

std::string Decimal(int32_t v) {
    return std::to_string(v);
}

} // namespace

CDlgRepeat::CDlgRepeat(CDriveLink* link, bool korean)
    : QDialog(nullptr), korean_(korean), sequence_(link), thread_(sequence_, [this] { PostPass(); }) {
    setObjectName(QStringLiteral("CDlgRepeat"));
    setWindowTitle(QStringLiteral("Repeat"));
    setFont(DialogFont());
    setFixedSize(DluSize(277, 142));
    setModal(false);

    PointGrid = new CGridCtrl(this);
    PointGrid->setObjectName(QStringLiteral("PointGrid"));
    PointGrid->setGeometry(DluRect(4, 4, 270, 108));
    PointGrid->setAccessibleName(QString::fromUtf8(kRepeatGridName.Pick(korean_)));
    StartButton = new QPushButton(QStringLiteral("Start"), this);
    StartButton->setGeometry(DluRect(5, 116, 130, 23));
    StopButton = new QPushButton(QStringLiteral("Stop"), this);
    StopButton->setGeometry(DluRect(142, 116, 130, 23));
    for (QPushButton* b : {StartButton, StopButton}) {
        NameAfterCaption(b, b->text());
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(StartButton, &QPushButton::clicked, this, &CDlgRepeat::OnStart);
    connect(StopButton, &QPushButton::clicked, this, &CDlgRepeat::OnStop);
    connect(PointGrid, &CGridCtrl::cellDoubleClicked, this, &CDlgRepeat::OnPointGridDblClick);

    InitPointGrid();
    thread_.Start();
}

CDlgRepeat::~CDlgRepeat() {
    // Before the widgets go: the thread may still post to this window.
    thread_.Stop(kStopWait);
}

void CDlgRepeat::InitPointGrid() {
    PointGrid->SetFont(font());
    PointGrid->SetEditable(true);
    PointGrid->SetSingleRowSelection(true);
    PointGrid->SetFixedRowSelection(false);
    PointGrid->SetHeaderSort(false);
    PointGrid->SetRowResize(false);
    PointGrid->SetColumnResize(false);
    PointGrid->SetDefaultCellBkColour(kCellBk);
    if (!PointGrid->SetRowCount(kRows) || !PointGrid->SetColumnCount(kColumns) ||
        !PointGrid->SetFixedRowCount(1) || !PointGrid->SetFixedColumnCount(1)) {
        ShowMessage(kRepeatOutOfMemory.Pick(korean_));
        return;
    }
    for (int col = 0; col < kColumns; ++col) {
        GridItem item;
        item.col = col;
        item.mask = GVIF_TEXT | GVIF_FORMAT;
        item.text = kRepeatColumnHeaders[col].Pick(korean_);
        item.format = kHeaderFormat;
        PointGrid->SetItem(item);
    }
    const RepeatPoints points = sequence_.Status().Points;
    for (int row = 1; row < kRows; ++row) {
        const RepeatPoint& p = points[row - 1];
        PointGrid->SetItemText(row, 0, "P" + Decimal(row));
        PointGrid->SetItemText(row, kUseCol, Decimal(p.Use));
        PointGrid->SetItemBkColour(row, kUseCol, kLampOn);
        PointGrid->SetItemFgColour(row, kUseCol, kLampOn);
        PointGrid->SetItemState(row, kUseCol, PointGrid->GetItemState(row, kUseCol) | GVIS_READONLY);
        PointGrid->SetItemText(row, kPosCol, Decimal(p.Pos));
        PointGrid->SetItemFgColour(row, kPosCol, kPosText);
        PointGrid->SetItemText(row, kSpeedCol, Decimal(p.Speed));
        PointGrid->SetItemFgColour(row, kSpeedCol, kSpeedText);
        PointGrid->SetItemText(row, kDelayCol, Decimal(p.Delay));
        PointGrid->SetItemText(row, kElapsedCol, Decimal(static_cast<int32_t>(p.Elapsed)));
        PointGrid->SetItemState(row, kElapsedCol, PointGrid->GetItemState(row, kElapsedCol) | GVIS_READONLY);
    }
    for (int col = 0; col < kColumns; ++col)
        PointGrid->SetColumnWidth(col, kColumnWidths[col]);
    PointGrid->Refresh();
}

// The Use lamps and the dwell times; Pos, Speed and Delay are the user's.
void CDlgRepeat::RefreshPointGrid(const RepeatStatus& status) {
    for (int row = 1; row < kRows; ++row) {
        const RepeatPoint& p = status.Points[row - 1];
        const bool used = p.Use == 1;
        const GridRgb lamp = used ? kLampOn : kLampOff;
        PointGrid->SetItemText(row, kUseCol, used ? "1" : "0");
        PointGrid->SetItemBkColour(row, kUseCol, lamp);
        PointGrid->SetItemFgColour(row, kUseCol, lamp);
        PointGrid->SetItemText(row, kElapsedCol, Decimal(static_cast<int32_t>(p.Elapsed)));
    }
    PointGrid->Refresh();
}

RepeatPoints CDlgRepeat::ReadPointGrid() const {
    const GridModel& model = PointGrid->Model();
    RepeatPoints points{};
    for (int row = 1; row < kRows; ++row) {
        points[row - 1] =
            RepeatPointFromTexts(model.ItemTextRef(row, kUseCol), model.ItemTextRef(row, kPosCol),
                                 model.ItemTextRef(row, kSpeedCol), model.ItemTextRef(row, kDelayCol));
    }
    return points;
}

void CDlgRepeat::PostPass() {
    const uint32_t ends = sequence_.EndSerial();
    if (!shown_.load() && !sequence_.Repeating() && ends == postedEnds_) return;
    postedEnds_ = ends;
    if (passPending_.exchange(true)) return;
    QMetaObject::invokeMethod(this, &CDlgRepeat::OnPass, Qt::QueuedConnection);
}

void CDlgRepeat::OnPass() {
    passPending_.store(false);
    const RepeatStatus status = sequence_.Status();
    RefreshPointGrid(status);
    if (status.FocusSerial != focusSerial_) {
        focusSerial_ = status.FocusSerial;
        PointGrid->SetFocusCell(status.FocusRow, status.FocusCol);
    }
    if (!status.Repeating) StartButton->setEnabled(true);
    UpdateTitle(status);
    ReportEnd(status);
}

// A cycle that a line fault ended says so in the title until the next Start:
// it is not started again on its own when the drive answers again.
void CDlgRepeat::UpdateTitle(const RepeatStatus& status) {
    QString title = QStringLiteral("Repeat");
    if (status.Repeating)
        title = QStringLiteral("Repeat - P%1, cycle %2").arg(status.PointIndex + 1).arg(status.Cycles);
    else if (status.LastEnd == RepeatEnd::LineFault)
        title = QString::fromStdString(RepeatLineFaultTitle(status.EndPoint, korean_));
    else if (!stopReason_.isEmpty())
        title += QStringLiteral(" - ") + stopReason_;
    if (!driveCaption_.isEmpty()) title += QStringLiteral(" \u2014 ") + driveCaption_;
    if (windowTitle() != title) setWindowTitle(title);
}

void CDlgRepeat::SetDriveCaption(const std::string& caption) {
    driveCaption_ = Qs(caption);
    UpdateTitle(sequence_.Status());
}

void CDlgRepeat::StopWithReason(const std::string& why) {
    if (!sequence_.Status().Repeating) return;
    sequence_.Stop();
    stopReason_ = Qs(why);
    UpdateTitle(sequence_.Status());
}

// The message box runs an event loop in which further passes arrive; the
// serial is taken first so that each end is told once.
void CDlgRepeat::ReportEnd(const RepeatStatus& status) {
    if (status.EndSerial == endSerial_) return;
    endSerial_ = status.EndSerial;
    const std::string text = RepeatEndText(status.LastEnd, status.EndPoint, korean_, status.EndAlarm);
    if (!text.empty()) ShowMessage(text);
}

void CDlgRepeat::OnStart() {
    // A value typed but not yet confirmed with Return is the one the user
    // sees, so it is the one to run.
    if (CInPlaceEdit* editor = PointGrid->InPlaceEditor()) editor->EndEdit(Qt::Key_Return);
    const RepeatStartResult result = sequence_.Start(ReadPointGrid());
    if (result != RepeatStartResult::Started) {
        // Nothing was written: say why nothing moves.
        const CDriveLink* link = sequence_.Link();
        const std::string text = RepeatStartText(result, link && link->IsConnected(), korean_);
        if (!text.empty()) ShowMessage(text);
        return;
    }
    stopReason_.clear();
    StartButton->setEnabled(false);
    UpdateTitle(sequence_.Status());
}

void CDlgRepeat::OnStop() {
    sequence_.Stop();
}

void CDlgRepeat::OnPointGridDblClick(int row, int col) {
    if (row < 1 || row >= kRows || col != kUseCol) return;
    sequence_.ToggleUse(row - 1);
    RefreshPointGrid(sequence_.Status());
}

void CDlgRepeat::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDlgRepeat::showEvent(QShowEvent* event) {
    shown_.store(true);
    OnPass();
    QDialog::showEvent(event);
}

void CDlgRepeat::hideEvent(QHideEvent* event) {
    shown_.store(false);
    QDialog::hideEvent(event);
}

void CDlgRepeat::StopRepeatThread() {
    StoppableWorker::Report(thread_.Stop(kStopWait), "RepeatThread");
}

} // namespace velt
