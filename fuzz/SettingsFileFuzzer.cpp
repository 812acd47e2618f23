// The settings file that keeps the Directory setting. Any text is read; the
// setting written into it must read back as written, and every other line
// must stay where it was.
//
// Input: one byte n, then n bytes of folder name, then the settings text.
#include "FuzzSupport.h"
#include "params/ParamFolders.h"
#include "platform/UserSettings.h"

#include <sstream>
#include <string>
#include <vector>

namespace velt::fuzz {
namespace {

const std::string kHeader = std::string("[") + kSettingsKey + "]";
const std::string kKey = std::string(kDirectoryValue) + "=";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The lines of a settings text as the reader sees them (blanks around them
// removed), leaving out the Directory lines of the program's own key.
std::vector<std::string> OtherLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    bool ours = false;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && IsBlank(line.back()))
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        line.erase(0, first == std::string::npos ? line.size() : first);
        if (!line.empty() && line.front() == '[') ours = line == kHeader;
        if (ours && line.rfind(kKey, 0) == 0) continue;
        lines.push_back(line);
    }
    return lines;
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    using namespace velt::fuzz;
    ByteReader in(data, size);
    const std::string folder(in.Bytes(in.Byte()));
    const std::string text(in.Rest());

    SettingInIniText(text, kSettingsKey, kDirectoryValue);
    // Folders with line ends are refused before the text is built.
    if (folder.find_first_of("\r\n") != std::string::npos) return 0;
    const std::string written = IniTextWithSetting(text, kSettingsKey, kDirectoryValue, folder);
    VELT_FUZZ_CHECK(SettingInIniText(written, kSettingsKey, kDirectoryValue) == folder);

    std::vector<std::string> before = OtherLines(text);
    const std::vector<std::string> after = OtherLines(written);
    // A text without the key's section gets one at its end.
    if (after.size() == before.size() + 1) before.push_back(kHeader);
    VELT_FUZZ_CHECK(after == before);
    return 0;
}
