#pragma once
// Where COM port names ("COM3", "\\.\COM12") are resolved on platforms that
// have no COM namespace. An entry named COMn in the ports folder is either a
// symbolic link to a device or a one-line text file naming one.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

// The folder given to UsePortsFolder when there is one, else $VELT_PORTS_DIR
// when set, else $XDG_CONFIG_HOME/velt-host/ports, else
// ~/.config/velt-host/ports. The folder is not created here.
std::filesystem::path PortsFolder();

// Makes `folder` this program's ports folder for the rest of the run, before
// all the others above; an empty path goes back to them. The demo drive
// publishes its port this way without touching the environment. Any thread.
void UsePortsFolder(const std::filesystem::path& folder);

// Strips an optional "\\.\" prefix and returns the n of "COMn", or 0 when the
// name is not of that form.
int ComNumberOf(const std::string& name);

// The device that the text of a ports-folder entry file names: its first
// line without the blanks around it; empty when that line is blank.
std::string DeviceNamedBy(std::string_view entryText);

// Maps a Windows-style COM name to the device to open: the ports-folder entry
// when there is one, else /dev/ttyS{n-1}. Any other name (a device path) is
// returned unchanged. Never fails; a missing device fails later, at open.
std::string ResolvePortName(const std::string& name);

struct PortsFolderEntry {
    int Number = 0;     // n of COMn
    std::string Device; // what the entry names (ResolvePortName)
};

// The COMn entries the ports folder holds now, by number. Any thread.
std::vector<PortsFolderEntry> PortsFolderEntries();

} // namespace velt
