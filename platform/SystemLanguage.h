#pragma once
// The language the system's user works in, which the program speaks unless
// told otherwise (--lang). The choice is made once at start-up and handed to
// every window and command as a `bool korean`.
#include <string>

namespace velt {

// True when the system's default language is Korean. On POSIX: the language
// of LC_ALL, else LC_MESSAGES, else LANG, else LANG= in /etc/default/locale;
// Korean when it starts with "ko". On Windows: primary language id 0x12.
bool SystemDefaultIsKorean();

// Parses a "--lang ko|en" value: 1 Korean, 0 English, -1 invalid.
int ParseLangOption(const char* value);

// True for a POSIX locale name of the Korean language: "ko", "ko_KR",
// "ko_KR.UTF-8", "ko.eucKR", "ko@x" (not "kok", the Konkani language).
bool LocaleNameIsKorean(const std::string& locale);

// The decision of SystemDefaultIsKorean from explicit inputs (nullptr or ""
// for an unset variable) and the path of the system locale file holding
// "LANG=..." lines. Testable without touching the process environment.
bool DefaultLanguageIsKorean(const char* lcAll, const char* lcMessages, const char* lang,
                             const std::string& localeFile);

} // namespace velt
