// The .par reader. The fuzzed text is read as it is, with its lines ended by
// CR LF and by CR, and, where it converts, in code page 949 as well as UTF-8;
// each form must read alike. The values read are then written and read back.
//
// Input: one byte of mode (bit 0: write the values back with the Korean
// names, else the English ones; bit 1: as the CP949 file bytes, else as
// UTF-8 text), then the text.
#include "FuzzSupport.h"
#include "params/ParFile.h"
#include "platform/Cp949.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace velt::fuzz {
namespace {

VELT_FUZZ_UNCOVERED ParamValues MakeStartValues() {
    ParamValues v;
    for (size_t n = 0; n < v.size(); ++n)
        v[n] = static_cast<int16_t>(0x5A00 + n);
    return v;
}

const ParamValues kStartValues = MakeStartValues();

struct Reading {
    ParamValues values = kStartValues;
    ParReadResult result;
};

VELT_FUZZ_UNCOVERED void CheckReading(const Reading& r, std::string_view text) {
    for (size_t n = 0; n < r.values.size(); ++n)
        VELT_FUZZ_CHECK(r.result.present[n] || r.values[n] == kStartValues[n]);
    VELT_FUZZ_CHECK(r.result.applied >= 0 && static_cast<size_t>(r.result.applied) <= text.size());
    VELT_FUZZ_CHECK(r.result.warnings.size() <= kMaxParWarnings + 1);
    int lastLine = 0;
    for (const ParWarning& w : r.result.warnings) {
        VELT_FUZZ_CHECK(w.line >= lastLine && w.line >= 1 && static_cast<size_t>(w.line) <= text.size());
        lastLine = w.line;
    }
}

// Reads and checks what holds for any text: nothing thrown, a parameter the
// text did not set keeps its value, the warnings are bounded and name lines
// of the text.
Reading Read(std::string_view text) {
    Reading r;
    try {
        r.result = ParseParText(text, &r.values, false);
    } catch (const std::exception& e) {
        CheckFailed(e.what(), __FILE__, __LINE__);
    }
    CheckReading(r, text);
    return r;
}

VELT_FUZZ_UNCOVERED bool SameReading(const Reading& a, const Reading& b) {
    if (a.values != b.values || a.result.present != b.result.present ||
        a.result.applied != b.result.applied || a.result.warnings.size() != b.result.warnings.size())
        return false;
    for (size_t i = 0; i < a.result.warnings.size(); ++i)
        if (a.result.warnings[i].line != b.result.warnings[i].line) return false;
    return true;
}

// The text's lines, split at CR LF, LF or a lone CR, joined with `end`.
VELT_FUZZ_UNCOVERED std::string WithLineEnds(std::string_view text, std::string_view end) {
    std::string out(text.size() * 2, '\0');
    size_t o = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            for (const char c : end)
                out[o++] = c;
        } else {
            out[o++] = text[i];
        }
    }
    out.resize(o);
    return out;
}

// Writing the values and reading them back gives every value exactly.
void CheckRoundTrip(const ParamValues& values, bool korean, bool cp949) {
    std::string bytes;
    if (cp949)
        VELT_FUZZ_CHECK(FormatParFile(values, &bytes, korean));
    else
        bytes = FormatParTextUtf8(values, korean);
    const Reading back = Read(bytes);
    VELT_FUZZ_CHECK(back.values == values);
    VELT_FUZZ_CHECK(back.result.applied == drive::ParamCount && back.result.warnings.empty());
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    using namespace velt::fuzz;
    ByteReader in(data, size);
    const uint8_t mode = in.Byte();
    const std::string_view text = in.Rest();

    const Reading asGiven = Read(text);
    VELT_FUZZ_CHECK(SameReading(asGiven, Read(WithLineEnds(text, "\r\n"))));
    VELT_FUZZ_CHECK(SameReading(asGiven, Read(WithLineEnds(text, "\r"))));

    // Names are not read: the same file in code page 949 reads alike.
    std::string cp949;
    if (Utf8ToCp949(text, &cp949)) VELT_FUZZ_CHECK(SameReading(asGiven, Read(cp949)));

    // With nothing read the values are the fixed start values, whose round
    // trip in this mode the first such input has shown already.
    static bool startValuesWritten[4] = {};
    if (asGiven.result.applied == 0 && startValuesWritten[mode & 3]) return 0;
    startValuesWritten[mode & 3] = true;
    CheckRoundTrip(asGiven.values, (mode & 1) != 0, (mode & 2) != 0);
    return 0;
}
