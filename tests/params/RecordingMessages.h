#pragma once
// A message service that records what the user would have been shown and
// answers questions with a fixed reply. Installed for the lifetime of the
// object.
#include "base/MessageService.h"

#include <mutex>
#include <string>
#include <vector>

namespace velt::test {

class RecordingMessages : public IMessageService {
public:
    explicit RecordingMessages(MsgResult answer = MsgResult::No) : answer_(answer) {
        previous_ = SetMessageService(this);
    }
    ~RecordingMessages() override { SetMessageService(previous_); }
    RecordingMessages(const RecordingMessages&) = delete;
    RecordingMessages& operator=(const RecordingMessages&) = delete;

    MsgResult Show(const std::string& text, MsgButtons buttons) override {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.push_back(text);
        return buttons == MsgButtons::YesNo ? answer_ : MsgResult::Ok;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    MsgResult answer_;
    IMessageService* previous_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

} // namespace velt::test
