#pragma once
// A file written from start to end in pieces, for long recordings: each
// piece goes in whole or not at all, and Sync puts what has been written on
// the disk, so a crash or a power loss costs only what came after the last
// Sync. CMake picks the backend: append_file_posix.cpp or
// append_file_win32.cpp.
//
// One owner thread at a time; the object is not shared.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velt {

class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile(); // Close()
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Creates `path`, or empties it when it exists. False with the system's
    // reason in *error (when given), for example "Permission denied".
    bool Create(const std::filesystem::path& path, std::string* error = nullptr);
    // Appends `bytes`. A write that fails part way (a full disk, a file size
    // limit) is cut back to where the file ended before it, as far as the
    // system allows, so the file ends after the last whole piece. False
    // with the reason in *error.
    bool Write(std::string_view bytes, std::string* error = nullptr);
    // Flushes what has been written to the disk. False with the reason.
    bool Sync(std::string* error = nullptr);
    // Closes the file (also when a write failed); false with the reason when
    // the system reports a late write error on closing.
    bool Close(std::string* error = nullptr);

    bool IsOpen() const { return handle_ != kNoHandle; }
    // Bytes in the file: everything written so far.
    uint64_t Size() const { return size_; }

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle; // a descriptor or a HANDLE
    uint64_t size_ = 0;
};

} // namespace velt
