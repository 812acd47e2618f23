#include "LineName.h"

#include <string_view>

namespace velt {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kRtuTcpScheme = "rtu-tcp://";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Reads "HOST[:PORT]" into name; host brackets are taken off.
void ParseHostPort(std::string_view rest, LineName& name) {
    std::string_view host;
    std::string_view port;
    bool hasPort = false;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            name.Fault = LineNameFault::MissingHost;
            return;
        }
        host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                name.Fault = LineNameFault::BadPort;
                return;
            }
            port = after.substr(1);
            hasPort = true;
        }
    } else {
        const size_t colon = rest.rfind(':');
        host = rest.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = rest.substr(colon + 1);
            hasPort = true;
        }
    }
    if (host.empty() || host.find_first_of("/ \t@") != std::string_view::npos) {
        name.Fault = LineNameFault::MissingHost;
        return;
    }
    name.Host = std::string(host);
    name.Port = kDefaultModbusTcpPort;
    if (!hasPort) return;
    if (port.empty() || port.size() > 6 || port.find_first_not_of("0123456789") != std::string_view::npos) {
        name.Fault = LineNameFault::BadPort;
        return;
    }
    long value = 0;
    for (const char c : port)
        value = value * 10 + (c - '0');
    if (value < 1 || value > 65535) {
        name.Fault = LineNameFault::PortRange;
        return;
    }
    name.Port = static_cast<uint16_t>(value);
}

} // namespace

bool IsNetworkLineName(const std::string& name) {
    return StartsWith(name, kTcpScheme) || StartsWith(name, kRtuTcpScheme);
}

LineName ParseLineName(const std::string& name) {
    LineName line;
    std::string_view rest;
    if (StartsWith(name, kTcpScheme)) {
        line.Kind = LineKind::ModbusTcp;
        rest = std::string_view(name).substr(kTcpScheme.size());
    } else if (StartsWith(name, kRtuTcpScheme)) {
        line.Kind = LineKind::RtuOverTcp;
        rest = std::string_view(name).substr(kRtuTcpScheme.size());
    } else {
        return line;
    }
    ParseHostPort(rest, line);
    return line;
}

} // namespace velt
