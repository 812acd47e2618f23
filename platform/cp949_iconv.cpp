// CP949 conversions through the C library's iconv (glibc ships the table).
#include "platform/Cp949.h"

#include <cerrno>
#include <iconv.h>

namespace velt {

namespace {
constexpr const char* kCp949 = "CP949";
constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// RAII for one conversion descriptor; each call opens its own, so the
// functions are safe on any thread.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns false at an invalid or
    // unconvertible sequence, leaving *in and *inLeft at it.
    bool Run(char** in, size_t* inLeft, std::string* out) {
        char buffer[1024];
        while (*inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t r = iconv(cd_, in, inLeft, &dst, &dstLeft);
            out->append(buffer, static_cast<size_t>(dst - buffer));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};
} // namespace

bool Utf8ToCp949(std::string_view utf8, std::string* out) {
    Converter conv(kCp949, kUtf8);
    if (!conv.ok()) return false;
    std::string input(utf8);
    std::string result;
    char* in = input.data();
    size_t left = input.size();
    if (!conv.Run(&in, &left, &result)) return false;
    *out = std::move(result);
    return true;
}

std::string Cp949ToUtf8(std::string_view cp949) {
    Converter conv(kUtf8, kCp949);
    std::string input(cp949);
    std::string result;
    if (!conv.ok()) return input;
    char* in = input.data();
    size_t left = input.size();
    while (!conv.Run(&in, &left, &result) && left > 0) {
        result += kReplacement;
        ++in; // skip the offending byte and carry on
        --left;
    }
    return result;
}

} // namespace velt
