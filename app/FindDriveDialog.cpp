#include "FindDriveDialog.h"

#include "LineDrivesTexts.h"
#include "ShellTexts.h"
#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "link/ScanReport.h"
#include "link/ScanTexts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {
// How often the window shows the search's progress.
constexpr auto kRefreshPeriod = 100ms;
// Closing the window waits this long at most for a cancelled search: a
// search ends within one probe (about 140 ms at 9600 bit/s).
constexpr auto kCloseWait = 1000ms;
constexpr int kColumns = 5;

} // namespace

FindDriveDialog::FindDriveDialog(Wiring wiring, QWidget* parent)
    : QDialog(parent), wiring_(std::move(wiring)) {
    setObjectName(QStringLiteral("FindDriveDialog"));
    setWindowTitle(Qs(kFindDriveTitle.Pick(wiring_.Korean)));
    setFont(DialogFont());
    setModal(false);
    CreateControls();
    connect(&timer_, &QTimer::timeout, this, &FindDriveDialog::Refresh);
    Refresh();
}

FindDriveDialog::~FindDriveDialog() {
    timer_.stop();
    if (scan_) scan_->Cancel();
}

void FindDriveDialog::CreateControls() {
    const bool ko = wiring_.Korean;
    const auto text = [ko](const LocalText& t) { return Qs(t.Pick(ko)); };
    PortCaption = new QLabel(text(kScanPortCaption), this);
    PortValue = new QLabel(this);
    PortValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
    AllPortsCheck = new QCheckBox(text(kScanAllPorts), this);
    StartButton = new QPushButton(text(kScanStart), this);
    CancelButton = new QPushButton(Qs(kCancelCaption.Pick(ko)), this);
    Progress = new QProgressBar(this);
    Progress->setTextVisible(true);
    StatusText = new QLabel(text(kScanIdle), this);
    StatusText->setWordWrap(true);
    Results = new QTableWidget(0, kColumns, this);
    Results->setHorizontalHeaderLabels({text(kScanColumnPort), text(kScanColumnBaud), text(kScanColumnId),
                                        text(kScanColumnHw), text(kScanColumnSw)});
    Results->setSelectionBehavior(QAbstractItemView::SelectRows);
    Results->setSelectionMode(QAbstractItemView::SingleSelection);
    Results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Results->verticalHeader()->hide();
    Results->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Results->horizontalHeader()->setStretchLastSection(true);
    Results->setMinimumSize(DluSize(280, 70));
    UseButton = new QPushButton(text(kScanUse), this);
    CloseButton = new QPushButton(text(kScanClose), this);
    KeepButton = new QPushButton(text(kKeepFoundDrives), this);
    // Enter presses the focused button, else Start.
    StartButton->setDefault(true);
    for (QPushButton* b : {StartButton, CancelButton, UseButton, KeepButton, CloseButton})
        NameAfterCaption(b, b->text());
    NameAfterLabel(PortValue, PortCaption);
    NameAfterCaption(AllPortsCheck, AllPortsCheck->text());
    NameAfterCaption(Progress, text(kScanProgressName));
    NameAfterCaption(Results, text(kScanResultsName));

    auto* top = new QHBoxLayout;
    top->addWidget(PortCaption);
    top->addWidget(PortValue, 1);
    top->addWidget(AllPortsCheck);
    top->addWidget(StartButton);
    top->addWidget(CancelButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(KeepButton);
    bottom->addStretch(1);
    bottom->addWidget(UseButton);
    bottom->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Progress);
    layout->addWidget(StatusText);
    layout->addWidget(Results, 1);
    layout->addLayout(bottom);

    connect(StartButton, &QPushButton::clicked, this, &FindDriveDialog::OnStart);
    connect(CancelButton, &QPushButton::clicked, this, &FindDriveDialog::OnCancel);
    connect(UseButton, &QPushButton::clicked, this, &FindDriveDialog::OnUse);
    connect(KeepButton, &QPushButton::clicked, this, &FindDriveDialog::OnKeep);
    connect(CloseButton, &QPushButton::clicked, this, &FindDriveDialog::reject);
    connect(AllPortsCheck, &QCheckBox::toggled, this, &FindDriveDialog::ShowPort);
    connect(Results, &QTableWidget::itemSelectionChanged, this,
            [this] { UseButton->setEnabled(Results->currentRow() >= 0); });
    connect(Results, &QTableWidget::cellDoubleClicked, this, &FindDriveDialog::OnUse);
}

bool FindDriveDialog::IsSearching() const {
    return scan_ && scan_->Status().Running;
}

ScanStatus FindDriveDialog::LastStatus() const {
    return scan_ ? scan_->Status() : ScanStatus{};
}

void FindDriveDialog::showEvent(QShowEvent* event) {
    ShowPort();
    QDialog::showEvent(event);
}

void FindDriveDialog::ShowPort() {
    if (AllPortsCheck->isChecked()) {
        const size_t count = wiring_.AllPorts ? wiring_.AllPorts().size() : 0;
        PortValue->setText(QStringLiteral("%1 (%2)").arg(AllPortsCheck->text()).arg(count));
    } else {
        PortValue->setText(Qs(wiring_.SelectedPort ? wiring_.SelectedPort() : std::string()));
    }
}

void FindDriveDialog::OnStart() {
    if (IsSearching()) return;
    const bool ko = wiring_.Korean;
    if (wiring_.IsConnected && wiring_.IsConnected()) {
        ShowMessage(kScanNeedsPort.Pick(ko));
        return;
    }
    std::vector<std::string> ports;
    if (AllPortsCheck->isChecked()) {
        if (wiring_.AllPorts) ports = wiring_.AllPorts();
    } else if (wiring_.SelectedPort && !wiring_.SelectedPort().empty()) {
        ports.push_back(wiring_.SelectedPort());
    }
    if (ports.empty()) {
        ShowMessage(kScanNoPorts.Pick(ko));
        return;
    }
    ShowPort();
    found_.clear();
    Results->setRowCount(0);
    // The last search's threads have ended; its object goes with them.
    scan_ = std::make_unique<DriveScan>();
    scan_->Start(ports, wiring_.Order ? wiring_.Order() : ScanOrder{});
    timer_.start(kRefreshPeriod);
    Refresh();
}

void FindDriveDialog::OnCancel() {
    if (scan_) scan_->Cancel();
    Refresh();
}

void FindDriveDialog::StopSearch() {
    if (!scan_) return;
    scan_->Cancel();
    scan_->Wait(kCloseWait);
    Refresh();
}

void FindDriveDialog::OnUse() {
    const int row = Results->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= found_.size()) return;
    // The drive's port must be free for the connect that follows.
    StopSearch();
    if (wiring_.UseDrive) wiring_.UseDrive(found_[static_cast<size_t>(row)]);
    Refresh();
    hide();
}

void FindDriveDialog::OnKeep() {
    if (found_.empty() || !wiring_.KeepDrives) return;
    wiring_.KeepDrives(found_);
}

void FindDriveDialog::reject() {
    StopSearch();
    hide();
}

void FindDriveDialog::AddRow(const FoundDrive& drive) {
    const bool ko = wiring_.Korean;
    const int row = Results->rowCount();
    found_.push_back(drive);
    Results->insertRow(row);
    const QString cells[kColumns] = {Qs(drive.Port), QString::number(drive.Baud), QString::number(drive.Id),
                                     Qs(FoundVersionText(drive, drive.HwVersion, ko)),
                                     Qs(FoundVersionText(drive, drive.SwVersion, ko))};
    for (int c = 0; c < kColumns; ++c)
        Results->setItem(row, c, new QTableWidgetItem(cells[c]));
    if (row == 0) Results->selectRow(0);
}

void FindDriveDialog::Refresh() {
    const bool ko = wiring_.Korean;
    const ScanStatus status = LastStatus();
    if (scan_) {
        const std::vector<FoundDrive> found = scan_->Found();
        for (size_t i = found_.size(); i < found.size(); ++i)
            AddRow(found[i]);
    }
    Progress->setRange(0, static_cast<int>(std::max<size_t>(status.Total, 1)));
    Progress->setValue(static_cast<int>(status.Done));
    Progress->setFormat(status.Baud != 0 ? Qs(ScanProgressText(status, ko)) : QString());
    if (scan_) {
        std::string text =
            status.Running && status.Cancelled ? kScanCancelling.Pick(ko) : ScanOutcomeText(status, ko);
        for (const PortScanError& error : status.PortErrors)
            text += "\n" + ScanPortErrorText(error, ko);
        StatusText->setText(Qs(text));
    }
    StartButton->setEnabled(!status.Running);
    CancelButton->setEnabled(status.Running && !status.Cancelled);
    AllPortsCheck->setEnabled(!status.Running);
    UseButton->setEnabled(Results->currentRow() >= 0);
    KeepButton->setEnabled(!status.Running && !found_.empty() && wiring_.KeepDrives);
    if (!status.Running) timer_.stop();
}

} // namespace velt
