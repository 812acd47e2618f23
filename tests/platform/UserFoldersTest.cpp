// Where the program keeps its per-user files, and how COM names resolve there.
#include "platform/UserFolders.h"
#include "platform/PortsFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace velt {
namespace {

namespace fs = std::filesystem;

// Sets or unsets an environment variable for the life of the object.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

TEST(UserFolders, FollowTheXdgVariablesElseTheHomeFolder) {
    EnvVar home("HOME", "/home/tester");
    {
        EnvVar config("XDG_CONFIG_HOME", "/cfg");
        EnvVar data("XDG_DATA_HOME", "/data");
        EXPECT_EQ(UserConfigFolder(), fs::path("/cfg/velt-host"));
        EXPECT_EQ(UserDataFolder(), fs::path("/data/velt-host"));
    }
    EnvVar config("XDG_CONFIG_HOME", "");
    EnvVar data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(UserConfigFolder(), fs::path("/home/tester/.config/velt-host"));
    EXPECT_EQ(UserDataFolder(), fs::path("/home/tester/.local/share/velt-host"));
}

TEST(UserFolders, WithoutHomeTheUserDatabaseNamesTheHomeFolderNotAPublicOne) {
    const passwd* me = ::getpwuid(::getuid());
    if (me == nullptr || me->pw_dir == nullptr) GTEST_SKIP() << "no user database entry";
    const std::string expected = me->pw_dir;
    EnvVar home("HOME", nullptr);
    EnvVar config("XDG_CONFIG_HOME", nullptr);
    EnvVar ports("VELT_PORTS_DIR", nullptr);
    EXPECT_EQ(HomeFolder(), fs::path(expected));
    EXPECT_EQ(PortsFolder(), fs::path(expected) / ".config" / "velt-host" / "ports");
}

TEST(UserFolders, ComNamesResolveThroughThePortsFolderElseToTheSerialPorts) {
    const fs::path dir = fs::temp_directory_path() / ("velt-ports-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    EnvVar ports("VELT_PORTS_DIR", dir.c_str());
    fs::create_symlink("/dev/ttyUSB7", dir / "COM3");
    std::ofstream(dir / "COM4") << "/dev/ttyACM1\n";

    EXPECT_EQ(ResolvePortName("COM3"), "/dev/ttyUSB7");
    EXPECT_EQ(ResolvePortName("\\\\.\\COM4"), "/dev/ttyACM1");
    EXPECT_EQ(ResolvePortName("COM12"), "/dev/ttyS11");
    EXPECT_EQ(ResolvePortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
    fs::remove_all(dir);
}

} // namespace
} // namespace velt
