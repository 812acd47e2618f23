// GUI tests run offscreen with a ports folder of their own, so the simulated
// drives they publish never meet the user's real ports; with a settings
// folder of their own, so that they neither read nor change the user's; and
// with an empty device root, so that the machine's serial devices do not
// show in the port lists.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string folder = (std::filesystem::temp_directory_path() / "velt-shell-tests-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return 1;
    ::setenv("VELT_PORTS_DIR", folder.c_str(), 1);
    const std::filesystem::path config = std::filesystem::path(folder) / "config";
    const std::filesystem::path devices = std::filesystem::path(folder) / "no-devices";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(devices);
    ::setenv("VELT_CONFIG_DIR", config.c_str(), 1);
    ::setenv("VELT_DEVICE_ROOT", devices.c_str(), 1);

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return rc;
}
