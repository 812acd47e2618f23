#include "StateFile.h"

#include "link/DriveMap.h"
#include "platform/AtomicFile.h"

#include <cerrno>
#include <sstream>
#include <sys/stat.h>

namespace velt::sim {
namespace {

constexpr const char* kHeader = "# velt-drive-sim stored parameters: register value";
// A stored set is about 2 KB; anything far larger is not a state file.
constexpr size_t kMaxStateFileBytes = 64 * 1024;

} // namespace

bool StateFile::Load(const std::string& path, std::vector<StoredRegister>* out) {
    out->clear();
    std::string text;
    if (!ReadWholeFile(path, &text, kMaxStateFileBytes)) {
        struct stat st {};
        return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
    }
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        long reg = -1;
        long value = 0;
        std::string rest;
        if (!(fields >> reg >> value) || (fields >> rest)) continue;
        if (reg < 0 || reg >= drive::ParamCount || value < -32768 || value > 65535) continue;
        out->push_back({static_cast<int>(reg), static_cast<uint16_t>(value)});
    }
    return true;
}

bool StateFile::Save(const std::string& path, const std::vector<StoredRegister>& registers) {
    std::string text = std::string(kHeader) + "\n";
    for (const StoredRegister& r : registers)
        text += std::to_string(r.reg) + " " + std::to_string(static_cast<int16_t>(r.value)) + "\n";
    return WriteFileAtomically(path, text);
}

} // namespace velt::sim
