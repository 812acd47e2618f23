#pragma once
// The line overview window: every drive of the line in a table, refreshed
// about once a second: ID and name, connected or silent, alarm, servo on, in
// position, position and speed. A drive in alarm is painted in the alarm
// colour; the selected drive's row is marked; a double click on another
// drive selects it.
//
// The other drives are read by the link between the selected drive's polls
// only while this window is shown: showing it hands the link the line's
// drives, hiding it takes them back. The refresh takes the link's snapshot
// (one short lock) and never waits on the line. User-interface thread only.
#include "monitor/LineOverviewRows.h"

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QTableWidget;

namespace velt {

class CDriveLink;

class LineOverviewDialog : public QDialog {
    Q_OBJECT
public:
    struct Wiring {
        CDriveLink* Link = nullptr; // null only in tests that build the window alone
        bool Korean = false;
        // The drives of the line, asked each time the window is shown.
        std::function<std::vector<uint8_t>()> LineIds;
        // A drive's name; "" when it has none. May be empty.
        std::function<std::string(uint8_t id)> DriveName;
        // Makes `id` the selected drive, through the same way the settings
        // change it (unsaved edits ask first). May be empty.
        std::function<void(uint8_t id)> SelectDrive;
    };

    explicit LineOverviewDialog(Wiring wiring, QWidget* parent = nullptr);
    ~LineOverviewDialog() override;

    QTableWidget* Table = nullptr;
    const std::vector<LineOverviewRow>& Rows() const { return rows_; }

public slots:
    void Refresh(); // the one-second refresh

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnDoubleClick(int row);
    void ShowRow(int row, const LineOverviewRow& r);

    const Wiring wiring_;
    std::vector<LineOverviewRow> rows_;
    QTimer timer_;
};

} // namespace velt
