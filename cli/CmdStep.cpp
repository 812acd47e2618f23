// velt-cli step: the step-response figures of one channel of a scope CSV
// file (exported or recorded), computed as the scope window computes them.
#include "cli/CliCommon.h"

#include "base/FileMessages.h"
#include "platform/AtomicFile.h"
#include "scope/ScopeCsvRead.h"
#include "scope/StepResponse.h"

#include <charconv>
#include <cstdio>
#include <string>

using namespace velt;
using namespace velt::cli;

namespace {

constexpr int kExitFileError = 3;
// A recording of a few hours still fits; the figures of anything longer
// mean little.
constexpr size_t kMaxCsvBytes = size_t{256} << 20;

struct StepArgs {
    std::string file;
    long channel = 0, command = 0; // 1-based channel columns; 0: none
    StepSettings settings;
};

// A percentage above 0 and below 100, decimals allowed ("2.5"), read
// without the locale so that a script gets the same answer everywhere.
double Percent(const std::string& text, const char* what) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || !(value > 0.0 && value < 100.0))
        throw UsageError{std::string("step: ") + what + " must be a percentage above 0 and below 100, not '" +
                         text + "'"};
    return value / 100.0;
}

StepArgs ParseStepArgs(const std::vector<std::string>& args) {
    StepArgs a;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--channel" && hasValue)
            a.channel = ParseIntArg(args[++i], 1, 1000, "channel");
        else if (arg == "--command" && hasValue)
            a.command = ParseIntArg(args[++i], 1, 1000, "command channel");
        else if (arg == "--low" && hasValue)
            a.settings.LowLevel = Percent(args[++i], "low level");
        else if (arg == "--high" && hasValue)
            a.settings.HighLevel = Percent(args[++i], "high level");
        else if (arg == "--band" && hasValue)
            a.settings.Band = Percent(args[++i], "settling band");
        else if (!arg.empty() && arg[0] == '-')
            throw UsageError{"step: unknown or incomplete option " + arg};
        else if (a.file.empty())
            a.file = arg;
        else
            throw UsageError{"step takes one file"};
    }
    if (a.file.empty()) throw UsageError{"step needs a file"};
    if (a.channel == 0) throw UsageError{"step needs --channel N"};
    if (a.command == a.channel) throw UsageError{"step: --command must be another channel than --channel"};
    if (!StepSettingsValid(a.settings)) throw UsageError{"step: --low must be below --high, --band below 50"};
    return a;
}

std::string ColumnList(const ScopeCsvData& data) {
    std::string list;
    for (size_t i = 0; i < data.Names.size(); ++i)
        list += "\n  " + std::to_string(i + 1) + " " + data.Names[i];
    return list;
}

int RunStep(const CliOptions& options, const std::vector<std::string>& args) {
    const StepArgs a = ParseStepArgs(args);
    const auto path = PathFromUtf8(a.file);
    std::string bytes, error;
    ScopeCsvData data;
    if (!ReadWholeFile(path, &bytes, kMaxCsvBytes)) error = "cannot be read";
    if (error.empty()) ReadScopeCsv(bytes, &data, &error);
    if (!error.empty()) {
        PrintMessage(FileFailureText("File Load Error", path, error));
        return kExitFileError;
    }
    const auto count = static_cast<long>(data.Names.size());
    if (a.channel > count || a.command > count)
        throw UsageError{"step: " + a.file + " has " + std::to_string(count) +
                         " channel(s):" + ColumnList(data)};
    StepInput in{data.Time, data.Values[static_cast<size_t>(a.channel - 1)], {}, {}};
    if (a.command > 0) in.Command = data.Values[static_cast<size_t>(a.command - 1)];
    for (const std::string& line : StepFigureLines(ComputeStepFigures(in, a.settings), options.korean))
        std::printf("%s\n", line.c_str());
    return std::fflush(stdout) == 0 ? 0 : kExitFileError;
}

const CliRegistrar kStep{
    {"step",
     "  step FILE --channel N [--command M] [--low P] [--high P] [--band P]\n"
     "                              step-response figures of channel N (1 = the first channel column)\n"
     "                              of a scope CSV file, exported or recorded, as the scope window\n"
     "                              shows them: start, final, delay, rise time from P % to P %\n"
     "                              (default 10 and 90), peak, overshoot, settling into +-P %\n"
     "                              (default 2), P with decimals if wished (2.5); against command\n"
     "                              channel M also the steady-state and following errors.\n"
     "                              Exit 3 when the file cannot be read",
     &RunStep}};

} // namespace
