#pragma once
// The line protocol that drives a running simulator's faults and inputs
// (velt-drive-sim reads it from stdin; tests may call it directly).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// Cuts the bytes of the control input (velt-drive-sim's stdin) into lines,
// ended by LF or CR LF. Control lines are a few words: a line longer than
// kMaxLineBytes is refused as a whole, however its bytes arrive, so input
// without line ends cannot fill the memory.
class ControlInput {
public:
    static constexpr size_t kMaxLineBytes = 4096;

    // The lines that `bytes` complete, without their line ends.
    std::vector<std::string> Feed(std::string_view bytes);
    // The end of the input completes a last line that has no line end.
    std::vector<std::string> Finish();
    // The number of overlong lines refused since the last call.
    int TakeRefused();

private:
    std::string pending_;
    bool skipping_ = false; // the rest of an overlong line is still to come
    int refused_ = 0;
};

} // namespace velt::sim
