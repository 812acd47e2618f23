#pragma once
// The whole application built in-process with a simulated drive on COM3, a
// message service that records every box and answers questions as told, and
// helpers to read what the monitoring page shows and what reached the drive.
#include "app/AppOptions.h"
#include "app/CDlgMenuBar.h"
#include "app/CVELT_HostApp.h"
#include "controls/CColorStatic.h"
#include "controls/CGridCtrl.h"
#include "link/CDriveLink.h"
#include "monitor/CDlgMonitoring.h"
#include "platform/MessageService.h"
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

class AnsweringMessages : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons buttons) override {
        Texts.push_back(text);
        Questions += buttons == MsgButtons::YesNo ? 1 : 0;
        return buttons == MsgButtons::YesNo ? Answer : MsgResult::Ok;
    }
    std::vector<std::string> Texts;
    int Questions = 0;
    MsgResult Answer = MsgResult::No;
};

// Processes events until pred holds or the limit passes; true when it held.
inline bool WaitFor(const std::function<bool()>& pred,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Lets the page's timers run for a while.
inline void Pump(std::chrono::milliseconds duration) {
    WaitFor([] { return false; }, duration);
}

inline QColor Qrgb(int r, int g, int b) {
    return QColor(r, g, b);
}

class PageTest : public ::testing::Test {
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
        page = app->Monitoring;
    }

    void StartDrive() {
        sim::SimOptions options;
        options.comNumber = 3;
        drive = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->Start(&error)) << error;
    }

    // Drive, application, Connect, and the first good state poll.
    void StartConnected(int lang = 0) {
        StartDrive();
        Start(lang);
        app->MenuBar->ConnectDrive();
        ASSERT_EQ(app->Link->Connected.load(), 1);
        ASSERT_TRUE(WaitFor([this] { return app->Link->StateOk.load() > 0; }));
        drive->ClearRequests();
    }

    // The single writes (functions 5 and 6) the drive received since the
    // last ClearRequests, as (register or coil, value).
    std::vector<std::pair<int, int>> Writes() const {
        std::vector<std::pair<int, int>> writes;
        for (const sim::SimRequest& r : drive->Requests()) {
            if (r.function == 5 || r.function == 6) writes.emplace_back(r.address, r.value);
        }
        return writes;
    }

    QString Cell(const CGridCtrl* grid, int row, int col) const { return grid->GetItemText(row, col); }

    bool StateBit(int bit) const { return ((app->Link->StateRegs()[0] >> bit) & 1u) != 0; }

    AnsweringMessages messages;
    std::unique_ptr<sim::SimDrive> drive;
    std::unique_ptr<CVELT_HostApp> app;
    CDlgMonitoring* page = nullptr;

private:
    IMessageService* previous_ = nullptr;
};

} // namespace velt
