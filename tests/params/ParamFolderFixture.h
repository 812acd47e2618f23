#pragma once
// Every folder test gets its own settings and parameter folders through the
// environment overrides, removed afterwards. On Windows the Directory setting
// lives in the registry: the fixture keeps the user's value and puts it back.
#include "TestEnv.h"
#include "params/ParFile.h"
#include "params/ParamFolders.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace velt::test {

inline ParamValues Filled(int16_t x) {
    ParamValues v;
    v.fill(x);
    return v;
}

inline std::string Bytes(const std::filesystem::path& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, &s)) << p;
    return s;
}

// The Directory setting as a path; empty when there is none.
inline std::filesystem::path DirectorySetting() {
    const std::optional<std::string> dir = ReadDirectorySetting();
    return dir ? std::filesystem::path(std::u8string(dir->begin(), dir->end())) : std::filesystem::path();
}

class ParamFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path root_;
    std::unique_ptr<ScopedUserSetting> directory_;
    std::unique_ptr<ScopedEnv> parameterDir_;
};

} // namespace velt::test
