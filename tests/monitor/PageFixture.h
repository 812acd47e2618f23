#pragma once
// The shell's fixture (the whole application in-process, a simulated drive on
// COM3) with a message service that also answers questions as told, and
// helpers to read what the monitoring page shows and what reached the drive.
#include "app/CDlgMenuBar.h"
#include "controls/CColorStatic.h"
#include "controls/CGridCtrl.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "monitor/CDlgMonitoring.h"
#include "tests/support/ShellFixture.h"

#include <chrono>
#include <string>
#include <utility>
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

// Processes events until pred holds; the limit is generous for a loaded machine.
inline bool WaitFor(const std::function<bool()>& pred,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    return WaitUntil(pred, limit);
}

// Lets the page's timers run for a while.
inline void Pump(std::chrono::milliseconds duration) {
    WaitUntil([] { return false; }, duration);
}

inline QColor Qrgb(int r, int g, int b) {
    return QColor(r, g, b);
}

class PageTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        shellMessages_ = SetMessageService(&answers);
    }
    void TearDown() override {
        app.reset(); // while the answers are still installed
        SetMessageService(shellMessages_);
        ShellTest::TearDown();
    }

    void StartPage(int lang = 0) {
        Start(lang);
        page = app ? app->Monitoring() : nullptr;
    }

    // Drive, application, Connect, and the first good state poll.
    void StartConnected(int lang = 0) {
        StartDrive();
        StartPage(lang);
        ASSERT_NE(page, nullptr);
        app->MenuBar()->ConnectDrive();
        ASSERT_TRUE(app->Link()->IsConnected());
        ASSERT_TRUE(WaitFor([this] { return app->Link()->Counters().StateOk > 0; }));
        drive->ClearRequests();
    }

    // The single writes (functions 5 and 6) the drive received since the
    // last ClearRequests, as (register or coil, value).
    std::vector<std::pair<int, int>> Writes() const {
        std::vector<std::pair<int, int>> writes;
        for (const sim::SimRequest& r : drive->Requests()) {
            if (r.function == drive::FunctionWriteSingleCoil ||
                r.function == drive::FunctionWriteSingleRegister)
                writes.emplace_back(r.address, r.value);
        }
        return writes;
    }

    QString Cell(const CGridCtrl* grid, int row, int col) const { return grid->GetItemText(row, col); }

    // True when the link's last state block has these status bits set.
    bool StatusHas(uint16_t bits) const {
        return (app->Link()->StateRegs()[drive::StateStatus] & bits) == bits;
    }

    AnsweringMessages answers;
    CDlgMonitoring* page = nullptr;

private:
    IMessageService* shellMessages_ = nullptr;
};

} // namespace velt
