#pragma once
// The application object: builds the whole system once at start-up and takes
// it down once when the main window closes. Every part reaches the link and
// the other windows through it (theApp()). User-interface thread only.
#include "AppOptions.h"
#include "ShellLayout.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace velt {

class CDriveLink;
class CMainFrame;
class CDlgComSetting;
class CDlgMenuBar;
class CDlgRTUMonitoring;
class CDlgMonitoring;
class CDlgParameter;
class CDlgSetValDEC;
class CDlgSetValHEX;
class CDlgRepeat;
class CDlgScope;

class CVELT_HostApp {
public:
    CVELT_HostApp();  // becomes theApp() until destroyed
    ~CVELT_HostApp(); // runs Shutdown() if the frame never closed
    CVELT_HostApp(const CVELT_HostApp&) = delete;
    CVELT_HostApp& operator=(const CVELT_HostApp&) = delete;

    // The start-up steps: frame, language, link with its running thread, the
    // twelve windows, layout, frame shown. Needs a QApplication. False ends
    // the program.
    bool InitInstance(const AppOptions& options);

    // The frame's close: scope windows, repeat window, link (thread stopped,
    // port closed), then the other windows. Each step runs once.
    void Shutdown();

    int IsKorean = 0;
    CDriveLink* Link = nullptr;
    CDlgComSetting* ComSetting = nullptr;
    CDlgMenuBar* MenuBar = nullptr;
    CDlgRTUMonitoring* RtuMonitor = nullptr;
    CDlgMonitoring* Monitoring = nullptr;
    CDlgParameter* Parameter = nullptr;
    CDlgSetValDEC* SetValDec = nullptr;
    CDlgSetValHEX* SetValHex = nullptr;
    CDlgRepeat* Repeat = nullptr;
    std::array<CDlgScope*, 4> Scopes{};

    CMainFrame* MainFrame() const { return frame_.get(); }
    const ShellLayout& Layout() const { return layout_; }
    // Class names of the windows in the order start-up created them.
    const std::vector<std::string>& CreationOrder() const { return creationOrder_; }

    // A sequence that waits with the event loop running (connect, disconnect,
    // watchdog message) holds a BusyScope, as do every WaitWithMessages and
    // every message box; a
    // close of the frame that arrives meanwhile is carried out when the last
    // scope ends, so no window is destroyed under a handler that is still
    // running.
    class BusyScope {
    public:
        explicit BusyScope(CVELT_HostApp& app);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CVELT_HostApp& app_;
    };
    bool IsBusy() const { return busy_ > 0; }
    void CloseWhenIdle() { closePending_ = true; }

private:
    void CreateWindows();
    void ConnectLink();
    void PlaceStrips();
    void Float(QWidget* window, const char* className);
    void Child(QWidget* window, const char* className);

    std::unique_ptr<CMainFrame> frame_;
    ShellLayout layout_;
    std::vector<std::string> creationOrder_;
    int busy_ = 0;
    bool closePending_ = false;
    bool shutDown_ = false;
};

// The one application object (nullptr when none exists).
CVELT_HostApp* theApp();

// Builds the application in-process: InitInstance with these options.
// nullptr when start-up failed. Needs a QApplication.
std::unique_ptr<CVELT_HostApp> StartApplication(const AppOptions& options);

} // namespace velt
