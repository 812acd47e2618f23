#pragma once
// The whole application built in-process, a message service that answers and
// records every box, and a simulated drive on COM3.
#include "app/AppOptions.h"
#include "app/CVELT_HostApp.h"
#include "base/MessageService.h"
#include "platform/UserSettings.h"
#include "sim/SimDrive.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velt {

class RecordingMessages : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons buttons) override {
        Texts.push_back(text);
        if (OnShow) OnShow();
        if (buttons != MsgButtons::Ok && !Answers.empty()) {
            const MsgResult answer = Answers.front();
            Answers.pop_front();
            return answer;
        }
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::No;
    }
    std::vector<std::string> Texts;
    std::deque<MsgResult> Answers; // for the questions, in order; then No
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
    void SetUp() override {
        previous_ = SetMessageService(&messages);
        // Every test starts with the settings of a first start (the port
        // chosen with OK is remembered), in a folder of this process.
        settingsFolder_ =
            std::filesystem::temp_directory_path() / ("velt-shell-settings-" + std::to_string(::getpid()));
        std::error_code ec;
        std::filesystem::create_directories(settingsFolder_, ec);
        if (const char* old = std::getenv("VELT_CONFIG_DIR")) oldConfigDir_ = old;
        ::setenv("VELT_CONFIG_DIR", settingsFolder_.c_str(), 1);
        std::filesystem::remove(UserSettingsFile(), ec);
    }
    void TearDown() override {
        app.reset();
        if (drive) drive->Stop();
        SetMessageService(previous_);
        std::error_code ec;
        std::filesystem::remove_all(settingsFolder_, ec);
        if (oldConfigDir_.empty())
            ::unsetenv("VELT_CONFIG_DIR");
        else
            ::setenv("VELT_CONFIG_DIR", oldConfigDir_.c_str(), 1);
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
    std::filesystem::path settingsFolder_;
    std::string oldConfigDir_;
};

} // namespace velt
