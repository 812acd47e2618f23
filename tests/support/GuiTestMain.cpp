// GUI tests run offscreen with a ports folder of their own, so the simulated
// drives they publish never meet the user's real ports.
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

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return rc;
}
