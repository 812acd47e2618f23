// The serial ports of a Windows machine: the ones the system lists in
// HARDWARE\DEVICEMAP\SERIALCOMM (every port whose driver is loaded), with
// the friendly names the device manager shows where the setup API has them.
#include "platform/SerialPorts.h"

#include "platform/PortsFolder.h"

#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <map>

namespace velt {

namespace {

// The device setup class "Ports (COM & LPT)".
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr DWORD kMaxNameChars = 512;

std::string Utf8(const wchar_t* text, int chars = -1) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, chars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, chars, out.data(), bytes, nullptr, nullptr);
    if (chars < 0 && !out.empty() && out.back() == '\0') out.pop_back();
    return out;
}

// "USB Serial Port (COM4)" reads "USB Serial Port": the COM name is shown
// beside it anyway.
std::string WithoutComSuffix(std::string label, const std::string& com) {
    const std::string suffix = " (" + com + ")";
    if (label.size() > suffix.size() &&
        label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0)
        label.resize(label.size() - suffix.size());
    return label;
}

// COM name -> friendly name, for the ports present now.
std::map<std::string, std::string> FriendlyNames() {
    std::map<std::string, std::string> names;
    const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t port[kMaxNameChars] = {};
        DWORD bytes = sizeof port - sizeof(wchar_t);
        DWORD type = 0;
        const bool havePort = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                               reinterpret_cast<BYTE*>(port), &bytes) == ERROR_SUCCESS &&
                              type == REG_SZ;
        RegCloseKey(key);
        wchar_t friendly[kMaxNameChars] = {};
        if (havePort && SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                          reinterpret_cast<BYTE*>(friendly),
                                                          sizeof friendly - sizeof(wchar_t), nullptr)) {
            const std::string com = Utf8(port);
            names[com] = WithoutComSuffix(Utf8(friendly), com);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return names;
}

} // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
    std::vector<SerialPortInfo> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        wchar_t device[kMaxNameChars] = {};
        wchar_t com[kMaxNameChars] = {};
        DWORD deviceChars = kMaxNameChars - 1;
        DWORD comBytes = sizeof com - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r = RegEnumValueW(key, i, device, &deviceChars, nullptr, &type,
                                     reinterpret_cast<BYTE*>(com), &comBytes);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        SerialPortInfo port;
        port.Name = Utf8(com);
        port.Device = Utf8(device);
        port.ShortName = port.Name;
        // Windows has no per-user rights on COM ports; whether one is free
        // only an open tells.
        port.Access = PortAccess::Allowed;
        if (!port.Name.empty()) ports.push_back(std::move(port));
    }
    RegCloseKey(key);
    const std::map<std::string, std::string> friendly = FriendlyNames();
    for (SerialPortInfo& port : ports) {
        const auto found = friendly.find(port.Name);
        if (found != friendly.end()) port.Label = found->second;
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        const int na = ComNumberOf(a.Name), nb = ComNumberOf(b.Name);
        return na != nb ? na < nb : a.Name < b.Name;
    });
    ports.erase(
        std::unique(ports.begin(), ports.end(),
                    [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.Name == b.Name; }),
        ports.end());
    return ports;
}

PortAccess AccessOfDevice(const std::string&) {
    return PortAccess::Allowed;
}

std::vector<SerialPortInfo> ListSerialPortsUnder(const std::filesystem::path&) {
    return {};
}

} // namespace velt
