// velt-drive-sim as a user runs it: publishes COMn, says "ready", takes
// control lines on stdin and removes its entry on SIGTERM.
#include "SimTestSupport.h"
#include "link/DriveMap.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>

namespace velt::sim::test {
namespace {

class SimProcess {
public:
    // writeOnlyStdin: stdin is /dev/null opened for writing, as nohup leaves it.
    SimProcess(const std::filesystem::path& portsDir, const std::vector<std::string>& args,
               bool writeOnlyStdin = false) {
        int in[2], out[2], err[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(writeOnlyStdin ? ::open("/dev/null", O_WRONLY) : in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
                ::close(fd);
            ::setenv("VELT_PORTS_DIR", portsDir.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(VELT_SIM_PATH)};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(VELT_SIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        stderr_ = err[0];
    }
    ~SimProcess() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {stdin_, stdout_, stderr_})
            if (fd >= 0) ::close(fd);
    }
    // One line from fd, waiting at most `deadline`.
    std::string ReadLine(int fd, std::chrono::milliseconds deadline = 5000ms) {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + deadline;
        char c = 0;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            if (::read(fd, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }
    std::string StdoutLine() { return ReadLine(stdout_); }
    // Closes our end of the simulator's stdout and stderr, as a reader that
    // quits does.
    void CloseOutputs() {
        for (int* fd : {&stdout_, &stderr_}) {
            ::close(*fd);
            *fd = -1;
        }
    }
    std::string StderrLine() { return ReadLine(stderr_); }
    void Send(const std::string& line) {
        ASSERT_EQ(::write(stdin_, line.data(), line.size()), (ssize_t)line.size());
    }
    // User and system CPU time used so far, in clock ticks.
    long CpuTicks() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; i < 14 && fields >> field; ++i) {
        }
        fields >> utime >> stime;
        return utime + stime;
    }
    int Terminate() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        status_ = status;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
};

TEST(DriveSimExecutable, PublishesItsPortServesAndCleansUpOnSigterm) {
    TempDir dir;
    const auto ports = dir.path() / "ports"; // created by the simulator
    SimProcess sim(ports, {"--port", "COM7", "--id", "3"});
    const std::string ready = sim.StdoutLine();
    ASSERT_EQ(ready.rfind("ready COM7 /dev/pts/", 0), 0u) << ready;
    const std::string device = ready.substr(std::string("ready COM7 ").size());
    const auto entry = ports / "COM7";
    ASSERT_TRUE(std::filesystem::is_symlink(entry));
    EXPECT_EQ(std::filesystem::read_symlink(entry).string(), device);

    // A line far too long is refused as a whole, however it ends.
    sim.Send(std::string(100000, ' ') + "input 5 1\ninput 2 1\nno such command\n");
    EXPECT_NE(sim.StderrLine().find("too long"), std::string::npos);
    EXPECT_NE(sim.StderrLine().find("no such command"), std::string::npos);
    CModbusPort port;
    ASSERT_TRUE(port.OpenDevice(entry.string(), 9600));
    uint8_t inputs[drive::BitCount] = {};
    ASSERT_EQ(port.ReadDiscreteInputs(3, inputs), RTU_OK);
    EXPECT_EQ(inputs[2], 1);
    EXPECT_EQ(inputs[5], 0);
    port.ClosePort();

    EXPECT_EQ(sim.Terminate(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(entry)));
}

TEST(DriveSimExecutable, StaysIdleWhenStdinCannotBeRead) {
    TempDir dir;
    SimProcess sim(dir.path(), {"--port", "COM8"}, true);
    ASSERT_EQ(sim.StdoutLine().rfind("ready COM8 ", 0), 0u);
    const long before = sim.CpuTicks();
    std::this_thread::sleep_for(1s);
    // Idle it wakes 50 times a second for next to nothing; a loop spinning on
    // stdin would take most of a core even on a loaded machine.
    EXPECT_LT(sim.CpuTicks() - before, ::sysconf(_SC_CLK_TCK) / 10);
    EXPECT_EQ(sim.Terminate(), 0);
}

TEST(DriveSimExecutable, OutlivesTheReaderOfItsOutput) {
    TempDir dir;
    SimProcess sim(dir.path(), {"--port", "COM9"});
    sim.CloseOutputs();
    const auto entry = dir.path() / "COM9";
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::is_symlink(entry); }));
    sim.Send("no such command\n"); // its complaint goes nowhere
    CModbusPort port;
    ASSERT_TRUE(port.OpenDevice(entry.string(), 9600));
    uint16_t version = 0;
    EXPECT_EQ(port.ReadHoldingRegisters(1, drive::SoftwareVersionRegister, &version, 1), RTU_OK);
    port.ClosePort();
    EXPECT_EQ(sim.Terminate(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(entry)));
}

TEST(DriveSimExecutable, RejectsBadArguments) {
    TempDir dir;
    SimProcess sim(dir.path(), {"--id", "0"});
    EXPECT_NE(sim.StderrLine().find("bad argument"), std::string::npos);
}

} // namespace
} // namespace velt::sim::test
