// The step hook of the atomic writers, shared by both backends.
#include "platform/atomic_file_seam.h"

#include <utility>

namespace velt {

namespace {
FileStepHook& Hook() {
    static FileStepHook hook;
    return hook;
}
} // namespace

FileStepHook SetFileStepHook(FileStepHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

std::errc RunFileStepHook(FileStep step, const std::filesystem::path& path) {
    const FileStepHook& hook = Hook();
    return hook ? hook(step, path) : std::errc{};
}

} // namespace velt
