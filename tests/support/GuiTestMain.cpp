// GUI tests run offscreen with a ports folder of their own, so the simulated
// drives they publish never meet the user's real ports; with a settings
// folder of their own, so that they neither read nor change the user's; and
// with an empty device root, so that the machine's serial devices do not
// show in the port lists.
#include "platform/UserFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string error;
    const std::filesystem::path folder = velt::MakePrivateTempFolder("velt-shell-tests-", &error);
    if (folder.empty()) {
        std::fprintf(stderr, "cannot make a temporary folder: %s\n", error.c_str());
        return 1;
    }
    const std::filesystem::path config = folder / "config";
    const std::filesystem::path devices = folder / "no-devices";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(devices);
    qputenv("VELT_PORTS_DIR", folder.string().c_str());
    qputenv("VELT_CONFIG_DIR", config.string().c_str());
    qputenv("VELT_DEVICE_ROOT", devices.string().c_str());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return rc;
}
