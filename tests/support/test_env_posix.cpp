#include "TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
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

ScopedFileSizeLimit::ScopedFileSizeLimit(unsigned long long bytes) {
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    soft_ = old.rlim_cur;
    hard_ = old.rlim_max;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{static_cast<rlim_t>(bytes), old.rlim_max};
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
    rlimit old{static_cast<rlim_t>(soft_), static_cast<rlim_t>(hard_)};
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler_);
}

} // namespace velt::test

namespace velt::test {

ScopedUserSetting::ScopedUserSetting(std::string key, std::string name, const std::filesystem::path& folder)
    : key_(std::move(key)), name_(std::move(name)),
      env_(std::make_unique<ScopedEnv>("VELT_CONFIG_DIR", folder.string().c_str())) {}

ScopedUserSetting::~ScopedUserSetting() = default;

} // namespace velt::test
