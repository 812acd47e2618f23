#include "TestEnv.h"

#include <cstdlib>
#include <unistd.h>

namespace velt::test {

int ProcessId() {
    return static_cast<int>(::getpid());
}

void SetEnv(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 1);
}

void UnsetEnv(const char* name) {
    ::unsetenv(name);
}

} // namespace velt::test

namespace velt::test {

ScopedUserSetting::ScopedUserSetting(std::string key, std::string name, const std::filesystem::path& folder)
    : key_(std::move(key)), name_(std::move(name)),
      env_(std::make_unique<ScopedEnv>("VELT_CONFIG_DIR", folder.string().c_str())) {}

ScopedUserSetting::~ScopedUserSetting() = default;

} // namespace velt::test
