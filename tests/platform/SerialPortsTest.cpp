// The serial port listing of Linux against a faked /dev and /sys (a test
// root, never the machine's own), and the names ports are opened by.
#include "platform/SerialPorts.h"
#include "platform/PortsFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velt {
namespace {

namespace fs = std::filesystem;

// A folder that stands for "/": dev/ with device files (plain files will
// do, nothing is opened) and sys/class/tty with the attributes the kernel
// would show.
class FakeRoot {
public:
    FakeRoot() {
        root_ = fs::temp_directory_path() / ("velt-devroot-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "dev/serial/by-id");
        fs::create_directories(root_ / "sys/class/tty");
    }
    ~FakeRoot() { fs::remove_all(root_); }
    const fs::path& Path() const { return root_; }

    fs::path Device(const std::string& name) {
        const fs::path path = root_ / "dev" / name;
        std::ofstream(path).put('\n');
        ::chmod(path.c_str(), 0660);
        return path;
    }
    // dev/serial/by-id/NAME -> ../../DEVICE, as udev makes them.
    void ById(const std::string& name, const std::string& device) {
        fs::create_symlink("../../" + device, root_ / "dev/serial/by-id" / name);
    }
    // A USB adapter: the tty's device folder is an interface folder whose
    // parent holds the device's attributes.
    void Usb(const std::string& tty, const std::string& maker, const std::string& product,
             const std::string& serial) {
        const fs::path usb = root_ / "sys/devices/pci0000:00/usb1" / ("1-" + tty);
        const fs::path iface = usb / ("1-" + tty + ":1.0");
        fs::create_directories(iface);
        Write(usb / "idVendor", "0403\n");
        Write(usb / "manufacturer", maker + "\n");
        Write(usb / "product", product + "\n");
        if (!serial.empty()) Write(usb / "serial", serial + "\n");
        fs::create_directories(root_ / "sys/class/tty" / tty);
        fs::create_symlink(iface, root_ / "sys/class/tty" / tty / "device");
    }
    void UartType(const std::string& tty, int type) {
        fs::create_directories(root_ / "sys/class/tty" / tty);
        Write(root_ / "sys/class/tty" / tty / "type", std::to_string(type) + "\n");
    }

private:
    static void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
    fs::path root_;
};

std::vector<std::string> Names(const std::vector<SerialPortInfo>& ports) {
    std::vector<std::string> names;
    for (const SerialPortInfo& p : ports)
        names.push_back(p.Name);
    return names;
}

TEST(SerialPortList, ByIdNamesComeFirstThenUsbAcmAndRealUartsEachDeviceOnce) {
    FakeRoot root;
    const fs::path dev = root.Path() / "dev";
    root.Device("ttyUSB0");
    root.Device("ttyUSB2");
    root.Device("ttyUSB10");
    root.Device("ttyACM0");
    root.Device("ttyS0");
    root.Device("ttyS1");
    root.Device("ttyS2");
    root.Device("ttyUSBx"); // no number: not a USB serial device
    root.ById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
    root.ById("usb-Gone_Adapter_1234-if00-port0", "ttyUSB7"); // dangling: unplugged meanwhile
    root.Usb("ttyUSB0", "FTDI", "FT232R USB UART", "A50285BI");
    root.Usb("ttyACM0", "VELT", "VELT USB Link", "");
    root.UartType("ttyS0", 4); // 16550A
    root.UartType("ttyS1", 0); // a node the driver made without a port behind it
                               // ttyS2 has no sysfs entry at all

    const std::vector<SerialPortInfo> ports = ListSerialPortsUnder(root.Path());
    EXPECT_EQ(Names(ports), (std::vector<std::string>{
                                (dev / "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string(),
                                (dev / "ttyUSB2").string(), (dev / "ttyUSB10").string(),
                                (dev / "ttyACM0").string(), (dev / "ttyS0").string()}));
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports[0].Device, fs::canonical(dev / "ttyUSB0").string())
        << "the by-id name leads to its device";
    EXPECT_EQ(ports[0].ShortName, "ttyUSB0");
    EXPECT_EQ(ports[0].Label, "FTDI FT232R USB UART (A50285BI)");
    EXPECT_EQ(PortListText(ports[0]), "ttyUSB0: FTDI FT232R USB UART (A50285BI)");
    EXPECT_EQ(ports[1].Label, "") << "no sysfs entry, no label";
    EXPECT_EQ(PortListText(ports[1]), "ttyUSB2");
    EXPECT_EQ(ports[3].Label, "VELT USB Link") << "the maker's name is not repeated";
    EXPECT_EQ(ports[4].Label, "16550A UART");
    for (const SerialPortInfo& p : ports)
        EXPECT_EQ(p.Access, PortAccess::Allowed) << p.Name << ": our own file, mode 0660";
}

TEST(SerialPortList, ARootWithoutDevicesListsNothing) {
    const fs::path empty = fs::temp_directory_path() / ("velt-emptyroot-" + std::to_string(::getpid()));
    fs::create_directories(empty);
    EXPECT_TRUE(ListSerialPortsUnder(empty).empty());
    EXPECT_TRUE(ListSerialPortsUnder(empty / "missing").empty());
    fs::remove_all(empty);
}

// Runs `body` in a child process as the user nobody when this one is root
// (as itself otherwise) and returns its exit code.
int AsUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(SerialPortList, ADeviceThisUserMayNotReadAndWriteIsMarkedSo) {
    FakeRoot root;
    ::chmod(root.Path().c_str(), 0755);
    const fs::path open = root.Device("ttyUSB0");
    const fs::path closed = root.Device("ttyUSB1");
    ::chmod(open.c_str(), 0666);
    ::chmod(closed.c_str(), ::geteuid() == 0 ? 0600 : 0000);
    const int code = AsUnprivileged([&] {
        const std::vector<SerialPortInfo> ports = ListSerialPortsUnder(root.Path());
        if (ports.size() != 2) return 1;
        return ports[0].Access == PortAccess::Allowed && ports[1].Access == PortAccess::Denied ? 0 : 2;
    });
    EXPECT_EQ(code, 0);
}

TEST(SerialPortList, TheEnvironmentRootAndThePortsFolderMakeTheListOfAllPorts) {
    FakeRoot root;
    const fs::path usb = root.Device("ttyUSB0");
    // A device outside the usual names, such as a simulated drive's terminal.
    const fs::path other = root.Path() / "pts-7";
    std::ofstream(other).put('\n');
    const fs::path ports = root.Path() / "ports";
    fs::create_directories(ports);
    fs::create_symlink(usb, ports / "COM4");   // the same device as a listed one: listed once
    fs::create_symlink(other, ports / "COM9"); // a device of its own
    fs::create_symlink(root.Path() / "dev/missing", ports / "COM11"); // no device: not searched
    std::ofstream(ports / "notes.txt") << "not a port\n";
    ::setenv("VELT_DEVICE_ROOT", root.Path().c_str(), 1);
    ::setenv("VELT_PORTS_DIR", ports.c_str(), 1);
    const std::vector<SerialPortInfo> all = ListSerialPortsAndFolder();
    ::unsetenv("VELT_DEVICE_ROOT");
    ::unsetenv("VELT_PORTS_DIR");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].Name, usb.string());
    EXPECT_FALSE(all[0].FromPortsFolder);
    EXPECT_EQ(all[1].Name, "COM9");
    EXPECT_EQ(all[1].Device, fs::canonical(other).string());
    EXPECT_TRUE(all[1].FromPortsFolder);
}

TEST(SerialPortNames, ByIdNamesReadAsMakerModelAndSerialAndLongComNamesGetThePrefix) {
    EXPECT_EQ(LabelFromById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), "FTDI FT232R USB UART A50285BI");
    EXPECT_EQ(LabelFromById("usb-1a86_USB_Serial-if00"), "1a86 USB Serial");
    EXPECT_EQ(LabelFromById("pci-Moxa_UPort_1110"), "Moxa UPort 1110");
    EXPECT_EQ(PortOpenName("COM9"), "COM9");
    EXPECT_EQ(PortOpenName("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(PortOpenName("\\\\.\\COM12"), "\\\\.\\COM12");
    EXPECT_EQ(PortOpenName("/dev/serial/by-id/usb-X-if00"), "/dev/serial/by-id/usb-X-if00");
}

} // namespace
} // namespace velt
