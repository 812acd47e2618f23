#pragma once
// The drive's non-volatile parameter memory, kept in a text file: a header
// line, then one "register value" line per stored register. Replaced whole
// (WriteFileAtomically), so a crash leaves either the old or the new
// contents, never a mix.
#include <cstdint>
#include <string>
#include <vector>

namespace velt::sim {

struct StoredRegister {
    int reg = 0;
    uint16_t value = 0;
};

class StateFile {
public:
    // Reads the stored registers. A missing file gives an empty list and
    // true; unreadable lines are skipped. False when the file exists but
    // cannot be read, or is not a regular file of a state file's size.
    static bool Load(const std::string& path, std::vector<StoredRegister>* out);
    // Replaces the file atomically. False (old file untouched) on any error.
    static bool Save(const std::string& path, const std::vector<StoredRegister>& registers);
};

} // namespace velt::sim
