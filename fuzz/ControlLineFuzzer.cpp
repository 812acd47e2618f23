// The simulated drive's control input: the fuzzed bytes are cut into lines
// in three ways of arriving (whole, in reads of 512 bytes, in pieces of 7
// that split words and line ends), which must give the same lines, and the
// lines are applied to a drive.
#include "FuzzSupport.h"
#include "sim/ControlLine.h"
#include "sim/SimDrive.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace velt::fuzz {
namespace {

using sim::ControlInput;

// Lines past these are cut but not applied: they would only repeat.
constexpr size_t kMaxApplied = 64;

struct Cut {
    std::vector<std::string> lines;
    int refused = 0;
    bool operator==(const Cut&) const = default;
};

Cut CutInPieces(std::string_view bytes, size_t piece) {
    ControlInput input;
    Cut cut;
    for (size_t i = 0; i < bytes.size(); i += piece)
        for (std::string& line : input.Feed(bytes.substr(i, piece)))
            cut.lines.push_back(std::move(line));
    for (std::string& line : input.Finish())
        cut.lines.push_back(std::move(line));
    cut.refused = input.TakeRefused();
    for (const std::string& line : cut.lines) {
        VELT_FUZZ_CHECK(line.size() <= ControlInput::kMaxLineBytes);
        VELT_FUZZ_CHECK(line.find('\n') == std::string::npos);
    }
    return cut;
}

// What the control lines set and a drive shows back: its inputs and outputs.
struct Snapshot {
    std::array<bool, 16> inputs{};
    std::array<bool, 16> coils{};
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const sim::SimDrive& drive) {
    Snapshot s;
    for (int k = 0; k < 16; ++k) {
        s.inputs[static_cast<size_t>(k)] = drive.Input(k);
        s.coils[static_cast<size_t>(k)] = drive.Coil(k);
    }
    return s;
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    using namespace velt::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Cut whole = CutInPieces(bytes, bytes.size() + 1);
    VELT_FUZZ_CHECK(CutInPieces(bytes, 512) == whole);
    VELT_FUZZ_CHECK(CutInPieces(bytes, 7) == whole);

    if (whole.lines.empty()) return 0;
    sim::SimOptions options;
    options.publish = false;
    sim::SimDrive drive(options);
    Snapshot state = Take(drive);
    const size_t lines = std::min(whole.lines.size(), kMaxApplied);
    for (size_t i = 0; i < lines; ++i) {
        std::string error;
        if (drive.ApplyControlLine(whole.lines[i], &error)) {
            state = Take(drive);
            continue;
        }
        VELT_FUZZ_CHECK(!error.empty());
        VELT_FUZZ_CHECK(Take(drive) == state); // a refused line changes nothing
    }
    return 0;
}
