#pragma once
// What the Win32 backends share: the system's text for an error code.
// Windows builds only.
#include <windows.h>

#include <string>

namespace velt {

// The system's text for a Win32 error code ("error N" when it has none), in
// English where installed, without the trailing line end and full stop.
std::string Win32Message(DWORD code);

} // namespace velt
