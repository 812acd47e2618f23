#pragma once
// The link health window: how busy and how sound the line is. Requests per
// second; the round trips of the last minute (median, 99th percentile,
// maximum) with a histogram; the count of each kind of failure and the time
// since the last one; the polling passes against the rate the wire allows at
// the port's bit rate; and, for a USB adapter whose latency timer is above
// 1 ms, how to lower it. A floating window that the connection bar shows.
//
// The figures come from the link's exchange journal and pass count, read on
// this window's own timer (every 500 ms while it is shown, never while it is
// hidden); the polling thread is not slowed. User-interface thread only.
#include "link/LinkHealth.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <memory>
#include <string>

class QGridLayout;
class QLabel;
class QPushButton;

namespace velt {

class CDriveLink;
class RoundTripHistogram;

class LinkHealthDialog : public QDialog {
    Q_OBJECT
public:
    // link may be null: the window then shows nothing but zeros.
    LinkHealthDialog(const CDriveLink* link, bool korean);
    ~LinkHealthDialog() override;

    const LinkHealthFigures& Figures() const { return figures_; }

    QLabel* RequestsValue = nullptr;
    QLabel* RoundTripValue = nullptr;
    RoundTripHistogram* Histogram = nullptr;
    std::array<QLabel*, kFailureKindCount> FailureValues{};
    QLabel* SinceFailureValue = nullptr;
    QLabel* PollingValue = nullptr;
    QLabel* LatencyNote = nullptr; // shown only for an adapter whose timer is above 1 ms
    QPushButton* ResetButton = nullptr;
    QPushButton* CloseButton = nullptr;

public slots:
    void Refresh(); // the 500 ms refresh
    void OnReset(); // the figures start afresh

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* AddRow(QGridLayout* grid, int row, const char* captionUtf8);
    void CheckLatencyTimer();

    const CDriveLink* const link_;
    const bool korean_;
    std::unique_ptr<LinkHealthMeter> meter_;
    LinkHealthFigures figures_;
    QTimer timer_;
    std::string latencyDevice_; // the device the latency note was read for
};

} // namespace velt
