#pragma once
// The whole application built in-process, a message service that answers and
// records every box, and a simulated drive on COM3.
#include "app/AppOptions.h"
#include "app/CVELT_HostApp.h"
#include "base/MessageService.h"
#include "sim/SimDrive.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velt {

class RecordingMessages : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons buttons) override {
        Texts.push_back(text);
        if (OnShow) OnShow();
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    std::vector<std::string> Texts;
    std::function<void()> OnShow;
};

// Processes events until pred holds or the limit passes; true when it held.
inline bool WaitUntil(const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetMessageService(&messages); }
    void TearDown() override {
        app.reset();
        if (drive) drive->Stop();
        SetMessageService(previous_);
    }

    void Start(int lang = 0) {
        AppOptions options;
        options.Lang = lang;
        app = StartApplication(options);
        ASSERT_NE(app, nullptr);
    }

    void StartDrive() {
        sim::SimOptions options;
        options.comNumber = 3;
        drive = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->Start(&error)) << error;
    }

    RecordingMessages messages;
    std::unique_ptr<sim::SimDrive> drive;
    std::unique_ptr<CVELT_HostApp> app;

private:
    IMessageService* previous_ = nullptr;
};

} // namespace velt
