#pragma once
// Scope window ("Scope"): plots four live drive values against
// time. Four of them exist, created once at start-up, hidden, with no parent
// window; closing one hides it and stops its acquisition.
//
// Each window owns a strip chart, the store of the samples it shows and a
// ScopeThread that runs from creation to StopScopeThread at shutdown. While
// the window runs, the thread takes a sample of the four channels on every
// 50 ms mark (or, in the every-poll mode, of every state poll received) from
// the link's latest state block, hands it to the recorder
// when one runs, and lets the trigger decide what the store holds next: the
// sample appended, a caught span, or nothing new. The chart shows the store.
//
// Locks, in the order they are taken (never the reverse): the window's
// sample lock, held by the thread's sink around the whole hand-over (the
// run state checked, the recorder, the trigger, the store) and by this
// window around every trigger change and every clear of the store; then
// either the recorder's lock or the store's own (the channels' lock is
// taken alone). A stop or a hide thus lands between two hand-overs: a
// sample is stored before it or not at all. The chart's picture is user-interface thread only and takes no
// lock but the store's; widgets are touched only on the user-interface thread. Everything here except the
// thread's sink is user-interface thread only. The trigger settings, the cursors and the level stay with the
// window while the program runs.
#include "scope/COScopeCtrl.h"
#include "scope/ScopeAxes.h"
#include "scope/ScopeChannels.h"
#include "scope/ScopeRecorder.h"
#include "scope/ScopeSampleStore.h"
#include "scope/ScopeThread.h"
#include "scope/ScopeTrigger.h"

#include <QDialog>

#include <array>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace velt {

class CColorStatic;
struct LocalText;
class SpinButton;

class CDlgScope : public QDialog {
    Q_OBJECT
public:
    // The link the ScopeThread reads (may be null: no samples are taken) and
    // the language of the window's texts.
    CDlgScope(const CDriveLink* link, bool korean);
    // Stops the thread (without messages) if StopScopeThread was not called,
    // and waits for one that outlived StopScopeThread's wait.
    ~CDlgScope() override;

    // Ends the ScopeThread: clears ThreadAlive and waits up to 5000 ms. On a
    // time-out shows "ScopeThread timeout!", on a failed wait "ScopeThread
    // waitfailed". Returns 1 in every case, at once when no thread runs.
    int StopScopeThread();

    // The drive the window shows, named in its title ("Scope — drive 2
    // X axis"); empty leaves the title "Scope".
    void SetDriveCaption(const std::string& caption);
    // Stops acquiring and a recording (its file closed whole, its last line
    // the reason) and, when
    // either ran, says why in the trigger state line. For a stop the window
    // did not choose, such as a change of drive.
    void StopWithReason(const std::string& why);

    // 1 while acquiring (the ScopeThread reads it).
    int RunState() const { return thread_.RunState.load(); }
    int ThreadAlive() const { return thread_.ThreadAlive.load(); }
    const ScopeThread& Thread() const { return thread_; }
    const ScopeChannels& Channels() const { return channels_; }
    const ScopeAxes& Axes() const { return axes_; }
    // The samples the chart shows.
    const ScopeSampleStore& Store() const { return store_; }

    COScopeCtrl* Chart = nullptr;
    QLineEdit* XMinEdit = nullptr;
    QLineEdit* XMaxEdit = nullptr;
    QLineEdit* YMinEdit = nullptr;
    QLineEdit* YMaxEdit = nullptr;
    QLineEdit* CenterEdit = nullptr;
    QLineEdit* AmpEdit = nullptr;
    SpinButton* XZoomSpin = nullptr;
    SpinButton* YZoomSpin = nullptr;
    SpinButton* YScrollSpin = nullptr;
    SpinButton* XScrollSpin = nullptr;
    QPushButton* RangeApplyButton = nullptr;
    QPushButton* CenterButton = nullptr;
    QPushButton* AmpButton = nullptr;
    QPushButton* AutoYButton = nullptr;
    QPushButton* RunStopButton = nullptr;
    QLabel* SpanLabel = nullptr;
    QComboBox* SamplingList = nullptr; // 50 ms grid, every poll (SamplingMode order)
    CColorStatic* RunIndicator = nullptr;
    std::array<CColorStatic*, 4> Swatches{};
    std::array<QCheckBox*, 4> ChannelChecks{};
    std::array<QComboBox*, 4> SourceLists{};
    std::array<QLineEdit*, 4> OffsetEdits{};
    std::array<QLineEdit*, 4> ScaleEdits{};
    std::array<QPushButton*, 4> OffsetApply{};
    std::array<QPushButton*, 4> ScaleApply{};
    // Trigger, cursors and recording (CDlgScopeTuning.cpp).
    QComboBox* TriggerModeList = nullptr;   // Free run, Auto, Normal, Single
    QComboBox* TriggerSourceList = nullptr; // Ch 1 .. Ch 4
    QComboBox* TriggerEdgeList = nullptr;   // Rising, Falling
    QLineEdit* LevelEdit = nullptr;
    QLineEdit* PreTriggerEdit = nullptr; // percent of the X range
    QLineEdit* HoldoffEdit = nullptr;    // seconds
    QLabel* TriggerStateLabel = nullptr;
    QCheckBox* CursorsCheck = nullptr;
    QLabel* CursorReadout = nullptr;
    QPushButton* RecordButton = nullptr;
    QLabel* RecordStatusLabel = nullptr;
    QAction* RecordAction = nullptr; // the same as RecordButton, in the chart's menu
    // Step figures (CDlgScopeStep.cpp).
    QCheckBox* StepCheck = nullptr;       // figures, marks and CSV comments on or off
    QComboBox* StepChannelList = nullptr; // Ch 1 .. Ch 4
    QComboBox* StepCommandList = nullptr; // none, Ch 1 .. Ch 4
    QLineEdit* StepLowEdit = nullptr;     // rise time levels, percent of the step
    QLineEdit* StepHighEdit = nullptr;
    QLineEdit* StepBandEdit = nullptr; // settling band, percent of the step
    QLabel* StepSpanLabel = nullptr;   // whole trace or between the cursors
    QLabel* StepFiguresLabel = nullptr;
    QPushButton* StepCopyButton = nullptr;
    // The figure lines shown (and copied); empty while the figures are off.
    std::vector<std::string> StepLines() const;

    // The trigger settings in force and the trigger's state. Take the
    // sample lock.
    TriggerSettings Trigger() const;
    TriggerState TriggerStateNow() const;
    ScopeRecorder::Status Recording() const { return recorder_.Snapshot(); }

public slots:
    void OnRunStop();
    // The sampling list's choice: the ScopeThread's mode from its next pass,
    // the chart cleared (a trace of mixed spacing means nothing) and the
    // trigger armed afresh.
    void OnSamplingMode(int index);
    void OnRangeApply();
    void OnCenter();
    void OnAmpY();
    void OnAutoY();
    void OnXZoom(int delta);
    void OnYZoom(int delta);
    void OnYScroll(int delta);
    void OnXScroll(int delta);
    void OnApplyOffset(int channel);
    void OnApplyScale(int channel);
    void OnTriggerSettings(); // any trigger control changed: settings taken from all of them
    void OnLevelDragged(double level);
    void OnCursorsToggled(bool on);
    void OnRecord();       // "Record..." or "Stop Recording"
    void OnStepSettings(); // any step control changed
    void OnStepCopy();
    void UpdateStep();      // the figures again when their samples, cursors or settings changed
    void reject() override; // command 2 (Esc, close box): hide and stop

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override; // Enter does nothing

private:
    void CreateControls();      // CDlgScopeControls.cpp
    void CreateRangeControls(); // CDlgScopeControls.cpp
    void CreateChannelControls();
    void CreateTuningControls(); // CDlgScopeTuning.cpp
    void CreateStepControls();   // CDlgScopeStep.cpp
    void WriteStepBoxes();
    void AddChartMenuEntries(); // CDlgScopeTuning.cpp
    void SetAccessibleNames();
    void InitDialog();
    void InitChart();
    void ReadBoxes();
    void WriteBoxes();
    void ApplyAxisChange(const AxisChange& change);
    void SetRunIndicator(bool running);
    void SetChannelControlsEnabled(bool enabled);
    // Stop (Run/Stop) and hide: a hide also clears the plot; `report` tells
    // a range that was not applied.
    void StopAcquisition(bool clearPlot, bool report);
    void ReportRefusals(const AxisChange& change);
    void UpdateTraceNames();
    void AppendSample(const ScopeSample& sample); // ScopeThread
    bool ReadState(StatePoll* poll);              // ScopeThread
    // ScopeThread: the drive's data stopped (`why`) or came back (nullptr).
    void NoteDataFlow(const LocalText* why);
    // CDlgScopeTuning.cpp. ReadTriggerBoxes returns the refusals' message
    // (empty when none), told by ReportTriggerRefusals.
    std::string ReadTriggerBoxes();
    void ReportTriggerRefusals(const std::string& text);
    void ShowTriggerState();
    void OnTriggerEvent(); // queued by the ScopeThread when the trigger's state changed
    void UpdateLevelLine();
    void UpdateReadout();
    void OnStatusTimer();
    void UpdateStatusTimer();
    void StartRecording();
    void StopRecording(bool failed);
    void ShowRecordStatus();
    bool RecordingNow() const;

    const CDriveLink* const link_;
    const bool korean_;
    mutable std::mutex sampleLock_; // see above
    ScopeSampleStore store_;
    ScopeAxes axes_;
    ScopeChannels channels_;
    ScopeTrigger trigger_;                       // under sampleLock_
    SamplingMode sampling_ = SamplingMode::Grid; // under sampleLock_: the samples stored
    // Under sampleLock_: when the previous every-poll sample was received,
    // none after a change of mode or a start.
    std::optional<std::chrono::steady_clock::time_point> previousPoll_;
    TriggerSettings triggerSettings_; // user-interface thread's copy
    ScopeRecorder recorder_;
    bool recordingOn_ = false; // from a started recording until StopRecording
    std::string driveCaption_; // SetDriveCaption's, written at the head of a recording
    // Why the drive gives no data now (nullptr while it does): written by
    // the ScopeThread, read by the window for its trigger state line.
    std::atomic<const LocalText*> noData_{nullptr};
    QTimer* statusTimer_ = nullptr;
    // What the step figures shown were computed from.
    struct StepInputsShown {
        uint64_t Version = 0;
        bool CursorsOn = false;
        double T1 = 0.0, T2 = 0.0;
        int Channel = 0, Command = -1;
        bool Valid = false;
        bool operator==(const StepInputsShown&) const = default;
    };
    StepSettings stepSettings_;
    StepInputsShown stepShown_;
    std::vector<std::string> stepLines_;
    QTimer* stepTimer_ = nullptr;
    ScopeThread thread_;
};

} // namespace velt
