#include "scope/CDlgScope.h"
#include "controls/Accessible.h"
#include "controls/QtText.h"
#include "scope/SpinButton.h"

#include "base/MessageService.h"
#include "controls/CColorStatic.h"
#include "controls/DialogFont.h"
#include "link/CDriveLink.h"
#include "scope/ScopeTexts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace velt {

namespace {
const std::array<QColor, kScopeTraces> kTraceColours{QColor(255, 0, 0), QColor(0, 255, 0),
                                                     QColor(255, 0, 255), QColor(255, 255, 0)};
const QColor kGridColour(115, 115, 115);
const QColor kBackgroundColour(10, 10, 10);
const QColor kAxisColour(200, 255, 255);
const QColor kRunningColour(0, 128, 0);
const QColor kStoppedColour(0, 0, 0);
constexpr int kGridLines = 9;
// The dialog's 539 x 244 and, under it, the row of trigger, cursor and
// recording controls; right of it the step figures' column.
constexpr int kDialogWidth = 716, kDialogHeight = 324;
// Sources selected at start for channels 1..4: Position, Speed, Command Current, Current.
constexpr std::array<int, kScopeChannels> kInitialSources{1, 3, 4, 5};

std::string Utf8(const QString& s) {
    return s.toStdString();
}

QString RgbText(const QColor& c) {
    return QStringLiteral("RGB(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}
} // namespace

CDlgScope::CDlgScope(const CDriveLink* link, bool korean)
    : QDialog(nullptr), link_(link), korean_(korean),
      thread_(
          channels_, [this](StatePoll* poll) { return ReadState(poll); },
          [this](const ScopeSample& sample) { AppendSample(sample); },
          [this](uint64_t after, std::chrono::steady_clock::time_point until, const std::stop_token& stop) {
              return link_ != nullptr && link_->WaitForStatePoll(after, until, stop);
          }) {
    setObjectName(QStringLiteral("CDlgScope"));
    setWindowTitle(QStringLiteral("Scope"));
    setFont(DialogFont());
    setFixedSize(DluSize(kDialogWidth, kDialogHeight));
    setModal(false);
    CreateControls();
    InitDialog();
}

CDlgScope::~CDlgScope() {
    // A thread that outlived StopScopeThread's wait may still be handing a
    // sample over; the chart goes only after it has ended (it cannot be stuck
    // for good: all it waits for are the sample and store locks, free here).
    thread_.StopAndWait();
    recorder_.Stop();
    // The chart listens to the store; it goes while the store still exists.
    delete Chart;
    Chart = nullptr;
}

void CDlgScope::InitDialog() {
    for (int i = 0; i < kScopeChannels; ++i) {
        for (const LocalText& name : kScopeSourceNames)
            SourceLists[i]->addItem(QString::fromUtf8(name.Pick(korean_)));
        SourceLists[i]->setCurrentIndex(kInitialSources[i]);
        ChannelChecks[i]->setChecked(false);
        OffsetEdits[i]->setText(QStringLiteral("0"));
        ScaleEdits[i]->setText(QStringLiteral("1"));
    }
    WriteBoxes();
    ShowValue(SpanLabel, Qs(axes_.SpanText));
    InitChart();
    SetRunIndicator(false);
    for (int i = 0; i < kScopeChannels; ++i) {
        Swatches[i]->SetBkColour(kTraceColours[i]);
        Swatches[i]->setAccessibleDescription(RgbText(kTraceColours[i]));
    }
    AddChartMenuEntries();
    connect(Chart, &COScopeCtrl::LevelDragged, this, &CDlgScope::OnLevelDragged);
    connect(Chart, &COScopeCtrl::CursorsChanged, this, [this] {
        {
            const QSignalBlocker quiet(CursorsCheck);
            CursorsCheck->setChecked(Chart->Cursors().On);
        }
        UpdateReadout();
        UpdateStatusTimer();
        UpdateStep();
    });
    OnTriggerSettings();
    ShowRecordStatus();
    UpdateStep();
    thread_.Start();
}

void CDlgScope::InitChart() {
    Chart = new COScopeCtrl(store_, this);
    Chart->SetKorean(korean_);
    Chart->Create(DluRect(21, 0, 403, 196));
    Chart->ClearPlot();
    Chart->SetGridLines(kGridLines, kGridLines);
    Chart->SetXUnits("Time [sec]");
    Chart->SetYUnits("");
    Chart->SetTraceColors(kTraceColours[0], kTraceColours[1], kTraceColours[2], kTraceColours[3]);
    Chart->SetGridColor(kGridColour);
    Chart->SetBackgroundColor(kBackgroundColour);
    Chart->SetAxisColor(kAxisColour);
    // The chart starts on the ranges the axes start with, so that "the range
    // stays ..." names what the chart shows.
    Chart->SetXRange(axes_.XInForce.Min, axes_.XInForce.Max);
    Chart->SetYRange(axes_.YInForce.Min, axes_.YInForce.Max);
}

int CDlgScope::StopScopeThread() {
    StoppableWorker::Report(thread_.Stop(), "ScopeThread");
    return 1;
}

// ScopeThread. The link exists from start-up until after every scope thread
// has been stopped, so the pointer read here never changes under it.
// No sample is made up while the drive gives none: not connected, or its
// latest state poll failed (the watchdog is counting). The trace then stops
// where the data stopped, and a recording says when and why.
bool CDlgScope::ReadState(StatePoll* poll) {
    if (!link_) return false;
    const LocalText* why = !link_->IsConnected()    ? &kNoDataNotConnected
                           : link_->FailCount() > 0 ? &kNoDataNotAnswering
                                                    : nullptr;
    if (why != noData_.load()) NoteDataFlow(why);
    if (why != nullptr) return false;
    *poll = link_->LatestStatePoll();
    return true;
}

void CDlgScope::NoteDataFlow(const LocalText* why) {
    const bool wasFlowing = noData_.exchange(why) == nullptr;
    QMetaObject::invokeMethod(this, &CDlgScope::ShowTriggerState, Qt::QueuedConnection);
    if (wasFlowing == (why == nullptr)) return; // one reason for another: no new note
    if (recorder_.Accepting()) {
        const std::string time = WallClockText(std::chrono::system_clock::now());
        recorder_.AddNote(why != nullptr ? FillText(kRecordDataStopped.Pick(korean_),
                                                    {{"{time}", time}, {"{why}", why->Pick(korean_)}})
                                         : FillText(kRecordDataBack.Pick(korean_), {{"{time}", time}}));
    }
}

// ScopeThread. A sample that arrives after the window stopped is dropped:
// the stop (and a hide's clear) happened under the same lock.
// One taken in the mode before a change is dropped too: the chart was
// cleared for the new mode's spacing.
void CDlgScope::AppendSample(const ScopeSample& sample) {
    std::lock_guard lock(sampleLock_);
    if (thread_.RunState.load() != 1) return;
    if (sample.EveryPoll != (sampling_ == SamplingMode::EveryPoll)) return;
    // Every-poll samples lie as far apart as their polls were received.
    double advance = 1.0;
    if (sample.EveryPoll) {
        if (previousPoll_)
            advance =
                std::chrono::duration<double>(sample.Taken - *previousPoll_).count() * kSamplesPerSecond;
        previousPoll_ = sample.Taken;
    }
    if (recorder_.Accepting()) recorder_.Add(StampedAt(sample.Taken, sample.SampleValue));
    const TriggerStep step = trigger_.Feed(sample.SampleEnabled, sample.SampleValue, store_.Span(), advance);
    switch (step.Action) {
    case TriggerStep::Display::Append:
        store_.Append(sample.SampleEnabled, sample.SampleValue, advance);
        break;
    case TriggerStep::Display::Show:
        store_.ShowNewestOf(trigger_.History(), step.ShowCount, sample.SampleEnabled, step.OriginAge);
        break;
    case TriggerStep::Display::Hold:
        break;
    }
    if (step.StateChanged) QMetaObject::invokeMethod(this, &CDlgScope::OnTriggerEvent, Qt::QueuedConnection);
}

void CDlgScope::ReadBoxes() {
    axes_.XMinText = Utf8(XMinEdit->text());
    axes_.XMaxText = Utf8(XMaxEdit->text());
    axes_.YMinText = Utf8(YMinEdit->text());
    axes_.YMaxText = Utf8(YMaxEdit->text());
    axes_.CenterText = Utf8(CenterEdit->text());
    axes_.AmpText = Utf8(AmpEdit->text());
}

void CDlgScope::WriteBoxes() {
    XMinEdit->setText(Qs(axes_.XMinText));
    XMaxEdit->setText(Qs(axes_.XMaxText));
    YMinEdit->setText(Qs(axes_.YMinText));
    YMaxEdit->setText(Qs(axes_.YMaxText));
    CenterEdit->setText(Qs(axes_.CenterText));
    AmpEdit->setText(Qs(axes_.AmpText));
}

void CDlgScope::ApplyAxisChange(const AxisChange& change) {
    if (change.X) Chart->SetXRange(change.X->Min, change.X->Max);
    if (change.Y) Chart->SetYRange(change.Y->Min, change.Y->Max);
    if (change.ShowSpan) ShowValue(SpanLabel, Qs(axes_.SpanText));
}

// After the boxes are written back: the message box waits for the user,
// who then sees the range in force in the chart and in the boxes.
void CDlgScope::ReportRefusals(const AxisChange& change) {
    if (change.Refused.empty()) return;
    for (SpinButton* spin : {XZoomSpin, YZoomSpin, YScrollSpin, XScrollSpin})
        spin->Release();
    ShowMessage(AxisRefusalText(change.Refused, korean_));
}

void CDlgScope::SetRunIndicator(bool running) {
    RunIndicator->SetBkColour(running ? kRunningColour : kStoppedColour);
    RunIndicator->setAccessibleDescription(QString::fromUtf8((running ? kRunning : kStopped).Pick(korean_)));
}

void CDlgScope::SetChannelControlsEnabled(bool enabled) {
    for (int i = 0; i < kScopeChannels; ++i) {
        ChannelChecks[i]->setEnabled(enabled);
        SourceLists[i]->setEnabled(enabled);
    }
}

void CDlgScope::UpdateTraceNames() {
    Chart->SetTraceNames(ChannelColumnNames(channels_.ChannelOn(), channels_.ChannelSource(), korean_));
}

// Starting clears the plot, latches the channels and only then lets the
// thread sample, so that no sample is taken with the previous settings.
void CDlgScope::OnRunStop() {
    if (thread_.RunState.load() != 0) {
        StopAcquisition(false, true); // the plotted history stays
        return;
    }
    ReadBoxes();
    const std::string triggerRefused = ReadTriggerBoxes();
    {
        std::lock_guard lock(sampleLock_);
        store_.Clear();
        store_.SetOrigin(0.0);
        trigger_.Configure(triggerSettings_);
        trigger_.Arm();
        previousPoll_.reset();
    }
    SetRunIndicator(true);
    const AxisChange range = axes_.Start();
    ApplyAxisChange(range);
    std::array<int, kScopeChannels> on{}, source{};
    for (int i = 0; i < kScopeChannels; ++i) {
        on[i] = ChannelChecks[i]->isChecked() ? 1 : 0;
        source[i] = SourceLists[i]->currentIndex();
        channels_.SetOffset(i, ReadLeadingDecimal(Utf8(OffsetEdits[i]->text())));
        channels_.SetScale(i, ReadLeadingDecimal(Utf8(ScaleEdits[i]->text())));
    }
    channels_.Latch(on, source);
    UpdateTraceNames();
    SetChannelControlsEnabled(false);
    WriteBoxes();
    thread_.RunState.store(1);
    ShowTriggerState();
    UpdateStatusTimer();
    ReportRefusals(range);
    ReportTriggerRefusals(triggerRefused);
}

void CDlgScope::StopAcquisition(bool clearPlot, bool report) {
    thread_.RunState.store(0);
    ReadBoxes();
    if (clearPlot) {
        std::lock_guard lock(sampleLock_);
        store_.Clear();
        store_.SetOrigin(0.0);
    }
    SetRunIndicator(false);
    const AxisChange range = axes_.Stop();
    ApplyAxisChange(range);
    // The recorded columns stay as they are while a recording runs.
    SetChannelControlsEnabled(!RecordingNow());
    WriteBoxes();
    ShowTriggerState();
    UpdateReadout();
    UpdateStatusTimer();
    if (report) ReportRefusals(range);
}

void CDlgScope::reject() {
    hide();
    // The boxes go back to the range in force without a word: the window is
    // gone from the user's sight.
    StopAcquisition(true, false);
    if (recordingOn_) StopRecording(false); // nothing more would come; the file is closed whole
}

void CDlgScope::SetDriveCaption(const std::string& caption) {
    setWindowTitle(caption.empty() ? QStringLiteral("Scope") : QStringLiteral("Scope \u2014 ") + Qs(caption));
    driveCaption_ = caption;
    Chart->SetCsvDrive(caption);
}

void CDlgScope::StopWithReason(const std::string& why) {
    const bool running = RunState() != 0;
    const bool recording = recordingOn_;
    if (running) StopAcquisition(false, false);
    if (recording) {
        recorder_.AddNote("# " + why); // the file says why it ends there
        StopRecording(false);
    }
    if (!running && !recording) return;
    TriggerStateLabel->setText(Qs(why));
    TriggerStateLabel->setAccessibleDescription(Qs(why));
}

void CDlgScope::closeEvent(QCloseEvent* event) {
    thread_.RunState.store(0);
    QDialog::closeEvent(event); // arrives here as reject()
}

void CDlgScope::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDlgScope::OnRangeApply() {
    ReadBoxes();
    const AxisChange change = axes_.RangeApply();
    WriteBoxes();
    ApplyAxisChange(change);
    ReportRefusals(change);
}

void CDlgScope::OnXZoom(int delta) {
    ReadBoxes();
    const AxisChange change = axes_.ZoomX(delta);
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnYZoom(int delta) {
    ReadBoxes();
    const AxisChange change = axes_.ZoomY(delta);
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnYScroll(int delta) {
    ReadBoxes();
    const AxisChange change = axes_.ScrollY(delta);
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnXScroll(int delta) {
    const bool running = thread_.RunState.load() == 1;
    if (running) return;
    ReadBoxes();
    const AxisChange change = axes_.ScrollX(delta, running);
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnCenter() {
    ReadBoxes();
    const AxisChange change = axes_.Center();
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnAmpY() {
    ReadBoxes();
    const AxisChange change = axes_.Amp();
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnAutoY() {
    const AxisChange change = axes_.AutoY(channels_.ChannelMin(), channels_.ChannelMax());
    ApplyAxisChange(change);
    WriteBoxes();
    ReportRefusals(change);
}

void CDlgScope::OnApplyOffset(int channel) {
    channels_.SetOffset(channel, ReadLeadingDecimal(Utf8(OffsetEdits[channel]->text())));
}

void CDlgScope::OnApplyScale(int channel) {
    channels_.SetScale(channel, ReadLeadingDecimal(Utf8(ScaleEdits[channel]->text())));
}

} // namespace velt
