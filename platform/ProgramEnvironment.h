#pragma once
// What the running program asks of its operating system: where its program
// file lies, whether a standard stream is a terminal, the local time, the
// system's default language. CMake picks the backend: program_env_posix.cpp
// or program_env_win32.cpp.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

namespace velt {

// The folder holding the running program file; empty if unknown.
std::filesystem::path ProgramFolder();

// True when `stream` (stdout, stderr) is an interactive terminal or console.
bool IsTerminal(std::FILE* stream);

// Makes a console show the program's UTF-8 text as such (Windows consoles
// start in the OEM code page; the old one is put back at exit). Nothing to
// do on terminals elsewhere. Call once, from main.
void UseUtf8Console();

// The local calendar time of `when`; false when it cannot be converted.
bool LocalTime(std::time_t when, std::tm* out);

// The primary language of the system's default language (the low 10 bits of
// GetSystemDefaultLangID, 0x12 for Korean) where the system has that
// setting; nothing where the locale variables decide instead (POSIX).
std::optional<int> SystemPrimaryLanguageId();

} // namespace velt
