#pragma once
// Monitoring page (660 x 337 dialog units): a child page of the
// main window on which the engineer watches the connected drive and drives
// it by hand. It never touches the serial port: it reads the link's
// snapshots on two timers (every 10 ms: the three grids and one logged
// frame per list; every 300 ms: alarm label, lamps, mode labels, the
// hidden counters) and asks the link for single register and coil writes.
//
// Threads: QueueTxFrame and QueueRxFrame run on the thread that made the
// request, under the link's lock, and take only the frame log's queue locks.
// Everything else is user-interface thread only.
#include "link/CDriveLink.h"
#include "monitor/FrameLog.h"
#include "monitor/MonitorCommands.h"
#include "monitor/MonitorView.h"

#include <QFont>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velt {

class CButtonST;
class CColorStatic;
class CGridCtrl;
class ConnectionWatch;
class FrameLogList;
struct ConnectionStatus;
struct LocalText;

class CDlgMonitoring : public QWidget, public IFrameLog {
    Q_OBJECT
public:
    // What the shell hands the page: the drive link (may be null: the page
    // then shows zeros and sends nothing), the language, the connection
    // watch whose notes of loss and return go into the "Receive" list (may be
    // null), and two services of other windows.
    struct Wiring {
        CDriveLink* Link = nullptr;
        bool Korean = false;
        ConnectionWatch* Watch = nullptr;
        std::function<void()> ShowRepeatWindow;           // "Repeat Test"
        std::function<std::string(int reg)> RegisterName; // for messages naming a register
    };

    CDlgMonitoring(Wiring wiring, QWidget* frame);
    ~CDlgMonitoring() override;

    void QueueTxFrame(int length, const uint8_t* bytes) override;
    void QueueRxFrame(int length, const uint8_t* bytes) override;
    void ClearFrameQueues();

    // Writes the lines of both lists in arrival order, each with its arrival
    // time, to path (atomically). On failure tells the user and returns false.
    bool SaveLogTo(const QString& path);

    // Lamp k in the order of kLampCaptions.
    CColorStatic* Lamp(int k) const { return k < 9 ? StatusLabels[k + 1] : HomeExeLamp; }
    // Ticks of the 10 ms timer handled so far.
    int StateTicks() const { return stateTicks_; }

    // Makes every tick repaint the three grids whole, as if each cell had
    // changed (for the benchmark's comparison); off by default.
    bool WholeRepaint = false;
    // 10 ms ticks that found new drive data and rewrote the grids.
    int GridUpdates() const { return gridUpdates_; }

    // Adds a line of text (not a frame) to the "Receive" list, with the time
    // it was added: the notes of connections lost and made again.
    void AddNote(const QString& text);
    // The supervisor's state changed: its new notes go into the list.
    void FollowConnection(const velt::ConnectionStatus& status);

    // Controls, named as in the dialog template; the numbers are their ids.
    CGridCtrl* StateGrid = nullptr;
    CGridCtrl* InputGrid = nullptr;
    CGridCtrl* OutputGrid = nullptr;
    FrameLogList* SendList = nullptr;
    FrameLogList* ReceiveList = nullptr;
    // [0] the alarm label, [1..8] the status lamps, [9] "Home".
    std::array<CColorStatic*, 10> StatusLabels{};
    CColorStatic* AlarmLabel = nullptr;
    CColorStatic* HomeExeLamp = nullptr;
    CColorStatic* ControlModeLabel = nullptr;
    CColorStatic* CommandFormLabel = nullptr;
    CColorStatic* SwitchControlModeLabel = nullptr;
    CColorStatic* SwitchCommandFormLabel = nullptr;
    QLineEdit* PositionEdit = nullptr;
    QLineEdit* SpeedEdit = nullptr;
    QLineEdit* TorqueEdit = nullptr;
    QLineEdit* EncoderClearEdit = nullptr;
    QPushButton* RunButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* EmgButton = nullptr;
    QPushButton* ResetButton = nullptr;
    QPushButton* ServoOnButton = nullptr;
    QPushButton* ServoOffButton = nullptr;
    QPushButton* HomeButton = nullptr;
    QPushButton* EncoderResetButton = nullptr;
    QPushButton* ModeSwitchButton = nullptr;
    std::array<QPushButton*, 8> OutputButtons{}; // OUT 1 ON, OUT 1 OFF, .. OUT 4 OFF
    CButtonST* RepeatButton = nullptr;
    QLabel* CrcErrorCount = nullptr; // hidden
    QLabel* TimeOutCount = nullptr;  // hidden
    QFont RepeatButtonFont;

public slots:
    void OnStateTimer();     // every 10 ms: grids, then one logged frame per list
    void UpdateIndicators(); // every 300 ms

    void OnRun();
    void OnStop();
    void OnEmg();
    void OnReset();
    void OnServoOn();
    void OnServoOff();
    void OnHome();
    void OnEncoderReset();
    void OnControlModeSwitching();
    void OnOutput(int coil, bool on);
    void OnRepeatTest();
    void SaveLogAs(); // asks for a file, then SaveLogTo

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    uint32_t notesShown_ = 0; // the supervisor's notes already in the list
    void CreateModeGroup();
    void CreateCommandGroup();
    void CreateIndicators();
    void CreateGridsAndLists();
    void InitStateGrid();
    void InitIoGrid(CGridCtrl& grid, bool inputs);
    void UpdateStateGrid(const StateBlock& regs);
    void UpdateIoGrid(CGridCtrl& grid, bool inputs, const BitBlock& bits, const ParamBlock& params);
    void ShowLoggedFrames();
    void RefreshGrid(CGridCtrl& grid);

    // The link when it exists and is connected; nullptr otherwise (commands
    // then do nothing, silently).
    CDriveLink* ConnectedLink() const;
    // The number in an edit, or nothing after telling the user why not.
    std::optional<int32_t> CheckedField(CommandField field, QLineEdit* edit);
    // Writes the command code; a write that fails is told (TellCommandFailed)
    // and gives false. Nothing, and true, while the link is not connected.
    bool WriteCode(const char* name, drive::Command code);
    // The message of a command or output write that did not reach the drive,
    // and the same as a note in the "Receive" list under the failed frame.
    void TellCommandFailed(const std::string& name, RtuResult result, const LocalText* consequence);
    // A HOME waiting to send its second code does not send it.
    void CancelPendingHome() { ++homeTicket_; }
    // Sends the arguments, then the command code only when every argument
    // write succeeded; otherwise names the register that failed.
    void SendWithArguments(const char* command, const std::vector<RegisterWrite>& writes);

    bool Korean() const;

    const Wiring wiring_;
    FrameLog frameLog_;
    QTimer stateTimer_;
    QTimer indicatorTimer_;
    StateTexts stateTexts_;
    int stateTicks_ = 0;
    int gridUpdates_ = 0;
    std::optional<uint32_t> shownGeneration_; // the link data the grids show
    uint64_t homeTicket_ = 0;                 // the HOME whose second code is due
    std::array<bool, 4> modeActive_{};        // the mode labels show the active pair
    QString lastSaveFolder_;
};

} // namespace velt
