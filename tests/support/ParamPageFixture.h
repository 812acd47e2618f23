#pragma once
// The whole application built in-process with the parameter page, a message
// service that records every box (with its details) and answers questions
// from a list, folders of its own for parameter files, backups and settings,
// and a simulated drive on COM3 when a test asks for one.
#include "app/AppOptions.h"
#include "app/CDlgMenuBar.h"
#include "app/CVELT_HostApp.h"
#include "base/MessageService.h"
#include "link/CDriveLink.h"
#include "params/CDlgParameter.h"
#include "sim/SimDrive.h"
#include "tests/support/ShellFixture.h"

#include <QComboBox>
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

namespace velt::test {

struct ShownBox {
    std::string text;
    std::string details;
    MsgButtons buttons = MsgButtons::Ok;
};

class PageMessages : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons buttons) override {
        return ShowWithDetails(text, std::string(), buttons);
    }
    MsgResult ShowWithDetails(const std::string& text, const std::string& details,
                              MsgButtons buttons) override {
        Boxes.push_back({text, details, buttons});
        if (OnShow) OnShow(Boxes.back());
        if (buttons != MsgButtons::YesNo) return MsgResult::Ok;
        if (Answers.empty()) return MsgResult::No;
        const MsgResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : Boxes)
            texts.push_back(box.text);
        return texts;
    }

    std::vector<ShownBox> Boxes;
    std::deque<MsgResult> Answers; // for Yes/No questions, in order; No when empty
    std::function<void(const ShownBox&)> OnShow;
};

// A selection the user makes in a list.
inline void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The shell's fixture (application, simulated drive) with the parameter page
// shown and PageMessages answering in place of the shell's recorder.
class PageTest : public ShellTest {
protected:
    // For what the polling thread does on a loaded machine.
    static constexpr std::chrono::milliseconds kPatience{10000};

    void SetUp() override {
        ShellTest::SetUp();
        static int counter = 0;
        root = std::filesystem::path(::testing::TempDir()) /
               ("velt_page_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(root);
        ::setenv("VELT_PARAMETER_DIR", (root / "VELT_Parameter").c_str(), 1);
        ::setenv("VELT_CONFIG_DIR", (root / "config").c_str(), 1);
        SetMessageService(&shown);
    }
    void TearDown() override {
        ShellTest::TearDown(); // the application first, then the folders it used
        ::unsetenv("VELT_PARAMETER_DIR");
        ::unsetenv("VELT_CONFIG_DIR");
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    void Start(int lang = 0) {
        ShellTest::Start(lang);
        ASSERT_NE(app, nullptr);
        app->MenuBar()->OnParameter();
    }

    // Connects to the simulated drive and waits for the page to take its values.
    void Connect() {
        const int reads = Page().ParamsReadCount;
        app->MenuBar()->ConnectDrive();
        ASSERT_TRUE(app->Link()->IsConnected());
        ASSERT_TRUE(WaitUntil([&] { return Page().ParamsReadCount > reads; }, kPatience));
        ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > 0; }, kPatience));
    }

    CDlgParameter& Page() { return *app->Parameter(); }

    std::filesystem::path root;
    PageMessages shown; // every box of the test, answered from shown.Answers
};

} // namespace velt::test
