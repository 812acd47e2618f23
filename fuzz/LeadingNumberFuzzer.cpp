// The leading-number reader, narrow and wide, against the C library's
// strtoll with the same saturation at the 32-bit range.
//
// Input: the text; the wide text is made of its bytes taken in pairs.
#include "FuzzSupport.h"
#include "base/LeadingNumber.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

namespace velt::fuzz {
namespace {

// What atoi would read, without its undefined overflow. Text past a NUL is
// not seen by strtoll; the reader stops there as well, since a NUL is
// neither blank nor digit.
ParsedNumber Reference(const std::string& narrow) {
    ParsedNumber r;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(narrow.c_str(), &end, 10);
    r.digits = end != narrow.c_str();
    r.saturated = errno == ERANGE || v > INT32_MAX || v < INT32_MIN;
    r.value = static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
    return r;
}

void CheckSame(const ParsedNumber& got, const ParsedNumber& want) {
    VELT_FUZZ_CHECK(got.value == want.value);
    VELT_FUZZ_CHECK(got.digits == want.digits);
    VELT_FUZZ_CHECK(got.saturated == want.saturated);
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    using namespace velt::fuzz;
    const std::string narrow(reinterpret_cast<const char*>(data), size);
    CheckSame(ReadLeadingNumber(std::string_view(narrow)), Reference(narrow));

    // Wide characters outside ASCII are neither blanks, signs nor digits,
    // even when their low byte is one.
    std::u16string wide;
    std::string asNarrow;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        wide += c;
        asNarrow += c < 0x80 ? static_cast<char>(c) : 'x';
    }
    CheckSame(ReadLeadingNumber(std::u16string_view(wide)), Reference(asNarrow));
    return 0;
}
