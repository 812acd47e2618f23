#pragma once
// The control input of a drive served inside another program (velt-host
// --demo): lines read from the program's standard input on a thread of its
// own and applied to the drive as velt-drive-sim applies its stdin
// ("drive 3 alarm 3", "silent on", "echo TEXT", ...). A refused line is
// told on standard error; "echo TEXT" prints TEXT on standard output once
// every line before it is in force.
//
// Standard input is read only while it can be: not at all when it is closed
// or ends, and not while a terminal belongs to another process group (a
// program started in the background of a shell must not be stopped by it).
// Start and Stop belong to the owner's thread.
#include "base/StoppableWorker.h"

#include <string>
#include <vector>

namespace velt::sim {

class SimDrive;

class StdinControl {
public:
    explicit StdinControl(SimDrive& drive) : drive_(drive) {}
    ~StdinControl() { Stop(); }
    StdinControl(const StdinControl&) = delete;
    StdinControl& operator=(const StdinControl&) = delete;

    // Also ignores SIGTTIN in the whole process: a read that a move to the
    // background overtakes fails instead of stopping the program.
    bool Start();
    void Stop() { worker_.StopAndWait(); }

private:
    void Run(const std::stop_token& stop);
    void Apply(const std::vector<std::string>& lines);

    SimDrive& drive_;
    StoppableWorker worker_; // last: stopped before the drive reference goes
};

} // namespace velt::sim
