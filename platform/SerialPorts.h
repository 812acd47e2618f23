#pragma once
// The serial devices this machine has, each under a name a person
// recognises. CMake picks the backend: serial_ports_linux.cpp (the by-id
// folder, USB and ACM devices, and the ttyS ports that sysfs shows a UART
// behind), serial_ports_win32.cpp (the ports the system lists in
// HARDWARE\DEVICEMAP\SERIALCOMM, with their friendly names) or
// serial_ports_other.cpp.
//
// Any thread; nothing is opened, only folders and the registry are read.
#include <filesystem>
#include <string>
#include <vector>

namespace velt {

// Whether this user may open a device (read and write it). Busy is not
// told: only an open finds that out.
enum class PortAccess { Allowed, Denied, Unknown };

struct SerialPortInfo {
    std::string Name;      // what to open and to pass to --port: /dev/serial/by-id/..., /dev/ttyUSB0, COM4
    std::string Device;    // the device behind it: /dev/ttyUSB0; \Device\Serial0 on Windows
    std::string ShortName; // the device's short name for status lines: ttyUSB0, COM4
    std::string Label;     // maker, model and serial number, or the system's friendly name; may be empty
    PortAccess Access = PortAccess::Unknown;
    bool FromPortsFolder = false; // a COMn entry of the ports folder (ListSerialPortsAndFolder)
};

// This machine's serial devices, in the order a person looks for them:
// by-id names (sorted), then ttyUSB, ttyACM and ttyS devices by number
// (Linux); COM ports by number (Windows). One entry per device. On Linux
// $VELT_DEVICE_ROOT, when set, stands for "/" (tests, demonstrations).
std::vector<SerialPortInfo> ListSerialPorts();

// ListSerialPorts, then the COMn entries of the ports folder (PortsFolder.h)
// whose device exists and is not listed already: every port that a search of
// all ports tries. A ports-folder entry is named "COMn" and has no label.
std::vector<SerialPortInfo> ListSerialPortsAndFolder();

// Whether this user may open the device (POSIX: read and write rights).
PortAccess AccessOfDevice(const std::string& device);

// The Linux listing under `root`, a folder that stands for "/" (holding
// dev/ and sys/). Empty on other systems.
std::vector<SerialPortInfo> ListSerialPortsUnder(const std::filesystem::path& root);

// The label a by-id name carries when sysfs has none: the maker, model and
// serial number of "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" read
// "FTDI FT232R USB UART A50285BI".
std::string LabelFromById(const std::string& byIdName);

// The name to open a port by: "\\.\COMn" for COM10 and up on Windows, where
// the short form only reaches COM1 to COM9; any other name as it is.
std::string PortOpenName(const std::string& name);

// "ttyUSB0: FTDI FT232R USB UART (A50285BI)", or the short name alone when
// there is no label: how port lists show an entry.
std::string PortListText(const SerialPortInfo& port);

} // namespace velt
