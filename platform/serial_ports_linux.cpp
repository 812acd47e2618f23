// The serial devices of a Linux machine: the by-id names udev gives USB
// adapters (stable when the adapter moves to another socket), then the USB
// and ACM devices without one, then the ttyS ports with a UART behind them.
// Labels come from the USB device's sysfs attributes.
#include "platform/SerialPorts.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <system_error>
#include <unistd.h>

namespace velt {

namespace fs = std::filesystem;

namespace {

// How far up from a tty's device folder the USB device (the folder with
// idVendor) may lie: interface, then device.
constexpr int kMaxUsbLevels = 4;
constexpr std::streamsize kMaxAttributeBytes = 256;

// Serial port types of the kernel (PORT_* of linux/serial_core.h) that name
// a chip people know; 0 is "no UART here".
struct UartType {
    int type;
    const char* name;
};
constexpr UartType kUartTypes[] = {{1, "8250"},    {2, "16450"}, {3, "16550"}, {4, "16550A"},  {6, "16650"},
                                   {7, "16650V2"}, {8, "16750"}, {9, "16850"}, {10, "16C950"}, {11, "16654"}};

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    const size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}

// One sysfs attribute, without the line end; empty when missing.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<size_t>(kMaxAttributeBytes), '\0');
    in.read(text.data(), kMaxAttributeBytes);
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return Trimmed(text);
}

// "FTDI FT232R USB UART (A50285BI)" from the USB device above the tty, or
// empty when it is no USB device or tells nothing.
std::string UsbLabel(const fs::path& root, const std::string& shortName) {
    std::error_code ec;
    fs::path dir = fs::canonical(root / "sys/class/tty" / shortName / "device", ec);
    if (ec) return {};
    for (int level = 0; level < kMaxUsbLevels && !dir.empty(); ++level, dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor", ec)) continue;
        const std::string maker = Attribute(dir / "manufacturer");
        const std::string product = Attribute(dir / "product");
        const std::string serial = Attribute(dir / "serial");
        std::string label = product.rfind(maker, 0) == 0 ? product : Trimmed(maker + " " + product);
        if (!serial.empty()) label += label.empty() ? serial : " (" + serial + ")";
        return label;
    }
    return {};
}

// The UART type sysfs gives a ttyS port; 0 when there is none behind it.
int UartTypeOf(const fs::path& root, const std::string& shortName) {
    const std::string text = Attribute(root / "sys/class/tty" / shortName / "type");
    char* end = nullptr;
    const long type = std::strtol(text.c_str(), &end, 10);
    return text.empty() || *end != '\0' ? 0 : static_cast<int>(type);
}

std::string UartLabel(int type) {
    for (const UartType& t : kUartTypes)
        if (t.type == type) return std::string(t.name) + " UART";
    return "UART";
}

// The names in `folder` that start with `prefix`, ordered by the number
// after it (ttyUSB2 before ttyUSB10), then by name.
std::vector<std::string> NumberedNames(const fs::path& folder, const std::string& prefix) {
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        char* rest = nullptr;
        const long n = std::strtol(name.c_str() + prefix.size(), &rest, 10);
        if (*rest != '\0') continue;
        found.emplace_back(n, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& f : found)
        names.push_back(std::move(f.second));
    return names;
}

class Listing {
public:
    explicit Listing(fs::path root) : root_(std::move(root)) {}

    // Adds `name` (what the user opens) for the device it leads to, once per
    // device. False when it leads nowhere or the device is listed already.
    bool Add(const fs::path& name, std::string label) {
        std::error_code ec;
        const fs::path device = fs::canonical(name, ec);
        if (ec || !seen_.insert(device.string()).second) return false;
        SerialPortInfo port;
        port.Name = name.string();
        port.Device = device.string();
        port.ShortName = device.filename().string();
        port.Label = UsbLabel(root_, port.ShortName);
        if (port.Label.empty()) port.Label = std::move(label);
        port.Access = AccessOfDevice(port.Device);
        ports_.push_back(std::move(port));
        return true;
    }

    std::vector<SerialPortInfo> Take() { return std::move(ports_); }

private:
    fs::path root_;
    std::set<std::string> seen_;
    std::vector<SerialPortInfo> ports_;
};

} // namespace

std::vector<SerialPortInfo> ListSerialPortsUnder(const fs::path& root) {
    Listing listing(root);
    const fs::path byId = root / "dev/serial/by-id";
    std::vector<std::string> byIdNames;
    std::error_code ec;
    for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec))
        byIdNames.push_back(it->path().filename().string());
    std::sort(byIdNames.begin(), byIdNames.end());
    for (const std::string& name : byIdNames)
        listing.Add(byId / name, LabelFromById(name));

    const fs::path dev = root / "dev";
    for (const char* prefix : {"ttyUSB", "ttyACM"})
        for (const std::string& name : NumberedNames(dev, prefix))
            listing.Add(dev / name, {});
    // The serial driver makes ttyS nodes for ports that may not be there;
    // only those with a UART behind them are real.
    for (const std::string& name : NumberedNames(dev, "ttyS")) {
        const int type = UartTypeOf(root, name);
        if (type != 0) listing.Add(dev / name, UartLabel(type));
    }
    return listing.Take();
}

PortAccess AccessOfDevice(const std::string& device) {
    return ::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0 ? PortAccess::Allowed
                                                                               : PortAccess::Denied;
}

std::vector<SerialPortInfo> ListSerialPorts() {
    const char* root = std::getenv("VELT_DEVICE_ROOT");
    return ListSerialPortsUnder(root != nullptr && *root != '\0' ? fs::path(root) : fs::path("/"));
}

} // namespace velt
