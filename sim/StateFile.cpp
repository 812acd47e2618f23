#include "StateFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velt::sim {
namespace {

constexpr const char* kHeader = "# velt-drive-sim stored parameters: register value";
constexpr int kMaxRegister = 143;

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool StateFile::Load(const std::string& path, std::vector<StoredRegister>* out) {
    out->clear();
    std::ifstream in(path);
    if (!in) {
        struct stat st {};
        return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        long reg = -1;
        long value = 0;
        std::string rest;
        if (!(fields >> reg >> value) || (fields >> rest)) continue;
        if (reg < 0 || reg > kMaxRegister || value < -32768 || value > 65535) continue;
        out->push_back({static_cast<int>(reg), static_cast<uint16_t>(value)});
    }
    return true;
}

bool StateFile::Save(const std::string& path, const std::vector<StoredRegister>& registers) {
    std::string text = std::string(kHeader) + "\n";
    for (const StoredRegister& r : registers)
        text += std::to_string(r.reg) + " " + std::to_string(static_cast<int16_t>(r.value)) + "\n";
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace velt::sim
