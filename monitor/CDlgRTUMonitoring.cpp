#include "CDlgRTUMonitoring.h"

#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/BusyScope.h"
#include "controls/CGridCtrl.h"
#include "controls/ConnectionWatch.h"
#include "controls/DialogFont.h"
#include "controls/PageGrid.h"
#include "link/CDriveLink.h"
#include "link/LinkTexts.h"
#include "monitor/MonitorTexts.h"

#include <chrono>
#include <string>

namespace velt {

using namespace std::chrono_literals;

namespace {
constexpr auto kTimerPeriod = 100ms;
constexpr int kColumnWidth = 81; // pixels
const char* const kTitles[] = {"STATE_REG", "DI_REG", "DO_REG", "PARAM_REG"};
constexpr GridRgb kTitleBk = Rgb(50, 70, 50);
constexpr GridRgb kFailText = Rgb(255, 0, 0);
} // namespace

CDlgRTUMonitoring::CDlgRTUMonitoring(const CDriveLink* link, bool korean, ConnectionWatch* watch,
                                     QWidget* frame)
    : QWidget(frame), link_(link), korean_(korean) {
    setObjectName(QStringLiteral("CDlgRTUMonitoring"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 25));
    InitRegisterGrid();
    // Screen readers and automation tools find the strip and read its cells
    // through the grid's table interface.
    const QString name = QString::fromUtf8(kRegisterMonitorName.Pick(korean_));
    NameAfterCaption(this, name);
    NameAfterCaption(RegisterGrid, name);
    connect(&timer_, &QTimer::timeout, this, &CDlgRTUMonitoring::OnTimer);
    timer_.start(kTimerPeriod);
    if (watch != nullptr) {
        lossesTold_ = watch->Status().Losses;
        connect(watch, &ConnectionWatch::Changed, this, &CDlgRTUMonitoring::FollowConnection);
    }
}

// Two rows, no fixed cells: four block titles merged over three columns
// each, twelve counters below; the failure counters in red.
void CDlgRTUMonitoring::InitRegisterGrid() {
    RegisterGrid = new CGridCtrl(this);
    RegisterGrid->setGeometry(DluRect(6, 0, 651, 26));
    ApplyPageGridSettings(*RegisterGrid, font());
    if (!RegisterGrid->SetRowCount(2) || !RegisterGrid->SetColumnCount(kColumns) ||
        !RegisterGrid->SetFixedRowCount(0) || !RegisterGrid->SetFixedColumnCount(0)) {
        return;
    }
    for (int k = 0; k < 4; ++k) {
        RegisterGrid->MergeCells(0, 3 * k, 0, 3 * k + 2);
        RegisterGrid->SetItemState(0, 3 * k, RegisterGrid->GetItemState(0, 3 * k) | GVIS_READONLY);
    }
    for (int c = 0; c < kColumns; ++c) {
        const int title = 3 * (c / 3);
        WriteCentred(*RegisterGrid, 0, title, kTitles[c / 3]);
        WriteCentred(*RegisterGrid, 1, c, "0");
        RegisterGrid->SetColumnWidth(c, kColumnWidth);
        RegisterGrid->SetItemBkColour(0, title, kTitleBk);
        RegisterGrid->SetItemFgColour(0, title, Rgb(255, 255, 255));
    }
    for (int c : {2, 5, 8, 11})
        RegisterGrid->SetItemFgColour(1, c, kFailText);
    RegisterGrid->Refresh();
}

QString CDlgRTUMonitoring::CounterText(int column) const {
    return RegisterGrid->GetItemText(1, column);
}

void CDlgRTUMonitoring::UpdateRegisterGrid() {
    const LinkCounters n = link_->Counters();
    const uint32_t values[kColumns] = {n.StateReads, n.StateOk,       n.StateFail,  n.DiReads,
                                       n.DiOk,       n.DiFail,        n.DoRequests, n.DoOk,
                                       n.DoFail,     n.ParamRequests, n.ParamOk,    n.ParamFail};
    for (int c = 0; c < kColumns; ++c) {
        // Printed as signed 32-bit numbers, so a wrapped counter shows negative.
        WriteCentred(*RegisterGrid, 1, c, std::to_string(static_cast<int32_t>(values[c])));
    }
    RegisterGrid->Refresh();
}

void CDlgRTUMonitoring::OnTimer() {
    if (link_ != nullptr) UpdateRegisterGrid();
}

// The message is shown from an event of its own, after this slot has
// returned, so that every window that follows the connection has seen the
// loss first, and a box that waits for the user holds nothing up: the
// supervisor goes on watching. A drive that stops answering again while the
// box of an earlier loss is still open (it reconnected meanwhile) is not told
// twice; one box stands for both.
void CDlgRTUMonitoring::FollowConnection(const ConnectionStatus& status) {
    if (status.Losses == lossesTold_) return;
    lossesTold_ = status.Losses;
    if (inWatchdog_) return;
    inWatchdog_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const BusyScope busy;
            ShowMessage(kDriverNoResponse.Pick(korean_));
            inWatchdog_ = false;
        },
        Qt::QueuedConnection);
}

} // namespace velt
