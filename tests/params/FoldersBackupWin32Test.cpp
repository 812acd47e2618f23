// The Directory setting in the registry of the current user, and saving and
// loading as Windows has it: read-only files, devices.
#include "ParamFolderFixture.h"
#include "RecordingMessages.h"
#include "params/ParamFileActions.h"
#include "platform/UserSettings.h"

#include <windows.h>

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kKey = L"Software\\ZERurive\\VELT";
constexpr const wchar_t* kValue = L"Directory";
constexpr const char* kScratchKey = "Software\\ZERurive\\VELT-test";

// The value as the registry holds it, read without our own code; the size in
// bytes goes to *bytes.
std::wstring RawDirectory(DWORD* bytes) {
    wchar_t text[1024] = {};
    *bytes = sizeof text;
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY | RRF_NOEXPAND, &type, text, bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return L"<none>";
    return text;
}

void SetRawDirectory(const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, text.c_str(), bytes), ERROR_SUCCESS);
}

} // namespace

TEST_F(ParamFolderTest, DirectoryIsAStringInTheCurrentUsersRegistry) {
    const fs::path sets = root_ / "sets";
    ASSERT_TRUE(CreateFolderPath(sets));
    ASSERT_TRUE(SaveParameterFileTo(sets / "a.par", Filled(3), false));
    DWORD bytes = 0;
    EXPECT_EQ(RawDirectory(&bytes), sets.wstring());                 // no trailing backslash
    EXPECT_EQ(bytes, (sets.wstring().size() + 1) * sizeof(wchar_t)); // stored with its NUL

    // A file in a drive's root folder: the root keeps its backslash ("C:"
    // alone would name the drive's current folder).
    const fs::path inRoot = root_.root_path() / ("velt_root_" + std::to_string(ProcessId()) + ".par");
    ASSERT_TRUE(SaveParameterFileTo(inRoot, Filled(4), false));
    fs::remove(inRoot);
    EXPECT_EQ(RawDirectory(&bytes), root_.root_path().wstring());

    // Set by someone else: the dialogs start there while it exists.
    const fs::path other = root_ / "other";
    ASSERT_TRUE(CreateFolderPath(other));
    SetRawDirectory(other.wstring());
    EXPECT_EQ(ParameterFolder(), other);
    // Longer than the 260 characters read back: the default folder.
    SetRawDirectory(other.wstring() + L"\\" + std::wstring(300, L'x'));
    EXPECT_EQ(ParameterFolder(), root_ / "default");
}

TEST(UserSettingsRegistry, KeepsTextThatIsNotAsciiAndRefusesNul) {
    const std::string korean = "C:\\\xED\x8C\x8C\xEB\x9D\xBC\xEB\xA9\x94\xED\x84\xB0"; // C:\파라메터
    EXPECT_FALSE(ReadUserSetting(kScratchKey, "Directory").has_value());
    ASSERT_TRUE(WriteUserSetting(kScratchKey, "Directory", korean));
    EXPECT_EQ(ReadUserSetting(kScratchKey, "Directory"), korean);
    EXPECT_FALSE(WriteUserSetting(kScratchKey, "Directory", std::string("a\0b", 3)));
    EXPECT_EQ(ReadUserSetting(kScratchKey, "Directory"), korean);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZERurive\\VELT-test"), ERROR_SUCCESS);
}

TEST_F(ParamFolderTest, ReadOnlyFilesAndDevicesAreRefused) {
    test::RecordingMessages messages;
    const fs::path kept = root_ / "kept.par";
    ASSERT_TRUE(WriteParFile(kept, Filled(1), false));
    ASSERT_TRUE(SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(SaveParameterFileTo(kept, Filled(2), false));
    ParamValues v{};
    ASSERT_TRUE(ReadParFile(kept, &v, false));
    EXPECT_EQ(v, Filled(1));
    EXPECT_TRUE(DirectorySetting().empty()); // a failed save leaves it alone
    SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_FALSE(LoadParameterFileFrom("NUL", &v, false)); // a device, not a file
    EXPECT_EQ(v, Filled(1));
    ASSERT_EQ(messages.Texts().size(), 2u);
    EXPECT_EQ(messages.Texts()[0].rfind("File Save Error\r\n", 0), 0u);
    EXPECT_EQ(messages.Texts()[1].rfind("File Load Error\r\nNUL: ", 0), 0u) << messages.Texts()[1];
}
