#include "CDlgMonitoring.h"

#include "app/DialogFont.h"

#include <algorithm>

namespace velt {

CDlgMonitoring::CDlgMonitoring(CVELT_HostApp&, QWidget* frame) : QWidget(frame) {
    setObjectName(QStringLiteral("CDlgMonitoring"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 337));
}

void CDlgMonitoring::Push(FrameQueue& queue, int length, const uint8_t* bytes) {
    const int n = std::clamp(length, 0, 256);
    Frame frame(bytes, bytes + (bytes ? n : 0));
    std::lock_guard<std::mutex> lock(queue.Lock);
    if (queue.Frames.size() >= kMaxQueuedFrames) queue.Frames.pop_front();
    queue.Frames.push_back(std::move(frame));
}

std::vector<CDlgMonitoring::Frame> CDlgMonitoring::Take(FrameQueue& queue) {
    std::lock_guard<std::mutex> lock(queue.Lock);
    std::vector<Frame> frames(std::make_move_iterator(queue.Frames.begin()),
                              std::make_move_iterator(queue.Frames.end()));
    queue.Frames.clear();
    return frames;
}

void CDlgMonitoring::QueueTxFrame(int length, const uint8_t* bytes) {
    Push(tx_, length, bytes);
}

void CDlgMonitoring::QueueRxFrame(int length, const uint8_t* bytes) {
    Push(rx_, length, bytes);
}

std::vector<CDlgMonitoring::Frame> CDlgMonitoring::TakeTxFrames() {
    return Take(tx_);
}

std::vector<CDlgMonitoring::Frame> CDlgMonitoring::TakeRxFrames() {
    return Take(rx_);
}

void CDlgMonitoring::ClearFrameQueues() {
    Take(tx_);
    Take(rx_);
}

} // namespace velt
