#pragma once
// What the whole-program benchmarks of the shell share: messages printed
// instead of shown, the event loop run for a while, and the simulated line
// started as its own process (so its work is not counted) on a wire-timed
// COM port.
#include "base/MessageService.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <string>

namespace velt::bench {

class PrintedMessages : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++Count;
        return MsgResult::No;
    }
    int Count = 0;
};

inline void RunEvents(std::chrono::milliseconds duration) {
    QEventLoop loop; // a local loop: QApplication::quit would end the program
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// velt-drive-sim on COM<com> answering at `baud` with wire timing, and
// `more` arguments; true once it says it is ready.
inline bool StartSimulator(QProcess& sim, int com, int baud, const QStringList& more = {}) {
    sim.setProgram(QStringLiteral(VELT_SIM_PATH));
    sim.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("COM%1").arg(com),
                                 QStringLiteral("--baud"), QString::number(baud),
                                 QStringLiteral("--wire-timing")} +
                     more);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(5000)) return false;
    while (sim.waitForReadyRead(5000)) {
        if (sim.readAll().contains("ready")) return true;
    }
    return false;
}

} // namespace velt::bench
