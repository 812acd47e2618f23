#include "monitor/LineOverviewDialog.h"

#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "link/CDriveLink.h"
#include "monitor/LineOverviewTexts.h"
#include "monitor/MonitorView.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <chrono>

namespace velt {

namespace {
constexpr auto kRefreshPeriod = std::chrono::milliseconds(1000);

enum Column { kId, kName, kState, kAlarm, kServo, kInPosition, kPosition, kSpeed, kColumnCount };

QColor QtColour(GridRgb c) {
    return QColor(RgbRed(c), RgbGreen(c), RgbBlue(c));
}
} // namespace

LineOverviewDialog::LineOverviewDialog(Wiring wiring, QWidget* parent)
    : QDialog(parent), wiring_(std::move(wiring)) {
    const bool ko = wiring_.Korean;
    setObjectName(QStringLiteral("LineOverviewDialog"));
    setWindowTitle(Qs(kLineOverviewTitle.Pick(ko)));
    setFont(DialogFont());
    setModal(false);

    Table = new QTableWidget(0, kColumnCount, this);
    const std::array<LocalText, kColumnCount> headers = {
        kOverviewColumnId,    kOverviewColumnName,       kOverviewColumnState,    kOverviewColumnAlarm,
        kOverviewColumnServo, kOverviewColumnInPosition, kOverviewColumnPosition, kOverviewColumnSpeed};
    QStringList labels;
    for (const LocalText& h : headers)
        labels << Qs(h.Pick(ko));
    Table->setHorizontalHeaderLabels(labels);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setMinimumSize(DluSize(360, 120));
    NameAfterCaption(Table, Qs(kLineOverviewTableName.Pick(ko)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Table);

    connect(Table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnDoubleClick(row); });
    connect(&timer_, &QTimer::timeout, this, &LineOverviewDialog::Refresh);
}

LineOverviewDialog::~LineOverviewDialog() {
    timer_.stop();
    if (wiring_.Link != nullptr && isVisible()) wiring_.Link->SetLineDrives({});
}

void LineOverviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (wiring_.Link != nullptr) {
        std::vector<uint8_t> ids = wiring_.LineIds ? wiring_.LineIds() : std::vector<uint8_t>{};
        const uint8_t selected = wiring_.Link->DriveId();
        if (selected != 0 && std::find(ids.begin(), ids.end(), selected) == ids.end())
            ids.insert(ids.begin(), selected);
        wiring_.Link->SetLineDrives(ids);
    }
    Refresh();
    timer_.start(kRefreshPeriod);
}

// Closed, the window costs the line nothing: the other drives are no longer read.
void LineOverviewDialog::hideEvent(QHideEvent* event) {
    timer_.stop();
    if (wiring_.Link != nullptr) wiring_.Link->SetLineDrives({});
    QDialog::hideEvent(event);
}

void LineOverviewDialog::Refresh() {
    const LineOverviewInput in =
        wiring_.Link != nullptr ? ReadLineOverview(*wiring_.Link) : LineOverviewInput{};
    rows_ = BuildLineOverviewRows(in, wiring_.DriveName, wiring_.Korean);
    Table->setRowCount(static_cast<int>(rows_.size()));
    for (size_t i = 0; i < rows_.size(); ++i)
        ShowRow(static_cast<int>(i), rows_[i]);
}

void LineOverviewDialog::ShowRow(int row, const LineOverviewRow& r) {
    const std::array<std::string, kColumnCount> cells = {
        std::to_string(r.Id), r.Name, r.State, r.AlarmText, r.ServoOn, r.InPosition, r.Position, r.Speed};
    const QColor bk = r.InAlarm ? QtColour(kAlarmBk) : Table->palette().color(QPalette::Base);
    const QColor fg = r.InAlarm ? QtColour(kWhite) : Table->palette().color(QPalette::Text);
    for (int c = 0; c < kColumnCount; ++c) {
        QTableWidgetItem* item = Table->item(row, c);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            Table->setItem(row, c, item);
        }
        item->setText(Qs(cells[static_cast<size_t>(c)]));
        item->setBackground(bk);
        item->setForeground(fg);
        QFont font = item->font();
        font.setBold(r.Selected);
        item->setFont(font);
    }
    auto* mark =
        new QTableWidgetItem(r.Selected ? Qs(kOverviewSelectedMark.Pick(wiring_.Korean)) : QString());
    Table->setVerticalHeaderItem(row, mark);
}

void LineOverviewDialog::OnDoubleClick(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || !wiring_.SelectDrive) return;
    const LineOverviewRow& r = rows_[static_cast<size_t>(row)];
    if (!r.Selected) wiring_.SelectDrive(r.Id);
}

} // namespace velt
