#pragma once
// Repeat-motion window ("Repeat"): runs the drive through a cycle
// of up to eight points until the user stops it or the drive leaves servo-on
// or alarms. Created once at start-up, hidden, with no parent window; Esc and
// the close box hide it and a running sequence goes on.
//
// The sequence itself (RepeatSequence) runs on the RepeatThread from the
// window's creation to StopRepeatThread at shutdown. Everything that touches
// the grid, the buttons or the title runs on the user-interface thread: each
// pass posts one queued refresh, and a pass that finds one still pending
// posts nothing, so a slow window never builds a backlog. While the window is
// hidden and no cycle runs, a pass posts only the end of a cycle to report:
// the user-interface thread is not woken a hundred times a second for a
// window nobody sees.
#include "repeat/RepeatSequence.h"
#include "repeat/RepeatThread.h"

#include <QDialog>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>

class QPushButton;

namespace velt {

class CDriveLink;
class CGridCtrl;

class CDlgRepeat : public QDialog {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kStopWait{5000};

    // The link the sequence writes through (may be null: Start does
    // nothing) and the language of the window's texts.
    CDlgRepeat(CDriveLink* link, bool korean);
    ~CDlgRepeat() override; // ends the RepeatThread if StopRepeatThread did not

    // Shutdown, user-interface thread: ends the RepeatThread, waiting up to
    // 5000 ms ("RepeatThread timeout!" / "RepeatThread waitfailed" when it
    // does not end); at once when no thread runs.
    void StopRepeatThread();

    CGridCtrl* PointGrid = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* StopButton = nullptr;

    RepeatSequence& Sequence() { return sequence_; }
    // The drive the window drives, named in its title ("Repeat — drive 2
    // X axis"); empty names none.
    void SetDriveCaption(const std::string& caption);
    // Stops a running cycle (STOP written to the drive in use) and says
    // why in the title until the next Start. Nothing when none runs.
    void StopWithReason(const std::string& why);
    const RepeatThread& Worker() const { return thread_; }

public slots:
    void OnStart();
    void OnStop();
    void OnPointGridDblClick(int row, int col);
    // One RepeatThread pass seen on the user-interface thread: the point grid,
    // the focus cell, "Start", the title and the report of an end.
    void OnPass();

protected:
    void keyPressEvent(QKeyEvent* event) override; // Enter does nothing
    void showEvent(QShowEvent* event) override;    // refreshes at once
    void hideEvent(QHideEvent* event) override;

private:
    void InitPointGrid();
    void RefreshPointGrid(const RepeatStatus& status);
    RepeatPoints ReadPointGrid() const;
    void UpdateTitle(const RepeatStatus& status);
    void ReportEnd(const RepeatStatus& status);
    void PostPass(); // RepeatThread

    const bool korean_;
    QString driveCaption_;
    QString stopReason_;      // from StopWithReason until the next Start
    RepeatSequence sequence_; // declared before thread_: the thread ends first
    RepeatThread thread_;
    std::atomic<bool> passPending_{false};
    std::atomic<bool> shown_{false};
    uint32_t postedEnds_ = 0;  // RepeatThread: the end serial of the last pass posted
    uint32_t focusSerial_ = 0; // the last focus request applied
    uint32_t endSerial_ = 0;   // the last end reported
};

} // namespace velt
