#pragma once
// The line protocol that drives a running simulator's faults and inputs
// (velt-drive-sim reads it from stdin; tests may call it directly).
#include <string>

namespace velt::sim {

class SimDrive;

class ControlLine {
public:
    // Applies one line. Blank lines and lines starting with '#' do nothing.
    // False with a message in *error for an unknown or malformed line, which
    // then changes nothing.
    static bool Apply(SimDrive& drive, const std::string& line, std::string* error);
    // The commands, one per line, for --help.
    static const char* Help();
};

} // namespace velt::sim
