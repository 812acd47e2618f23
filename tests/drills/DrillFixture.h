#pragma once
// Fault drills: the whole application in-process (offscreen) with the
// parameter page and a recording message service, against velt-drive-sim
// running as a program of its own on a pseudo-terminal published as COM3.
// Faults are typed on its standard input; killing it is a pulled cable.
#include "ChildProcess.h"
#include "controls/CButtonST.h"
#include "tests/support/ParamPageFixture.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace velt::test {

class DrillTest : public PageTest {
protected:
    void TearDown() override {
        PageTest::TearDown(); // the application first: it holds the port
        sim.reset();
    }

    // Starts (or starts again) the simulated drive; its parameter memory
    // lives in stateFile, written only by the store command, and every write
    // it carries out is appended to WriteLog().
    void StartSim() {
        sim = std::make_unique<ChildProcess>(std::vector<std::string>{VELT_SIM_PATH, "--port", "COM3",
                                                                      "--state", StateFile().string(),
                                                                      "--write-log", WriteLog().string()});
        const std::string ready = sim->ReadLine(std::chrono::seconds(20));
        ASSERT_EQ(ready.rfind("ready COM3 ", 0), 0u) << ready;
    }
    // Types a control line on the simulator's input and waits until it is in
    // force (the simulator echoes a marker once the lines before it are).
    void Fault(const std::string& line) {
        static int marker = 0;
        const std::string echo = "applied " + std::to_string(++marker);
        ASSERT_TRUE(sim->WriteLine(line)) << line;
        ASSERT_TRUE(sim->WriteLine("echo " + echo)) << line;
        ASSERT_EQ(sim->ReadLine(std::chrono::seconds(20)), echo) << line;
    }

    std::filesystem::path StateFile() const { return root / "drive.state"; }
    std::filesystem::path BackupFolder() const { return root / "VELT_Parameter"; }
    std::filesystem::path WriteLog() const { return root / "drive-writes.log"; }
    // The writes the simulated drives of this test carried out so far.
    size_t ExecutedWrites() const {
        std::ifstream in(WriteLog());
        size_t lines = 0;
        for (std::string line; std::getline(in, line);)
            ++lines;
        return lines;
    }

    bool PortOpen() const { return app->Link()->Status().PortOpen; }

    // "All Parameter Save" on the page, its question answered Yes, with the
    // drive falling silent once the save has passed parameter 60 (and before
    // the bar could have reached the end). Returns when the save has given up.
    void SaveAllCutByASilentDrive(CDlgParameter& page) {
        QTimer cut;
        QObject::connect(&cut, &QTimer::timeout, [&] {
            if (page.SaveProgress->value() >= 60 && page.SaveProgress->value() < 150) {
                Fault("silent on");
                cut.stop();
            }
        });
        cut.start(1);
        shown.Answers = {MsgResult::Yes};
        page.SaveAllButton->click();
        cut.stop();
    }

    std::unique_ptr<ChildProcess> sim;
};

} // namespace velt::test
