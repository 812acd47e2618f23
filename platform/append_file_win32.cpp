// Files written piece by piece with WriteFile, FlushFileBuffers and
// SetEndOfFile.
#include "platform/AppendFile.h"
#include "win32_message.h"

#include <windows.h>

#include <algorithm>

namespace velt {

namespace {
void SetError(std::string* error, DWORD code) {
    if (error != nullptr) *error = Win32Message(code);
}

HANDLE Handle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
} // namespace

AppendFile::~AppendFile() {
    Close();
}

bool AppendFile::Create(const std::filesystem::path& path, std::string* error) {
    Close();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetError(error, GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    size_ = 0;
    return true;
}

bool AppendFile::Write(std::string_view bytes, std::string* error) {
    if (!IsOpen()) {
        SetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(Handle(handle_), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            const DWORD err = GetLastError();
            // Cut the piece that got in; the file then ends after a whole one.
            LARGE_INTEGER end;
            end.QuadPart = static_cast<LONGLONG>(size_);
            if (done > 0 && SetFilePointerEx(Handle(handle_), end, nullptr, FILE_BEGIN))
                SetEndOfFile(Handle(handle_));
            SetError(error, err == ERROR_SUCCESS ? ERROR_WRITE_FAULT : err);
            return false;
        }
        done += written;
    }
    size_ += done;
    return true;
}

bool AppendFile::Sync(std::string* error) {
    if (!IsOpen()) {
        SetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    if (!FlushFileBuffers(Handle(handle_))) {
        SetError(error, GetLastError());
        return false;
    }
    return true;
}

bool AppendFile::Close(std::string* error) {
    if (!IsOpen()) return true;
    const HANDLE file = Handle(handle_);
    handle_ = kNoHandle;
    if (!CloseHandle(file)) {
        SetError(error, GetLastError());
        return false;
    }
    return true;
}

} // namespace velt
