#pragma once
// The step hook of AtomicFile.h as the backends call it. Platform only.
#include "platform/AtomicFile.h"

namespace velt {

// std::errc{} to go on with the system call, else the error to fail with.
std::errc RunFileStepHook(FileStep step, const std::filesystem::path& path);

} // namespace velt
