#pragma once
// Conversion between UTF-8 (the program's texts) and the Korean ANSI code page
// 949 used by parameter files.
#include <string>
#include <string_view>

namespace velt {

// UTF-8 to CP949. False (out untouched) when the text holds a character that
// CP949 cannot represent or is not valid UTF-8.
bool Utf8ToCp949(std::string_view utf8, std::string* out);
// CP949 to UTF-8. Bytes that do not decode become U+FFFD; never fails.
std::string Cp949ToUtf8(std::string_view cp949);

} // namespace velt
