#pragma once
// The one bridge between the core's texts and Qt's: the core speaks UTF-8
// (std::string, string literals, paths through base/PathText.h), the widgets
// QString.
#include "base/PathText.h"

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

namespace velt {

inline QString Qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline QString Qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}
inline QString Qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

inline QString QsPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}
inline std::filesystem::path PathOf(const QString& text) {
    return std::filesystem::path(text.toStdU16String());
}

} // namespace velt
