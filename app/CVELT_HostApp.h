#pragma once
// The application object: builds the whole system once at start-up and takes
// it down once when the main window closes. It is the one place that knows
// every window: it creates each page with the link and the few services of
// other windows that the page needs. User-interface thread only.
#include "AppOptions.h"
#include "ShellLayout.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QString;
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
class CDlgLinkHealth;
class ParamWorkingCopy;

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

    // The language chosen at start-up (kept by ApplyLanguage, read by every
    // window and by the core's texts).
    bool IsKorean() const;
    // False for a demonstration run (--demo): its settings start at the
    // defaults, so that Connect reaches the demo drive, and the user's own
    // remembered port is neither read nor replaced.
    bool RemembersSettings() const { return remembersSettings_; }
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
    CDlgLinkHealth* LinkHealth = nullptr;
    // The parameter working copy the parameter page, its compare window and
    // the value dialogs share; it outlives them all.
    std::unique_ptr<ParamWorkingCopy> ParamCopy;

    CMainFrame* MainFrame() const { return frame_.get(); }
    const ShellLayout& Layout() const { return layout_; }
    // Class names of the windows in the order start-up created them.
    const std::vector<std::string>& CreationOrder() const { return creationOrder_; }

    // A close of the frame while a sequence waits with the event loop running
    // (controls/BusyScope.h) is carried out when the last such wait ends, so
    // no window is destroyed under a handler that is still running.
    bool IsBusy() const;
    void CloseWhenIdle() { closePending_ = true; }

private:
    void CreateWindows();
    void ConnectLink();
    void PlaceStrips();
    void Float(QWidget* window, const char* className);
    void OpenValueDialog(const QString& help, int number, int32_t value, bool hex);
    void Child(QWidget* window, const char* className);

    std::unique_ptr<CMainFrame> frame_;
    ShellLayout layout_;
    std::vector<std::string> creationOrder_;
    bool closePending_ = false;
    bool shutDown_ = false;
    bool remembersSettings_ = true;
};

// The one application object (nullptr when none exists).
CVELT_HostApp* theApp();

// Builds the application in-process: InitInstance with these options.
// nullptr when start-up failed. Needs a QApplication.
std::unique_ptr<CVELT_HostApp> StartApplication(const AppOptions& options);

} // namespace velt
