#pragma once
// Command line of velt-host (after Qt has taken its own options out).
#include <cstdint>
#include <string>
#include <vector>

namespace velt {

struct AppOptions {
    bool Demo = false;   // --demo: simulated drive published as COM3 for this run
    int DemoBaud = 9600; // --demo-baud B: the demo drive's own rate (it answers only at it)
    int DemoId = 1;      // --demo-id N: the demo drive's ID, 1..247
    // --demo-ids LIST: several demo drives on the line; the connection starts
    // on the first, the line overview lists them all. Empty: one drive, DemoId.
    std::vector<uint8_t> DemoIds;
    bool DemoTcp = false;   // --demo-tcp: the demo drive behind a Modbus TCP gateway on loopback
    std::string DemoLine;   // the demo's network line name, once its gateway serves (main sets it)
    int Lang = -1;          // --lang ko|en: 1 Korean, 0 English, -1 system default
    bool Connect = false;   // --connect: press Connect once the windows are up
    std::string Screenshot; // --screenshot FILE: save the main window and quit
    int ReportSeconds = 0;  // --report S: link state and counters every S seconds, messages at once (stdout)
    bool Repeat = false;    // --repeat: once connected, servo on and the repeat cycle started
    int Scopes = 0;         // --scopes N: N scope windows shown (and running) from the start
    bool Reconnect = false; // --reconnect: "Reconnect automatically" on from the start
    std::string WriteLog;   // --write-log FILE: every write asked of the link, with its time
    bool Help = false;      // --help
    bool Version = false;   // --version
    std::string Error;      // first problem found; empty when the line is good
};

AppOptions ParseAppOptions(const std::vector<std::string>& args);
const char* AppUsage();

} // namespace velt
