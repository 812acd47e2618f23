#pragma once
// The reasons file work fails, in both languages (FileChecks.h, AtomicFile.h).
#include "base/LocalText.h"

namespace velt {

// A path that is not a file one may read or write.
inline constexpr LocalText kPathMissing{"파일이 없습니다", "the file does not exist"};
inline constexpr LocalText kPathFolder{"파일이 아니라 폴더입니다", "it is a folder, not a file"};
inline constexpr LocalText kPathOther{"일반 파일이 아닙니다 (장치, 파이프 또는 소켓)",
                                      "it is not a regular file (a device, a pipe or a socket)"};
inline constexpr LocalText kPathUnknown{"파일에 접근할 수 없습니다", "it cannot be reached"};

// The system errors file work meets in practice, as ErrorReasonText names them.
inline constexpr LocalText kReasonNoSuchFile{"파일이나 폴더가 없습니다", "No such file or directory"};
inline constexpr LocalText kReasonPermissionDenied{"권한이 없습니다", "Permission denied"};
inline constexpr LocalText kReasonNotPermitted{"허용되지 않은 작업입니다", "Operation not permitted"};
inline constexpr LocalText kReasonNoSpace{"디스크 공간이 부족합니다", "No space left on device"};
inline constexpr LocalText kReasonReadOnly{"읽기 전용 파일 시스템입니다", "Read-only file system"};
inline constexpr LocalText kReasonIsFolder{"폴더입니다", "Is a directory"};
inline constexpr LocalText kReasonNotFolder{"경로의 일부가 폴더가 아닙니다", "Not a directory"};
inline constexpr LocalText kReasonFileExists{"같은 이름의 파일이 이미 있습니다", "File exists"};
inline constexpr LocalText kReasonNameTooLong{"파일 이름이 너무 깁니다", "File name too long"};
inline constexpr LocalText kReasonIoError{"입출력 오류입니다", "Input/output error"};
inline constexpr LocalText kReasonFileTooLarge{"파일이 너무 큽니다", "File too large"};
inline constexpr LocalText kReasonBusy{"사용 중입니다", "Device or resource busy"};
inline constexpr LocalText kReasonTooManyOpen{"열린 파일이 너무 많습니다", "Too many open files"};
inline constexpr LocalText kReasonNoDevice{"장치가 없습니다", "No such device"};

// The step of a whole-file write that failed; placeholder {path}.
inline constexpr LocalText kCannotCreateIn{"{path} 폴더에 파일을 만들 수 없습니다",
                                           "cannot create a file in {path}"};
inline constexpr LocalText kCannotWrite{"{path}에 쓸 수 없습니다", "cannot write {path}"};
inline constexpr LocalText kCannotReplace{"{path}을(를) 바꿀 수 없습니다", "cannot replace {path}"};
inline constexpr LocalText kCannotCreate{"{path}을(를) 만들 수 없습니다", "cannot create {path}"};

} // namespace velt
