// The scope window's tuning controls: the trigger, the measuring cursors
// and recording to a file, under the chart. User-interface thread only.
#include "scope/CDlgScope.h"
#include "scope/ScopeWindowParts.h"

#include "base/MessageService.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "scope/ScopeTexts.h"
#include "scope/TriggerBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace velt {

namespace {
using scope_parts::AddEdit;
using scope_parts::AddLabel;
using scope_parts::AddList;
using scope_parts::Tr;
// The row under the chart, and its second line.
constexpr int kTriggerRow = 247, kCursorRow = 263;
constexpr int kRightColumn = 430;
constexpr auto kStatusPeriod = std::chrono::milliseconds(250);
constexpr int kInitialPreTriggerPercent = 20;

// "512 B", "12.3 kB", "4.56 MB".
QString SizeText(uint64_t bytes) {
    char text[32];
    if (bytes < 1000)
        std::snprintf(text, sizeof text, "%u B", static_cast<unsigned>(bytes));
    else if (bytes < 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f kB", bytes / 1e3);
    else
        std::snprintf(text, sizeof text, "%.2f MB", bytes / 1e6);
    return QString::fromLatin1(text);
}

// "01:02:03".
QString DurationText(std::chrono::steady_clock::duration d) {
    const long long s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return QString::fromLatin1(text);
}
} // namespace

void CDlgScope::CreateTuningControls() {
    const bool ko = korean_;
    AddLabel(this, Tr(kTriggerLabel, ko), DluRect(21, kTriggerRow + 2, 28, 8));
    TriggerModeList = AddList(this, DluRect(50, kTriggerRow, 54, 12), Tr(kTriggerModeName, ko));
    for (const LocalText& mode : kTriggerModes)
        TriggerModeList->addItem(Tr(mode, ko));
    TriggerSourceList = AddList(this, DluRect(107, kTriggerRow, 34, 12), Tr(kTriggerSourceName, ko));
    for (int i = 0; i < kScopeChannels; ++i)
        TriggerSourceList->addItem(QStringLiteral("Ch %1").arg(i + 1));
    TriggerEdgeList = AddList(this, DluRect(144, kTriggerRow, 44, 12), Tr(kTriggerEdgeName, ko));
    for (const LocalText& edge : kTriggerEdges)
        TriggerEdgeList->addItem(Tr(edge, ko));
    AddLabel(this, Tr(kLevelLabel, ko), DluRect(192, kTriggerRow + 2, 22, 8));
    LevelEdit = AddEdit(this, DluRect(215, kTriggerRow, 44, 12), Tr(kLevelLabel, ko), QStringLiteral("0"));
    AddLabel(this, Tr(kPreTriggerLabel, ko), DluRect(263, kTriggerRow + 2, 52, 8));
    PreTriggerEdit = AddEdit(this, DluRect(316, kTriggerRow, 24, 12), Tr(kPreTriggerLabel, ko),
                             QString::number(kInitialPreTriggerPercent));
    AddLabel(this, Tr(kHoldoffLabel, ko), DluRect(344, kTriggerRow + 2, 40, 8));
    HoldoffEdit =
        AddEdit(this, DluRect(385, kTriggerRow, 40, 12), Tr(kHoldoffLabel, ko), QStringLiteral("0"));
    TriggerStateLabel = AddLabel(this, QString(), DluRect(kRightColumn, kTriggerRow, 106, 12));
    TriggerStateLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    TriggerStateLabel->setAlignment(Qt::AlignCenter);
    TriggerStateLabel->setAccessibleName(Tr(kTriggerStateName, ko));

    CursorsCheck = new QCheckBox(Tr(kCursorsMenu, ko), this);
    CursorsCheck->setGeometry(DluRect(21, kCursorRow, 40, 10));
    CursorReadout = AddLabel(this, QString(), DluRect(64, kCursorRow, 361, 56));
    CursorReadout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    CursorReadout->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    CursorReadout->setAccessibleName(Tr(kCursorReadoutName, ko));

    RecordButton = new QPushButton(Tr(kRecordButton, ko), this);
    RecordButton->setGeometry(DluRect(kRightColumn, kCursorRow, 60, 12));
    RecordButton->setAutoDefault(false);
    RecordStatusLabel = AddLabel(this, QString(), DluRect(kRightColumn, kCursorRow + 15, 106, 20));
    RecordStatusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    RecordStatusLabel->setAccessibleName(Tr(kRecordStatusName, ko));

    statusTimer_ = new QTimer(this);
    statusTimer_->setInterval(kStatusPeriod);
    connect(statusTimer_, &QTimer::timeout, this, &CDlgScope::OnStatusTimer);
    for (QComboBox* list : {TriggerModeList, TriggerSourceList, TriggerEdgeList})
        connect(list, &QComboBox::currentIndexChanged, this, &CDlgScope::OnTriggerSettings);
    for (QLineEdit* edit : {LevelEdit, PreTriggerEdit, HoldoffEdit})
        connect(edit, &QLineEdit::editingFinished, this, &CDlgScope::OnTriggerSettings);
    connect(CursorsCheck, &QCheckBox::toggled, this, &CDlgScope::OnCursorsToggled);
    connect(RecordButton, &QPushButton::clicked, this, &CDlgScope::OnRecord);
}

void CDlgScope::AddChartMenuEntries() {
    QMenu* menu = Chart->ContextMenu();
    menu->addSeparator();
    RecordAction = menu->addAction(Tr(kRecordButton, korean_), this, &CDlgScope::OnRecord);
}

TriggerSettings CDlgScope::Trigger() const {
    std::lock_guard lock(sampleLock_);
    return trigger_.Settings();
}

TriggerState CDlgScope::TriggerStateNow() const {
    std::lock_guard lock(sampleLock_);
    return trigger_.State();
}

// The lists and the boxes (TriggerBoxes.h: a level or holdoff refused
// keeps the value in force); the boxes then show what is in force.
std::string CDlgScope::ReadTriggerBoxes() {
    TriggerSettings s = triggerSettings_;
    s.Mode = static_cast<TriggerMode>(std::clamp(TriggerModeList->currentIndex(), 0, 3));
    s.Channel = std::clamp(TriggerSourceList->currentIndex(), 0, kScopeChannels - 1);
    s.Edge = TriggerEdgeList->currentIndex() == 1 ? TriggerEdge::Falling : TriggerEdge::Rising;
    const TriggerBoxReading read =
        ReadTriggerValues({LevelEdit->text().toStdString(), PreTriggerEdit->text().toStdString(),
                           HoldoffEdit->text().toStdString()},
                          s);
    LevelEdit->setText(Qs(ReadoutNumber(read.Settings.Level)));
    PreTriggerEdit->setText(Qs(ReadoutNumber(read.PreTriggerPercent)));
    HoldoffEdit->setText(Qs(ReadoutNumber(read.Settings.HoldoffSeconds)));
    triggerSettings_ = read.Settings;
    return TriggerRefusalText(read.Refused, korean_);
}

// After the boxes show what is in force: the message box waits for the user.
void CDlgScope::ReportTriggerRefusals(const std::string& text) {
    if (!text.empty()) ShowMessage(text);
}

// Takes effect from the next sample, also while running: a new mode arms
// afresh; Free run lets the chart scroll again.
void CDlgScope::OnTriggerSettings() {
    const std::string refused = ReadTriggerBoxes();
    {
        std::lock_guard lock(sampleLock_);
        trigger_.Configure(triggerSettings_);
    }
    UpdateLevelLine();
    ShowTriggerState();
    ReportTriggerRefusals(refused);
}

void CDlgScope::OnLevelDragged(double level) {
    LevelEdit->setText(Qs(ReadoutNumber(level)));
    OnTriggerSettings();
}

void CDlgScope::UpdateLevelLine() {
    const TriggerSettings& s = triggerSettings_;
    if (s.Mode == TriggerMode::FreeRun)
        Chart->SetLevelLine(std::nullopt, QColor());
    else
        Chart->SetLevelLine(s.Level, Chart->TraceColor[static_cast<size_t>(s.Channel)]);
}

void CDlgScope::ShowTriggerState() {
    const bool ko = korean_;
    QString text = Tr(kTriggerStopped, ko);
    if (RunState() == 1) {
        switch (TriggerStateNow()) {
        case TriggerState::Off:
            text = Tr(kTriggerFreeRunning, ko);
            break;
        case TriggerState::Armed:
            text = Tr(kTriggerArmed, ko);
            if (channels_.ChannelOn()[static_cast<size_t>(triggerSettings_.Channel)] != 1)
                text = Tr(kTriggerSourceOff, ko).arg(text).arg(triggerSettings_.Channel + 1);
            break;
        case TriggerState::Triggered:
            text = Tr(kTriggerTriggered, ko);
            break;
        case TriggerState::Holding:
            text = Tr(kTriggerHolding, ko);
            break;
        case TriggerState::Stopped:
            break;
        }
    }
    if (const LocalText* why = noData_.load(); why != nullptr && RunState() == 1)
        text = Qs(FillText(kNoData.Pick(ko), {{"{why}", why->Pick(ko)}}));
    TriggerStateLabel->setText(text);
    TriggerStateLabel->setAccessibleDescription(text);
}

// A Single that caught its span stops the window, as Run/Stop would.
void CDlgScope::OnTriggerEvent() {
    if (RunState() == 1 && TriggerStateNow() == TriggerState::Stopped)
        StopAcquisition(false, true);
    else
        ShowTriggerState();
    UpdateReadout();
}

void CDlgScope::OnCursorsToggled(bool on) {
    Chart->SetCursorsOn(on);
}

void CDlgScope::UpdateReadout() {
    const QString text = Qs(Chart->CursorReadoutText());
    if (CursorReadout->text() == text) return;
    CursorReadout->setText(text);
    CursorReadout->setAccessibleDescription(text);
}

bool CDlgScope::RecordingNow() const {
    return recordingOn_;
}

void CDlgScope::UpdateStatusTimer() {
    const bool needed = recordingOn_ || (Chart->Cursors().On && RunState() == 1);
    if (needed && !statusTimer_->isActive()) statusTimer_->start();
    if (!needed) statusTimer_->stop();
}

void CDlgScope::OnStatusTimer() {
    if (recordingOn_) {
        if (recorder_.Snapshot().Failed) {
            StopRecording(true);
        } else {
            ShowRecordStatus();
        }
    }
    UpdateReadout();
}

// The columns are the channels that are on (latched while running, ticked
// otherwise); they stay locked until the recording ends.
void CDlgScope::StartRecording() {
    std::array<int, kScopeChannels> on{}, source{};
    for (int i = 0; i < kScopeChannels; ++i) {
        on[i] = ChannelChecks[i]->isChecked() ? 1 : 0;
        source[i] = SourceLists[i]->currentIndex();
    }
    if (RunState() == 1) {
        on = channels_.ChannelOn();
        source = channels_.ChannelSource();
    }
    if (std::count(on.begin(), on.end(), 1) == 0) {
        ShowMessage(kRecordNoChannel.Pick(korean_));
        return;
    }
    const QString path = COScopeCtrl::AskFileName(this, Tr(kRecordCaption, korean_), Tr(kCsvFilter, korean_),
                                                  QStringLiteral("csv"));
    if (path.isEmpty()) return;
    ScopeRecorder::Columns columns;
    columns.SinceStartHeader = kRecordSinceStartHeader.Pick(korean_);
    columns.WallClockHeader = kRecordWallClockHeader.Pick(korean_);
    columns.Names = ChannelColumnNames(on, source, korean_);
    for (int i = 0; i < kScopeChannels; ++i)
        columns.Recorded[static_cast<size_t>(i)] = on[i] == 1;
    std::string error;
    if (!recorder_.Start(PathOf(path), columns, &error)) {
        ShowMessage(Tr(kRecordStartError, korean_).arg(path, Qs(error)).toStdString());
        return;
    }
    recordingOn_ = true;
    if (!driveCaption_.empty()) recorder_.AddNote("# " + driveCaption_); // whose samples follow
    SetChannelControlsEnabled(false);
    RecordButton->setText(Tr(kStopRecordingButton, korean_));
    RecordAction->setText(Tr(kStopRecordingButton, korean_));
    ShowRecordStatus();
    UpdateStatusTimer();
}

// Ends the recording; a write that failed (now or before) is reported with
// the file and the reason. The scope itself runs on.
void CDlgScope::StopRecording(bool failed) {
    const ScopeRecorder::Status status = recorder_.Snapshot();
    std::string error;
    const bool ok = recorder_.Stop(&error);
    recordingOn_ = false;
    RecordButton->setText(Tr(kRecordButton, korean_));
    RecordAction->setText(Tr(kRecordButton, korean_));
    SetChannelControlsEnabled(RunState() == 0);
    ShowRecordStatus();
    UpdateStatusTimer();
    if (failed || !ok) {
        const QString file = QsPath(status.File);
        ShowMessage(Tr(kRecordWriteError, korean_).arg(file, Qs(error)).toStdString());
    }
}

void CDlgScope::ShowRecordStatus() {
    QString text = Tr(kRecordIdle, korean_);
    if (recordingOn_) {
        const ScopeRecorder::Status s = recorder_.Snapshot();
        const QString file = QsPath(s.File);
        text = Tr(kRecordStatus, korean_)
                   .arg(QFileInfo(file).fileName(),
                        DurationText(std::chrono::steady_clock::now() - s.Started), SizeText(s.Bytes));
        RecordStatusLabel->setToolTip(file);
    }
    if (RecordStatusLabel->text() == text) return;
    RecordStatusLabel->setText(text);
    RecordStatusLabel->setAccessibleDescription(text);
}

void CDlgScope::OnRecord() {
    if (recordingOn_)
        StopRecording(false);
    else
        StartRecording();
}

} // namespace velt
