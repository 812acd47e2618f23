#pragma once
// The real program as "./run.sh --demo" starts it, for the scope benchmarks:
// the simulated drive, the main window connected to it, and every message
// box printed on stderr instead of waiting for a click that never comes.
#include "app/AppOptions.h"
#include "app/CDlgMenuBar.h"
#include "app/CMainFrame.h"
#include "app/CVELT_HostApp.h"
#include "app/DemoDrive.h"
#include "app/SerialSettings.h"
#include "base/MessageService.h"
#include "link/CDriveLink.h"

#include <cstdio>
#include <memory>
#include <string>

namespace velt::bench {

class QuietMessages : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return MsgResult::Ok;
    }
};

// Needs the QApplication to exist for its whole life.
class DemoProgram {
public:
    DemoProgram() = default;
    DemoProgram(const DemoProgram&) = delete;
    DemoProgram& operator=(const DemoProgram&) = delete;
    // The program closes as the user closes it, before the drive goes.
    ~DemoProgram() {
        if (app_) {
            app_->MainFrame()->close();
            app_.reset();
        }
        SetMessageService(nullptr);
    }

    // Starts the drive (answering at `baud` only) and the program in `lang`
    // (AppOptions::Lang) and connects as the Connect button does, at that
    // rate. False, with the reason on stderr, when any of it fails.
    bool Start(int lang, uint32_t baud = 9600) {
        std::string error;
        if (!demo_.Start(&error, baud)) {
            std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
            return false;
        }
        SetMessageService(&messages_);
        AppOptions options;
        options.Demo = true; // the user's remembered line is neither read nor replaced
        options.Lang = lang;
        app_ = StartApplication(options);
        if (!app_) return false;
        SerialSettingsValues line = app_->Settings()->Values();
        line.BaudRate = static_cast<int32_t>(baud);
        app_->Settings()->Set(line);
        app_->MenuBar()->ConnectDrive();
        if (!app_->Link()->IsConnected()) {
            std::fprintf(stderr, "could not connect to the simulated drive\n");
            return false;
        }
        return true;
    }

    CVELT_HostApp& App() { return *app_; }

private:
    DemoDrive demo_;
    QuietMessages messages_;
    std::unique_ptr<CVELT_HostApp> app_;
};

} // namespace velt::bench
