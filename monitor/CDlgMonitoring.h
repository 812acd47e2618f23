#pragma once
// Monitoring page (dialog 323, 660 x 337 dialog units): a child page of the
// main window. For now it holds the frame log the link writes into; the
// page's displays and command buttons come with their own issue.
#include "link/CDriveLink.h"

#include <QWidget>

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace velt {

class CVELT_HostApp;

class CDlgMonitoring : public QWidget, public IFrameLog {
    Q_OBJECT
public:
    using Frame = std::vector<uint8_t>;
    // Each queue keeps the newest frames only, so a page that is not reading
    // cannot grow without bound while a silent drive fails every poll.
    static constexpr size_t kMaxQueuedFrames = 256;

    CDlgMonitoring(CVELT_HostApp& app, QWidget* frame);

    // Called by the link under its Lock, from the requesting thread; each takes
    // only its own queue's lock.
    void QueueTxFrame(int length, const uint8_t* bytes) override;
    void QueueRxFrame(int length, const uint8_t* bytes) override;

    // User-interface thread: removes and returns the queued frames.
    std::vector<Frame> TakeTxFrames();
    std::vector<Frame> TakeRxFrames();
    void ClearFrameQueues();

private:
    struct FrameQueue {
        std::mutex Lock;
        std::deque<Frame> Frames;
    };
    static void Push(FrameQueue& queue, int length, const uint8_t* bytes);
    static std::vector<Frame> Take(FrameQueue& queue);

    FrameQueue tx_;
    FrameQueue rx_;
};

} // namespace velt
