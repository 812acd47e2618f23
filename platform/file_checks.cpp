// The kind of a path and the reasons of file failures, both platforms.
#include "platform/FileChecks.h"

#include "base/LocalText.h"

#include <array>
#include <utility>

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr LocalText kMissing{"파일이 없습니다", "the file does not exist"};
constexpr LocalText kFolder{"파일이 아니라 폴더입니다", "it is a folder, not a file"};
constexpr LocalText kOther{"일반 파일이 아닙니다 (장치, 파이프 또는 소켓)",
                           "it is not a regular file (a device, a pipe or a socket)"};
constexpr LocalText kUnknown{"파일에 접근할 수 없습니다", "it cannot be reached"};

// The errors file work meets in practice; the rest take the system's text.
const std::array<std::pair<std::errc, LocalText>, 14> kReasons{{
    {std::errc::no_such_file_or_directory, {"파일이나 폴더가 없습니다", "No such file or directory"}},
    {std::errc::permission_denied, {"권한이 없습니다", "Permission denied"}},
    {std::errc::operation_not_permitted, {"허용되지 않은 작업입니다", "Operation not permitted"}},
    {std::errc::no_space_on_device, {"디스크 공간이 부족합니다", "No space left on device"}},
    {std::errc::read_only_file_system, {"읽기 전용 파일 시스템입니다", "Read-only file system"}},
    {std::errc::is_a_directory, {"폴더입니다", "Is a directory"}},
    {std::errc::not_a_directory, {"경로의 일부가 폴더가 아닙니다", "Not a directory"}},
    {std::errc::file_exists, {"같은 이름의 파일이 이미 있습니다", "File exists"}},
    {std::errc::filename_too_long, {"파일 이름이 너무 깁니다", "File name too long"}},
    {std::errc::io_error, {"입출력 오류입니다", "Input/output error"}},
    {std::errc::file_too_large, {"파일이 너무 큽니다", "File too large"}},
    {std::errc::device_or_resource_busy, {"사용 중입니다", "Device or resource busy"}},
    {std::errc::too_many_files_open, {"열린 파일이 너무 많습니다", "Too many open files"}},
    {std::errc::no_such_device, {"장치가 없습니다", "No such device"}},
}};

std::string KindReason(PathKind kind) {
    switch (kind) {
    case PathKind::Missing:
        return Local(kMissing);
    case PathKind::Folder:
        return Local(kFolder);
    case PathKind::Other:
        return Local(kOther);
    case PathKind::Unknown:
        return Local(kUnknown);
    case PathKind::Regular:
        break;
    }
    return {};
}

bool Refuse(PathKind kind, std::string* reason) {
    if (reason != nullptr) *reason = KindReason(kind);
    return false;
}

} // namespace

PathKind KindOfPath(const fs::path& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec); // stat(2): metadata only
    if (st.type() == fs::file_type::not_found) return PathKind::Missing;
    if (ec) return PathKind::Unknown;
    if (fs::is_regular_file(st)) return PathKind::Regular;
    if (fs::is_directory(st)) return PathKind::Folder;
    return PathKind::Other;
}

bool PathIsReadableFile(const fs::path& path, std::string* reason) {
    const PathKind kind = KindOfPath(path);
    return kind == PathKind::Regular || Refuse(kind, reason);
}

bool PathIsWritableFile(const fs::path& path, std::string* reason) {
    const PathKind kind = KindOfPath(path);
    return kind == PathKind::Regular || kind == PathKind::Missing || Refuse(kind, reason);
}

std::string ErrorReasonText(const std::error_code& code) {
    const std::error_condition condition = code.default_error_condition();
    if (condition.category() == std::generic_category())
        for (const auto& [errc, text] : kReasons)
            if (condition.value() == static_cast<int>(errc)) return Local(text);
    return code.message();
}

std::string ErrnoReasonText(int err) {
    return ErrorReasonText(std::error_code(err, std::generic_category()));
}

} // namespace velt
