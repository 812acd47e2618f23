// The kind of a path and the reasons of file failures, both platforms.
#include "platform/FileChecks.h"

#include "platform/PlatformTexts.h"

#include <array>
#include <utility>

namespace velt {

namespace fs = std::filesystem;

namespace {

// The errors file work meets in practice; the rest take the system's text.
const std::array<std::pair<std::errc, LocalText>, 14> kReasons{{
    {std::errc::no_such_file_or_directory, kReasonNoSuchFile},
    {std::errc::permission_denied, kReasonPermissionDenied},
    {std::errc::operation_not_permitted, kReasonNotPermitted},
    {std::errc::no_space_on_device, kReasonNoSpace},
    {std::errc::read_only_file_system, kReasonReadOnly},
    {std::errc::is_a_directory, kReasonIsFolder},
    {std::errc::not_a_directory, kReasonNotFolder},
    {std::errc::file_exists, kReasonFileExists},
    {std::errc::filename_too_long, kReasonNameTooLong},
    {std::errc::io_error, kReasonIoError},
    {std::errc::file_too_large, kReasonFileTooLarge},
    {std::errc::device_or_resource_busy, kReasonBusy},
    {std::errc::too_many_files_open, kReasonTooManyOpen},
    {std::errc::no_such_device, kReasonNoDevice},
}};

std::string KindReason(PathKind kind, bool korean) {
    switch (kind) {
    case PathKind::Missing:
        return kPathMissing.Pick(korean);
    case PathKind::Folder:
        return kPathFolder.Pick(korean);
    case PathKind::Other:
        return kPathOther.Pick(korean);
    case PathKind::Unknown:
        return kPathUnknown.Pick(korean);
    case PathKind::Regular:
        break;
    }
    return {};
}

bool Refuse(PathKind kind, const ReasonOut& reason) {
    if (reason.Wanted()) reason.Set(KindReason(kind, reason.korean));
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

bool PathIsReadableFile(const fs::path& path, ReasonOut reason) {
    const PathKind kind = KindOfPath(path);
    return kind == PathKind::Regular || Refuse(kind, reason);
}

bool PathIsWritableFile(const fs::path& path, ReasonOut reason) {
    const PathKind kind = KindOfPath(path);
    return kind == PathKind::Regular || kind == PathKind::Missing || Refuse(kind, reason);
}

std::string ErrorReasonText(const std::error_code& code, bool korean) {
    const std::error_condition condition = code.default_error_condition();
    if (condition.category() == std::generic_category())
        for (const auto& [errc, text] : kReasons)
            if (condition.value() == static_cast<int>(errc)) return text.Pick(korean);
    return code.message();
}

std::string ErrnoReasonText(int err, bool korean) {
    return ErrorReasonText(std::error_code(err, std::generic_category()), korean);
}

} // namespace velt
