// CP949 conversions through the Windows code page tables (code page 949 and
// UTF-8, by way of UTF-16).
#include "platform/Cp949.h"

#include <windows.h>

namespace velt {

namespace {
constexpr UINT kCp949 = 949;
constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Decodes bytes of code page `cp` to UTF-16; false at any invalid sequence.
bool ToWide(UINT cp, std::string_view bytes, std::wstring* out) {
    out->clear();
    if (bytes.empty()) return true;
    const int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    if (n <= 0) return false;
    out->resize(static_cast<size_t>(n));
    return MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                               out->data(), n) == n;
}

// Encodes UTF-16 in code page `cp`. False when a character has no exact
// form there (no best-fit look-alikes, no default character).
bool FromWide(UINT cp, std::wstring_view wide, std::string* out) {
    out->clear();
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    BOOL* const check = cp == CP_UTF8 ? nullptr : &usedDefault; // UTF-8 refuses the flag
    const DWORD flags = cp == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    const int n = WideCharToMultiByte(cp, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, check);
    if (n <= 0 || usedDefault) return false;
    out->resize(static_cast<size_t>(n));
    return WideCharToMultiByte(cp, flags, wide.data(), static_cast<int>(wide.size()), out->data(), n, nullptr,
                               check) == n &&
           !usedDefault;
}

// Length of the CP949 character at the front of `bytes`: 2 after a lead
// byte (when a second byte follows), else 1.
size_t CharLength(std::string_view bytes) {
    return bytes.size() >= 2 && IsDBCSLeadByteEx(kCp949, static_cast<BYTE>(bytes[0])) ? 2 : 1;
}
} // namespace

bool Utf8ToCp949(std::string_view utf8, std::string* out) {
    std::wstring wide;
    std::string result;
    if (!ToWide(CP_UTF8, utf8, &wide) || !FromWide(kCp949, wide, &result)) return false;
    *out = std::move(result);
    return true;
}

std::string Cp949ToUtf8(std::string_view cp949) {
    std::wstring wide;
    std::string result;
    if (ToWide(kCp949, cp949, &wide) && FromWide(CP_UTF8, wide, &result)) return result;
    // Some bytes do not decode: convert character by character and put
    // U+FFFD for each byte that does not start a valid one.
    result.clear();
    std::string piece;
    while (!cp949.empty()) {
        const size_t length = CharLength(cp949);
        if (ToWide(kCp949, cp949.substr(0, length), &wide) && FromWide(CP_UTF8, wide, &piece)) {
            result += piece;
            cp949.remove_prefix(length);
        } else {
            result += kReplacement;
            cp949.remove_prefix(1);
        }
    }
    return result;
}

} // namespace velt
