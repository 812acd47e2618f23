#pragma once
// Runs programs for the end-to-end tests: a command to completion with its
// output captured, or a long-running helper that talks over stdin/stdout.
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velt::test {

struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit normally (killed on time-out)
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments and waits for it, up to `limit`; then it is
// killed. Safe to call while other threads run (only exec-safe calls in the
// child).
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         std::chrono::milliseconds limit = std::chrono::seconds(30));

// Runs a shell command line (sh -c, stdin from /dev/null) and waits for it;
// its stdout and stderr pass through the files "stdout" and "stderr" in
// `scratch`, so that it may start programs of its own.
ProcessResult RunShell(const std::string& command, const std::filesystem::path& scratch);

// A helper program with a pipe on its stdin and its stdout. Closing stdin
// asks it to end; the destructor does that and waits for it.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return pid_ > 0; }
    // One line of its stdout without the newline; empty on time-out or EOF.
    std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Sends one line (the newline is added) to its stdin; false when it is gone.
    bool WriteLine(const std::string& line);
    // Ends it at once with SIGKILL, as a pulled plug would, and reaps it.
    void Kill();

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
};

} // namespace velt::test
