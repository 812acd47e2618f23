#include "CDlgRTUMonitoring.h"

#include "CDlgMenuBar.h"
#include "CVELT_HostApp.h"
#include "DialogFont.h"
#include "ShellTexts.h"
#include "controls/CColorStatic.h"
#include "link/CDriveLink.h"
#include "platform/MessageService.h"

#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {
constexpr auto kTimerPeriod = 100ms;
constexpr int kColumnWidth = 81; // pixels
const char* const kTitles[] = {"STATE_REG", "DI_REG", "DO_REG", "PARAM_REG"};
const QColor kCellBk(255, 255, 224);
const QColor kTitleBk(50, 70, 50);
const QColor kFailText(255, 0, 0);
} // namespace

CDlgRTUMonitoring::CDlgRTUMonitoring(CVELT_HostApp& app, QWidget* frame) : QWidget(frame), app_(app) {
    setObjectName(QStringLiteral("CDlgRTUMonitoring"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 25));
    InitRegisterGrid();
    connect(&timer_, &QTimer::timeout, this, &CDlgRTUMonitoring::OnTimer);
    timer_.start(kTimerPeriod);
}

// Two rows in the grid's place (6, 0, 651 x 26 dialog units): four block
// titles over three columns each, twelve counters below.
void CDlgRTUMonitoring::InitRegisterGrid() {
    const QRect area = DluRect(6, 0, 651, 26);
    const int rowHeight = std::min(area.height(), height()) / 2;
    for (int k = 0; k < 4; ++k) {
        auto* title = new CColorStatic(this);
        title->setText(QString::fromLatin1(kTitles[k]));
        title->setAlignment(Qt::AlignCenter);
        title->setGeometry(area.x() + 3 * k * kColumnWidth, area.y(), 3 * kColumnWidth, rowHeight);
        title->SetBkColour(kTitleBk);
        title->SetTextColour(Qt::white);
        titles_[k] = title;
    }
    for (int c = 0; c < kColumns; ++c) {
        auto* cell = new CColorStatic(this);
        cell->setText(QStringLiteral("0"));
        cell->setAlignment(Qt::AlignCenter);
        cell->setFrameShape(QFrame::Box);
        cell->setGeometry(area.x() + c * kColumnWidth, area.y() + rowHeight, kColumnWidth, rowHeight);
        cell->SetBkColour(kCellBk);
        cell->SetTextColour(c % 3 == 2 ? kFailText : QColor(Qt::black));
        counters_[c] = cell;
    }
}

QString CDlgRTUMonitoring::CounterText(int column) const {
    return column >= 0 && column < kColumns ? counters_[column]->text() : QString();
}

void CDlgRTUMonitoring::UpdateRegisterGrid() {
    const LinkCounters n = app_.Link->Counters();
    const uint32_t values[kColumns] = {n.StateReads, n.StateOk,    n.StateFail, n.DiReads,
                                       n.DiOk,       n.DiFail,     n.DoRequests, n.DoOk,
                                       n.DoFail,     n.ParamRequests, n.ParamOk, n.ParamFail};
    for (int c = 0; c < kColumns; ++c) {
        // Printed as signed 32-bit numbers, so a wrapped counter shows negative.
        counters_[c]->setText(QString::number(static_cast<int32_t>(values[c])));
    }
}

void CDlgRTUMonitoring::OnTimer() {
    if (!app_.Link) return;
    UpdateRegisterGrid();
    // The message box below runs a nested event loop in which this timer keeps
    // firing; the disconnect has zeroed FailCount by then, and the flag keeps
    // a second box away in any case.
    if (inWatchdog_ || app_.Link->FailCount.load() < kFailLimit) return;
    inWatchdog_ = true;
    {
        CVELT_HostApp::BusyScope busy(app_);
        if (app_.MenuBar) app_.MenuBar->DisconnectDrive();
        ShowMessage(kDriverNoResponse.Pick(app_.IsKorean != 0));
    }
    inWatchdog_ = false;
}

} // namespace velt
