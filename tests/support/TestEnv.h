#pragma once
// The process environment for tests on every platform: variables set for a
// scope, and temporary names no other test process uses. CMake picks the
// backend: test_env_posix.cpp or test_env_win32.cpp.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace velt::test {

int ProcessId();
void SetEnv(const char* name, const std::string& value);
void UnsetEnv(const char* name);

// Sets (or, with nullptr, unsets) a variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Gives a test an empty store of per-user settings for one value and puts
// the user's own back afterwards. POSIX: VELT_CONFIG_DIR points at `folder`
// while the object lives. Windows (registry): the value is saved and
// removed, and written back at the end.
class ScopedUserSetting {
public:
    ScopedUserSetting(std::string key, std::string name, const std::filesystem::path& folder);
    ~ScopedUserSetting();
    ScopedUserSetting(const ScopedUserSetting&) = delete;
    ScopedUserSetting& operator=(const ScopedUserSetting&) = delete;

private:
    std::string key_;
    std::string name_;
    std::optional<std::string> saved_;
    std::unique_ptr<ScopedEnv> env_;
};

// A full disk for this process while the object lives: a file write that
// would take a file past `bytes` fails (EFBIG; SIGXFSZ is ignored instead of
// ending the process). Child processes started meanwhile inherit the limit.
// POSIX (RLIMIT_FSIZE) only.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(unsigned long long bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    unsigned long long soft_ = 0;
    unsigned long long hard_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// A path in GoogleTest's temporary folder: stem, process id and a counter.
std::filesystem::path UniqueTempPath(const std::string& stem);

} // namespace velt::test
