#include "TestEnv.h"

#include "platform/UserSettings.h"

#include <windows.h>

#include <process.h>
#include <stdlib.h>

namespace velt::test {

int ProcessId() {
    return _getpid();
}

// The C run-time's copy of the environment is the one getenv reads.
void SetEnv(const char* name, const std::string& value) {
    _putenv_s(name, value.c_str());
}

void UnsetEnv(const char* name) {
    _putenv_s(name, ""); // an empty value removes the variable
}

} // namespace velt::test

namespace velt::test {

namespace {
std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}
void RemoveValue(const std::string& key, const std::string& name) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, Wide(key).c_str(), Wide(name).c_str());
}
} // namespace

ScopedUserSetting::ScopedUserSetting(std::string key, std::string name, const std::filesystem::path&)
    : key_(std::move(key)), name_(std::move(name)), saved_(ReadUserSetting(key_, name_)) {
    RemoveValue(key_, name_);
}

ScopedUserSetting::~ScopedUserSetting() {
    if (saved_)
        WriteUserSetting(key_, name_, *saved_);
    else
        RemoveValue(key_, name_);
}

} // namespace velt::test
