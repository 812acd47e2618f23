#pragma once
// Host name resolution with a time limit, shared by both socket backends.
// getaddrinfo cannot be cancelled or given a time limit, so it runs on its
// own thread; on time-out the caller leaves and the thread frees the result
// when it ends. Include after the platform's socket headers (addrinfo).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace velt::socket_detail {

// What the resolver thread hands back; shared so that a thread that
// outlives its caller's wait writes into memory that is still there.
struct Resolution {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    int status = 0;
    addrinfo* list = nullptr;
    ~Resolution() {
        if (list) freeaddrinfo(list);
    }
};

// The addresses of host:port for a TCP connection, or null when the
// resolver has not answered by `end`.
inline std::shared_ptr<Resolution> Resolve(const std::string& host, uint16_t port,
                                           std::chrono::steady_clock::time_point end) {
    auto state = std::make_shared<Resolution>();
    std::thread([state, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* list = nullptr;
        const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
        std::lock_guard<std::mutex> guard(state->lock);
        state->status = status;
        state->list = list;
        state->finished = true;
        state->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> guard(state->lock);
    if (!state->done.wait_until(guard, end, [&] { return state->finished; })) return nullptr;
    return state;
}

} // namespace velt::socket_detail
