#include "LinkHealthDialog.h"

#include "RoundTripHistogram.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "link/CDriveLink.h"
#include "monitor/LinkHealthTexts.h"
#include "platform/UsbLatency.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {
constexpr auto kRefreshPeriod = 500ms;
// A latency timer above this is worth lowering.
constexpr int kGoodLatencyMs = 1;

void SetText(QLabel* label, const QString& text) {
    ShowValue(label, text);
}
} // namespace

LinkHealthDialog::LinkHealthDialog(const CDriveLink* link, bool korean)
    : QDialog(nullptr), link_(link), korean_(korean) {
    setObjectName(QStringLiteral("LinkHealthDialog"));
    setWindowTitle(QString::fromUtf8(kHealthTitle.Pick(korean)));
    setFont(DialogFont());
    setModal(false);
    if (link_) meter_ = std::make_unique<LinkHealthMeter>(link_->Journal());

    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    top->addLayout(grid);
    RequestsValue = AddRow(grid, 0, kHealthRequests.Pick(korean));
    RoundTripValue = AddRow(grid, 1, kHealthRoundTrip.Pick(korean));
    auto* histogramCaption = new QLabel(QString::fromUtf8(kHealthHistogram.Pick(korean)), this);
    grid->addWidget(histogramCaption, 2, 0, Qt::AlignTop);
    Histogram = new RoundTripHistogram(QString::fromUtf8(kHealthNoHistogram.Pick(korean)), this);
    grid->addWidget(Histogram, 2, 1);
    NameAfterLabel(Histogram, histogramCaption);
    SinceFailureValue = AddRow(grid, 3, kHealthSinceFailure.Pick(korean));
    PollingValue = AddRow(grid, 4, kHealthPolling.Pick(korean));

    auto* failures = new QGroupBox(QString::fromUtf8(kHealthFailures.Pick(korean)), this);
    NameAfterCaption(failures, failures->title());
    auto* failureGrid = new QGridLayout(failures);
    for (size_t k = 0; k < kFailureKindCount; ++k) {
        const int row = static_cast<int>(k % 3);
        const int col = static_cast<int>(k / 3) * 2;
        auto* caption = new QLabel(Qs(FailureKindName(k, korean)), failures);
        auto* value = new QLabel(failures);
        ShowValue(value, QStringLiteral("0"));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        failureGrid->addWidget(caption, row, col);
        failureGrid->addWidget(value, row, col + 1);
        NameAfterLabel(value, caption);
        FailureValues[k] = value;
    }
    top->addWidget(failures);

    LatencyNote = new QLabel(this);
    LatencyNote->setWordWrap(true);
    LatencyNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LatencyNote->setStyleSheet(QStringLiteral("color: rgb(160, 60, 0)"));
    LatencyNote->hide();
    top->addWidget(LatencyNote);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ResetButton = new QPushButton(QString::fromUtf8(kHealthReset.Pick(korean)), this);
    CloseButton = new QPushButton(QString::fromUtf8(kHealthClose.Pick(korean)), this);
    for (QPushButton* b : {ResetButton, CloseButton}) {
        NameAfterCaption(b, b->text());
        buttons->addWidget(b);
    }
    CloseButton->setDefault(true); // Enter presses the focused button, else Close
    top->addLayout(buttons);
    connect(ResetButton, &QPushButton::clicked, this, &LinkHealthDialog::OnReset);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::hide);
    connect(&timer_, &QTimer::timeout, this, &LinkHealthDialog::Refresh);
    Refresh();
}

LinkHealthDialog::~LinkHealthDialog() = default;

QLabel* LinkHealthDialog::AddRow(QGridLayout* grid, int row, const char* captionUtf8) {
    auto* caption = new QLabel(QString::fromUtf8(captionUtf8), this);
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(caption, row, 0);
    grid->addWidget(value, row, 1);
    NameAfterLabel(value, caption);
    return value;
}

void LinkHealthDialog::showEvent(QShowEvent* event) {
    Refresh();
    CheckLatencyTimer();
    timer_.start(kRefreshPeriod);
    QDialog::showEvent(event);
}

void LinkHealthDialog::hideEvent(QHideEvent* event) {
    timer_.stop();
    QDialog::hideEvent(event);
}

void LinkHealthDialog::OnReset() {
    if (meter_) meter_->Reset(SteadyNowNs());
    Refresh();
}

void LinkHealthDialog::Refresh() {
    if (meter_) {
        const int64_t now = SteadyNowNs();
        const LinkStatus status = link_->Status();
        meter_->Update(now, status.PassCount, status.Connected);
        const uint32_t baud = status.Baud;
        figures_ = meter_->Figures(now, baud);
    }
    const LinkHealthFigures& f = figures_;
    SetText(RequestsValue, QString::number(f.RequestsPerSecond, 'f', 1));
    SetText(RoundTripValue, Qs(RoundTripText(f, korean_)));
    Histogram->SetCounts(f.Histogram, Qs(HistogramText(f)));
    for (size_t k = 0; k < kFailureKindCount; ++k)
        SetText(FailureValues[k], QString::number(FailureKindCount(f, k)));
    SetText(SinceFailureValue, Qs(SinceFailureText(f, korean_)));
    SetText(PollingValue, Qs(PollingText(f, korean_)));
    if (link_ && link_->Status().Device != latencyDevice_) CheckLatencyTimer();
}

// Read again whenever the window is shown and when the port opened another
// device; a sysfs read is cheap, but there is no need to make it twice a second.
void LinkHealthDialog::CheckLatencyTimer() {
    if (!link_) return;
    latencyDevice_ = link_->Status().Device;
    const std::optional<UsbLatencyTimer> timer = ReadUsbLatencyTimer(latencyDevice_);
    const bool slow = timer && timer->Ms > kGoodLatencyMs;
    if (slow) {
        const QString text = Qs(UsbLatencyAdvice(timer->Ms, timer->SysfsPath, korean_));
        SetText(LatencyNote, text);
        NameAfterCaption(LatencyNote, text);
    }
    LatencyNote->setVisible(slow);
}

} // namespace velt
