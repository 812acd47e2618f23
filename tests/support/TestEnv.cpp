#include "TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

namespace velt::test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
        SetEnv(name, value);
    else
        UnsetEnv(name);
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        SetEnv(name_.c_str(), *old_);
    else
        UnsetEnv(name_.c_str());
}

std::filesystem::path UniqueTempPath(const std::string& stem) {
    static std::atomic<int> counter{0};
    return std::filesystem::path(::testing::TempDir()) /
           (stem + "_" + std::to_string(ProcessId()) + "_" + std::to_string(++counter));
}

} // namespace velt::test
