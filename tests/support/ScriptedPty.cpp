#include "ScriptedPty.h"

#include "link/CModbusPort.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace velt::test {

namespace {

constexpr size_t kRequestLength = 8;

void WriteAll(int fd, const uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        } else {
            return;
        }
    }
}

} // namespace

Bytes WithCrc(Bytes frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

ScriptedPty::ScriptedPty() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return;
    const char* name = nullptr;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || (name = ::ptsname(master)) == nullptr ||
        ::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(master);
        return;
    }
    slavePath_ = name;
    keepOpen_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (keepOpen_ >= 0 && ::tcgetattr(keepOpen_, &tio) == 0) {
        cfmakeraw(&tio);
        ::tcsetattr(keepOpen_, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    master_ = master;
}

ScriptedPty::~ScriptedPty() {
    if (thread_.joinable()) {
        const char stop = 'x';
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &stop, 1);
        thread_.join();
    }
    for (int fd : {master_, keepOpen_, wake_[0], wake_[1]})
        if (fd >= 0) ::close(fd);
}

void ScriptedPty::Serve(Responder responder) {
    responder_ = std::move(responder);
    thread_ = std::thread([this] { Run(); });
}

void ScriptedPty::QueueReply(Bytes reply, std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> guard(mutex_);
    replies_.push_back({std::move(reply), delay});
}

void ScriptedPty::Send(const Bytes& bytes) {
    WriteAll(master_, bytes.data(), bytes.size());
}

std::vector<Bytes> ScriptedPty::Requests() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

bool ScriptedPty::WaitForRequests(size_t n, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return requests_.size() >= n; });
}

void ScriptedPty::Run() {
    Bytes pending;
    uint8_t buffer[256];
    for (;;) {
        pollfd p[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
        if (p[1].revents != 0) return;
        if ((p[0].revents & POLLIN) == 0) continue;
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) continue;
        pending.insert(pending.end(), buffer, buffer + n);
        while (pending.size() >= kRequestLength) {
            const Bytes request(pending.begin(), pending.begin() + kRequestLength);
            pending.erase(pending.begin(), pending.begin() + kRequestLength);
            Answer(request);
        }
    }
}

void ScriptedPty::Answer(const Bytes& request) {
    Scripted reply{{}, std::chrono::milliseconds(0)};
    {
        std::lock_guard<std::mutex> guard(mutex_);
        requests_.push_back(request);
        if (!responder_ && !replies_.empty()) {
            reply = std::move(replies_.front());
            replies_.pop_front();
        }
    }
    changed_.notify_all();
    if (responder_) reply.bytes = responder_(request);
    if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
    if (!reply.bytes.empty()) WriteAll(master_, reply.bytes.data(), reply.bytes.size());
}

} // namespace velt::test
