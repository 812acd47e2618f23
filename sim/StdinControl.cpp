#include "StdinControl.h"

#include "ControlLine.h"
#include "SimDrive.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace velt::sim {

namespace {
// How long one wait for input lasts: the longest a stop waits for the thread.
constexpr int kPollMs = 200;
// How often a background program looks again whether it may read.
constexpr auto kBackgroundRecheck = std::chrono::milliseconds(500);

bool MayReadStdin() {
    return !::isatty(STDIN_FILENO) || ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
}
} // namespace

bool StdinControl::Start() {
    // Moved to the background between the look at the terminal and the
    // read, the program gets EIO instead of being stopped.
    std::signal(SIGTTIN, SIG_IGN);
    return worker_.Start([this](std::stop_token stop) { Run(stop); });
}

void StdinControl::Apply(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line == "echo" || line.rfind("echo ", 0) == 0) {
            std::printf("%s\n", line.size() > 5 ? line.c_str() + 5 : "");
            std::fflush(stdout);
            continue;
        }
        std::string error;
        if (!drive_.ApplyControlLine(line, &error))
            std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
    }
}

void StdinControl::Run(const std::stop_token& stop) {
    ControlInput input;
    while (!stop.stop_requested()) {
        if (!MayReadStdin()) {
            if (!StoppableWorker::SleepFor(stop, kBackgroundRecheck)) return;
            continue;
        }
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&fd, 1, kPollMs);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (fd.revents & POLLNVAL) return;
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            // EIO after the program was sent to the background: look again
            // later. Anything else would report ready at once forever.
            if (errno == EINTR || errno == EIO || errno == EAGAIN) continue;
            return;
        }
        if (n == 0) {
            Apply(input.Finish());
            return;
        }
        Apply(input.Feed({buffer, static_cast<size_t>(n)}));
        for (int k = input.TakeRefused(); k > 0; --k)
            std::fprintf(stderr, "simulated drive: control line too long, ignored\n");
    }
}

} // namespace velt::sim
