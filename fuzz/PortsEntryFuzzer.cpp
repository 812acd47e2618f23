// Port names and the entries of the ports folder: the COM number read from a
// name, the device named by the text of an entry file, and the label a
// /dev/serial/by-id name gives.
#include "FuzzSupport.h"
#include "platform/PortsFolder.h"
#include "platform/SerialPorts.h"

#include <string>
#include <string_view>

namespace velt::fuzz {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A COM number comes only from "COM" and decimal digits, with or without
// the "\\.\" prefix; any other name is a device path and stays as it is.
void CheckComNumber(const std::string& name) {
    const int n = ComNumberOf(name);
    VELT_FUZZ_CHECK(n >= 0);
    if (n == 0) {
        VELT_FUZZ_CHECK(ResolvePortName(name) == name);
        return;
    }
    std::string_view s = name;
    if (s.substr(0, 4) == "\\\\.\\") s.remove_prefix(4);
    VELT_FUZZ_CHECK(s.substr(0, 3) == "COM" && s.size() > 3);
    long long value = 0;
    for (const char c : s.substr(3)) {
        VELT_FUZZ_CHECK(c >= '0' && c <= '9');
        value = value * 10 + (c - '0');
        VELT_FUZZ_CHECK(value <= 100000);
    }
    VELT_FUZZ_CHECK(value == n);
}

// The device is the entry's first line without the blanks around it.
void CheckEntry(std::string_view text) {
    const std::string device = DeviceNamedBy(text);
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    VELT_FUZZ_CHECK(device.find('\n') == std::string::npos);
    if (device.empty()) {
        for (const char c : firstLine)
            VELT_FUZZ_CHECK(IsBlank(c) || c == '\r');
        return;
    }
    VELT_FUZZ_CHECK(!IsBlank(device.front()) && !IsBlank(device.back()) && device.back() != '\r');
    VELT_FUZZ_CHECK(firstLine.find(device) != std::string_view::npos);
}

// A by-id name read as a label: underscores become blanks, the bus prefix
// and the interface suffix go, nothing is added.
void CheckByIdLabel(const std::string& name) {
    const std::string label = LabelFromById(name);
    VELT_FUZZ_CHECK(label.size() <= name.size());
    VELT_FUZZ_CHECK(label.find('_') == std::string::npos);
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    velt::fuzz::CheckComNumber(std::string(text));
    velt::fuzz::CheckEntry(text);
    velt::fuzz::CheckByIdLabel(std::string(text));
    return 0;
}
