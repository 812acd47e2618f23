// velt-cli monitor and poll-stats, run as a program against the simulated
// drive, and how a drive's or gateway's exception is told.
#include "link/ResultTexts.h"
#include "tests/support/LinkTestSupport.h"

#include <cstdio>
#include <sys/wait.h>

namespace velt::test {
namespace {

struct CliRun {
    int status = -1;
    std::string output; // stdout and stderr together
};

CliRun RunCli(const std::string& arguments) {
    CliRun run;
    const std::string command = std::string(VELT_CLI_PATH) + " --lang en " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CliOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.publish = false;
        sim = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    std::string Port() const { return "--port " + sim->DevicePath() + " "; }
    std::unique_ptr<sim::SimDrive> sim;
};

TEST_F(CliOnSim, MonitorPrintsNamedFieldsAndPollStatsPrintsRates) {
    const CliRun monitor = RunCli(Port() + "monitor --count 1");
    EXPECT_EQ(0, monitor.status) << monitor.output;
    EXPECT_NE(std::string::npos, monitor.output.find("state: word=0x")) << monitor.output;
    EXPECT_NE(std::string::npos, monitor.output.find("alarm=0 (Alarm None)")) << monitor.output;
    EXPECT_NE(std::string::npos, monitor.output.find("inputs:  0000000000000000")) << monitor.output;
    EXPECT_NE(std::string::npos, monitor.output.find("PARAM_REG 4 4 0")) << monitor.output;

    const CliRun stats = RunCli(Port() + "poll-stats --seconds 1");
    EXPECT_EQ(0, stats.status) << stats.output;
    EXPECT_NE(std::string::npos, stats.output.find("passes_per_s=")) << stats.output;
    EXPECT_NE(std::string::npos, stats.output.find("state_reads_per_s=")) << stats.output;
}

TEST_F(CliOnSim, MonitorFailuresExitWithTheirCodesAndMessages) {
    const CliRun wrongId = RunCli(Port() + "--id 5 monitor --count 1");
    EXPECT_EQ(RTU_ERR_NO_REPLY.Code(), wrongId.status);
    EXPECT_NE(std::string::npos, wrongId.output.find("All Parameter Read Fail. \n Check the status"))
        << wrongId.output;

    const CliRun noPort = RunCli("--port /dev/velt-no-such-port monitor --count 1");
    EXPECT_EQ(15, noPort.status);
    EXPECT_NE(std::string::npos, noPort.output.find("Port Open Fail")) << noPort.output;

    EXPECT_EQ(64, RunCli(Port() + "poll-stats").status) << "--seconds is required";

    // Several drives: a line per drive and period, and the ID nobody
    // answers named at the end with the run failing by it.
    sim::SimOptions lineOptions;
    lineOptions.publish = false;
    lineOptions.ids = {1, 2};
    sim::SimDrive line(lineOptions);
    std::string error;
    ASSERT_TRUE(line.Start(&error)) << error;
    ASSERT_TRUE(line.ApplyControlLine("drive 2 alarm 3", &error)) << error;
    const CliRun drives = RunCli("--port " + line.DevicePath() + " --id 1,2,9 monitor --count 2");
    EXPECT_EQ(RTU_ERR_NO_REPLY.Code(), drives.status) << drives.output;
    EXPECT_NE(std::string::npos, drives.output.find("drive 1: state=connected alarm=0 (Alarm None)"))
        << drives.output;
    EXPECT_NE(std::string::npos, drives.output.find("drive 2: state=connected alarm=3 (")) << drives.output;
    EXPECT_NE(std::string::npos, drives.output.find("drive 9: no answer (RTU_ERR_NO_REPLY")) << drives.output;
    EXPECT_EQ(std::string::npos, drives.output.find("drive 2: no answer")) << drives.output;
    line.Stop();
}

// A drive (or gateway) answering with exception 1 to 11: velt-cli names the
// exception and exits with a status no failure of our own uses; the link
// counts it as the drive's answer; the messages call 10 and 11 the gateway's.
TEST_F(CliOnSim, EveryExceptionIsToldAsTheDrivesOrTheGatewaysAndNeverAsALineFailure) {
    for (uint8_t code = 1; code <= 11; ++code) {
        sim->SetAnswerException(code);
        const CliRun r = RunCli(Port() + "write-register 13 5");
        EXPECT_EQ(code < 10 ? code : 17, r.status) << r.output;
        EXPECT_NE(std::string::npos, r.output.find("drive exception " + std::to_string(code))) << r.output;
    }
    EXPECT_TRUE(sim->ExecutedWrites().empty()) << "nothing was carried out";

    CDriveLink link;
    link.StartThread();
    ASSERT_EQ(OpenFailure::None, link.Connect({sim->DevicePath(), 9600}).kind);
    const uint64_t before = link.Journal().Written();
    EXPECT_EQ(RtuResult::Exception(11), link.WriteParam(13, 5));
    EXPECT_EQ(1u, link.Journal().Outcomes(ExchangeOutcome::Exception));
    EXPECT_EQ(0u, link.Journal().Outcomes(ExchangeOutcome::NoReply) +
                      link.Journal().Outcomes(ExchangeOutcome::BadCrc));
    EXPECT_EQ(before + 1, link.Journal().Written());
    EXPECT_EQ(0u, link.Counters().NoReplies + link.Counters().CrcErrors);
    link.StopThread();

    EXPECT_EQ("the gateway answered with exception 11 (gateway target device failed to respond)",
              ResultReasonText(RtuResult::Exception(11), false));
    EXPECT_EQ("게이트웨이가 예외로 답했습니다: 예외 10 (게이트웨이 경로 없음)",
              ResultReasonText(RtuResult::Exception(10), true));
    EXPECT_EQ("the drive refused it with exception 3 (illegal data value)",
              ResultReasonText(RtuResult::Exception(3), false));
    EXPECT_EQ("the drive did not answer (RTU_ERR_NO_REPLY 11)", ResultReasonText(RTU_ERR_NO_REPLY, false));
}

} // namespace
} // namespace velt::test
