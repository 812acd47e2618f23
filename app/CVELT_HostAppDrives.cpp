// The shell's part in the drives of a line: the stops a change of drive
// makes, the drive named in the window titles, the naming of drives and
// Find Drive's result kept as a line's list. User-interface thread.
#include "CDlgComSetting.h"
#include "CDlgMenuBar.h"
#include "CVELT_HostApp.h"
#include "LineDrives.h"
#include "LineDrivesTexts.h"
#include "SerialSettings.h"
#include "base/MessageService.h"
#include "controls/QtText.h"
#include "link/DriveScan.h"
#include "link/ScanPlan.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"

#include <QInputDialog>
#include <QLineEdit>

#include <map>

namespace velt {

std::string CVELT_HostApp::DriveNameOf(const std::string& port, uint8_t id) const {
    return lineDrives_ ? lineDrives_->NameOf(port, id) : std::string();
}

// The windows that act on the drive in use stop while the link still
// talks to it: a running cycle's STOP reaches the drive that moves.
void CVELT_HostApp::StopForDriveChange(uint8_t to) {
    const std::string why = FillText(kStoppedForDrive.Pick(korean_), {{"{id}", std::to_string(to)}});
    if (repeat_) repeat_->StopWithReason(why);
    for (const std::unique_ptr<CDlgScope>& scope : scopes_)
        if (scope) scope->StopWithReason(why);
}

// A line of one drive the user never listed keeps the plain titles.
void CVELT_HostApp::ShowDriveInTitles() {
    if (!settings_ || !lineDrives_) return;
    const std::string port = settings_->PortName();
    const uint8_t id = settings_->SettingsDriveId();
    const std::string caption = lineDrives_->Of(port).empty()
                                    ? std::string()
                                    : DriveCaption(id, lineDrives_->NameOf(port, id), korean_);
    if (repeat_) repeat_->SetDriveCaption(caption);
    for (const std::unique_ptr<CDlgScope>& scope : scopes_)
        if (scope) scope->SetDriveCaption(caption);
    if (menuBar_) menuBar_->RefreshStatus();
}

void CVELT_HostApp::TellIfNotKept(bool kept) {
    if (!kept) ShowMessage(kLineNotKept.Pick(korean_));
}

void CVELT_HostApp::NameDrive() {
    const std::string port = settings_->PortName();
    const uint8_t id = settings_->SettingsDriveId();
    bool ok = false;
    const QString name =
        QInputDialog::getText(menuBar_.get(), Qs(kNameDriveTitle.Pick(korean_)),
                              Qs(FillText(kNameDrivePrompt.Pick(korean_), {{"{id}", std::to_string(id)}})),
                              QLineEdit::Normal, Qs(lineDrives_->NameOf(port, id)), &ok);
    if (!ok) return;
    TellIfNotKept(lineDrives_->SetName(port, id, name.toStdString()));
    ShowDriveInTitles();
}

void CVELT_HostApp::AddDrive() {
    bool ok = false;
    const int id = QInputDialog::getInt(menuBar_.get(), Qs(kNameDriveTitle.Pick(korean_)),
                                        Qs(kAddDrivePrompt.Pick(korean_)), settings_->SettingsDriveId(),
                                        kFirstDriveId, kLastDriveId, 1, &ok);
    if (!ok) return;
    const std::string port = settings_->PortName();
    const QString name = QInputDialog::getText(
        menuBar_.get(), Qs(kNameDriveTitle.Pick(korean_)),
        Qs(FillText(kNameDrivePrompt.Pick(korean_), {{"{id}", std::to_string(id)}})), QLineEdit::Normal,
        Qs(lineDrives_->NameOf(port, static_cast<uint8_t>(id))), &ok);
    if (!ok) return;
    TellIfNotKept(lineDrives_->SetName(port, static_cast<uint8_t>(id), name.toStdString()));
    ShowDriveInTitles();
}

// The drives found, each port's into its own list; a drive that answered
// with an exception is some other Modbus device and is left out.
void CVELT_HostApp::KeepFoundDrives(const std::vector<FoundDrive>& found) {
    std::map<std::string, std::vector<uint8_t>> byPort;
    for (const FoundDrive& d : found)
        if (d.Exception == 0) byPort[d.Port].push_back(d.Id);
    bool kept = true;
    for (const auto& [port, ids] : byPort) {
        kept = lineDrives_->Merge(port, ids) && kept;
        std::string list;
        for (const uint8_t id : ids)
            list += (list.empty() ? "" : ", ") + std::to_string(id);
        ShowMessage(FillText(kFoundDrivesKept.Pick(korean_), {{"{port}", port}, {"{ids}", list}}));
    }
    TellIfNotKept(kept);
    ShowDriveInTitles();
}

} // namespace velt
