// The system's default language, from the locale variables or the system's
// language setting.
#include "platform/SystemLanguage.h"

#include "platform/ProgramEnvironment.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>

namespace velt {

namespace {
constexpr const char* kSystemLocaleFile = "/etc/default/locale";
constexpr int kLangKorean = 0x12; // primary language id of Korean

// The value of the first "LANG=" line of a locale file such as
// /etc/default/locale, without quotes; "" when there is none.
std::string LangFromLocaleFile(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos) continue;
        if (line.compare(i, 7, "export ") == 0) i = line.find_first_not_of(" \t", i + 7);
        if (i == std::string::npos || line.compare(i, 5, "LANG=") != 0) continue;
        std::string value = line.substr(i + 5);
        while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
            value.pop_back();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

bool IsSet(const char* v) {
    return v != nullptr && *v != '\0';
}
} // namespace

bool LocaleNameIsKorean(const std::string& locale) {
    if (locale.size() < 2) return false;
    if (std::tolower(static_cast<unsigned char>(locale[0])) != 'k' ||
        std::tolower(static_cast<unsigned char>(locale[1])) != 'o')
        return false;
    return locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@' || locale[2] == '-';
}

bool DefaultLanguageIsKorean(const char* lcAll, const char* lcMessages, const char* lang,
                             const std::string& localeFile) {
    if (IsSet(lcAll)) return LocaleNameIsKorean(lcAll);
    if (IsSet(lcMessages)) return LocaleNameIsKorean(lcMessages);
    if (IsSet(lang)) return LocaleNameIsKorean(lang);
    return LocaleNameIsKorean(LangFromLocaleFile(localeFile));
}

bool SystemDefaultIsKorean() {
    if (const std::optional<int> primary = SystemPrimaryLanguageId()) return *primary == kLangKorean;
    return DefaultLanguageIsKorean(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"),
                                   kSystemLocaleFile);
}

int ParseLangOption(const char* value) {
    if (value == nullptr) return -1;
    std::string v(value);
    for (char& c : v)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (v == "ko") return 1;
    if (v == "en") return 0;
    return -1;
}

} // namespace velt
