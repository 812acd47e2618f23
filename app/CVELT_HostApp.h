#pragma once
// The application object: builds the whole system once at start-up and takes
// it down once when the main window closes. It is the one place that knows
// every window: it owns the link, the connection supervisor, the serial
// settings and every window, and hands each window the models and the few
// services of other windows it needs. User-interface thread only.
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
class ConnectionSupervisor;
class ConnectionWatch;
class SerialSettings;
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
class LineDrives;
class LinkHealthDialog;
class LineOverviewDialog;
class ParamWorkingCopy;
struct FoundDrive;
struct SessionWiring;

class CVELT_HostApp {
public:
    static constexpr int kScopeCount = 4;

    CVELT_HostApp();
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

    // The language chosen at start-up, handed to every window.
    bool IsKorean() const { return korean_; }

    // What the shell built, for main, the session driver and tests; null
    // before InitInstance and after Shutdown. The shell keeps ownership.
    CDriveLink* Link() const { return link_.get(); }
    ConnectionSupervisor* Supervisor() const { return supervisor_.get(); }
    SerialSettings* Settings() const { return settings_.get(); }
    ParamWorkingCopy* ParamCopy() const { return paramCopy_.get(); }
    CDlgComSetting* ComSetting() const { return comSetting_.get(); }
    CDlgMenuBar* MenuBar() const { return menuBar_.get(); }
    CDlgRTUMonitoring* RtuMonitor() const { return rtuMonitor_.get(); }
    CDlgMonitoring* Monitoring() const { return monitoring_.get(); }
    CDlgParameter* Parameter() const { return parameter_.get(); }
    CDlgSetValDEC* SetValDec() const { return setValDec_.get(); }
    CDlgSetValHEX* SetValHex() const { return setValHex_.get(); }
    CDlgRepeat* Repeat() const { return repeat_.get(); }
    CDlgScope* Scope(int k) const { return scopes_.at(static_cast<size_t>(k)).get(); }
    std::array<CDlgScope*, kScopeCount> Scopes() const;
    LinkHealthDialog* LinkHealth() const { return linkHealth_.get(); }
    // The drives the user keeps per line, and the name of one ("X axis";
    // empty when it has none). User-interface thread.
    LineDrives* Drives() const { return lineDrives_.get(); }
    std::string DriveNameOf(const std::string& port, uint8_t id) const;
    LineOverviewDialog* LineOverview() const { return lineOverview_.get(); }
    CMainFrame* MainFrame() const { return frame_.get(); }

    const ShellLayout& Layout() const { return layout_; }
    // Class names of the windows in the order start-up created them.
    const std::vector<std::string>& CreationOrder() const { return creationOrder_; }

    // What the unattended session driver presses and reads.
    SessionWiring SessionParts();

    // A close of the frame while a sequence waits with the event loop running
    // (controls/BusyScope.h) is carried out when the last such wait ends, so
    // no window is destroyed under a handler that is still running.
    bool IsBusy() const;
    void CloseWhenIdle() { closePending_ = true; }

private:
    void CreateWindows();
    void CreateShellWindows();
    void CreatePages();
    void ConnectLink();
    void PlaceStrips();
    void Float(QWidget* window, const char* className);
    void Child(const char* className);
    void ShowNextScope();
    void ShowPage(bool parameterPage);
    // CVELT_HostAppDrives.cpp: the drives of the line.
    void StopForDriveChange(uint8_t to);
    void ShowDriveInTitles();
    void NameDrive();
    void AddDrive();
    void KeepFoundDrives(const std::vector<FoundDrive>& found);
    void TellIfNotKept(bool kept);
    void CreateLineOverview();
    // The drives the line overview lists: the line's kept drives (a demo's
    // for its run), else those the last drive search found on the port and
    // rate in use; the dialog adds the selected one.
    std::vector<uint8_t> LineIds() const;

    bool korean_ = false;
    bool remembersSettings_ = true;
    // Destroyed last: the child pages go with it, so each is released first.
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<SerialSettings> settings_;
    std::unique_ptr<LineDrives> lineDrives_;
    std::unique_ptr<CDriveLink> link_;
    std::unique_ptr<ConnectionSupervisor> supervisor_;
    std::unique_ptr<ConnectionWatch> watch_;
    // The parameter working copy the page, its compare window and the value
    // dialogs share; it outlives them all.
    std::unique_ptr<ParamWorkingCopy> paramCopy_;
    std::unique_ptr<CDlgComSetting> comSetting_;
    std::unique_ptr<CDlgMenuBar> menuBar_;
    std::unique_ptr<CDlgRTUMonitoring> rtuMonitor_;
    std::unique_ptr<CDlgMonitoring> monitoring_;
    std::unique_ptr<CDlgParameter> parameter_;
    std::unique_ptr<CDlgSetValDEC> setValDec_;
    std::unique_ptr<CDlgSetValHEX> setValHex_;
    std::unique_ptr<CDlgRepeat> repeat_;
    std::array<std::unique_ptr<CDlgScope>, kScopeCount> scopes_;
    std::unique_ptr<LinkHealthDialog> linkHealth_;
    std::unique_ptr<LineOverviewDialog> lineOverview_;
    ShellLayout layout_;
    std::vector<std::string> creationOrder_;
    bool closePending_ = false;
    bool shutDown_ = false;
};

// Builds the application in-process: InitInstance with these options.
// nullptr when start-up failed. Needs a QApplication.
std::unique_ptr<CVELT_HostApp> StartApplication(const AppOptions& options);

} // namespace velt
