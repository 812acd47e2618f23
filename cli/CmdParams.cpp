// velt-cli params: read all parameters to a .par file, store a .par file in
// the drive with the save sequence of the parameter page, compare two sets
// (files, backups, the drive), list the backups.
#include "cli/CliCommon.h"

#include "base/IdList.h"
#include "base/PathText.h"
#include "link/CDriveLink.h"
#include "params/Backup.h"
#include "params/ParFile.h"
#include "params/ParamCompare.h"
#include "params/ParamFileActions.h"
#include "params/ParamFolders.h"
#include "params/ParamWorkingCopy.h"
#include "params/SaveSequence.h"
#include "platform/AtomicFile.h"
#include "platform/ProgramEnvironment.h"
#include "platform/SystemLanguage.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace velt;
using namespace velt::cli;

namespace {

using Args = std::vector<std::string>;

constexpr int kExitFailed = 1;    // a write refused, a failed re-read, or files differ (diff)
constexpr int kExitNotStored = 2; // servo on or not confirmed: nothing written
constexpr int kExitFileError = 3; // "File Load Error" / "File Save Error"
// Every value written, but the drive did not confirm the store command. Above
// every link result code, which other failures exit with.
constexpr int kExitNotKept = 20;

// The first state poll follows the connect within one MainThread pass
// (10 ms plus an exchange); a silent drive takes about a second per try.
constexpr auto kStateWait = std::chrono::seconds(3);
constexpr auto kStateWaitStep = std::chrono::milliseconds(10);
// Progress lines on a pipe: one every this many parameters.
constexpr int kProgressStep = 30;

void Finish(CDriveLink& link) {
    link.Disconnect();
    link.StopThread();
}

std::string OneFileArg(const Args& args, size_t first, const char* command, bool* yes = nullptr) {
    std::string file;
    for (size_t i = first; i < args.size(); ++i) {
        if (yes != nullptr && args[i] == "--yes")
            *yes = true;
        else if (!args[i].empty() && args[i][0] == '-')
            throw UsageError{"unknown argument " + args[i]};
        else if (file.empty())
            file = args[i];
        else
            throw UsageError{std::string("params ") + command + " takes one file"};
    }
    if (file.empty()) throw UsageError{std::string("params ") + command + " needs a file"};
    return file;
}

// Loads a file over `values`; warnings on stderr with their line numbers.
bool LoadFile(const std::string& file, ParamValues* values, ParReadResult* result, bool korean) {
    if (!ReadParFile(file, values, korean, result)) {
        PrintMessage(kFileLoadError);
        std::fprintf(stderr, "%s: %s\n", file.c_str(), result->error.c_str());
        return false;
    }
    for (const ParWarning& w : result->warnings)
        std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), w.line, w.text.c_str());
    return true;
}

// The options for drive `id` of a --id list.
CliOptions ForDrive(const CliOptions& options, uint8_t id) {
    CliOptions one = options;
    one.id = id;
    one.ids = {id};
    return one;
}

// FILE_id<N>.par beside FILE: the file of one drive of a --id list.
std::string DriveFileName(const std::string& out, uint8_t id) {
    const std::filesystem::path path = PathFromUtf8(out);
    std::filesystem::path named = path;
    named.replace_filename(PathFromUtf8(PathText(path.stem()) + "_id" + std::to_string(id) +
                                        (path.has_extension() ? PathText(path.extension()) : ".par")));
    return PathText(named);
}

// Reads every drive of the list: the values of those that answered; the
// exit code of the first that did not (named on stderr), else 0.
int ReadDrives(const CliOptions& options, std::vector<std::pair<uint8_t, ParamValues>>* read) {
    int firstFailure = 0;
    for (uint8_t id : options.ids) {
        CDriveLink link;
        int code = 0;
        if (!ConnectAndReadParams(link, ForDrive(options, id), &code)) {
            std::fprintf(stderr, "drive %d: not read (exit %d)\n", id, code);
            if (firstFailure == 0) firstFailure = code;
            if (code == kExitPortOpenFail) break; // the same port for every drive
            continue;
        }
        read->emplace_back(id, ValuesFromRegisters(link.ParamRegs()));
        Finish(link);
    }
    return firstFailure;
}

int WriteParFileOut(const std::string& out, const ParamValues& values, bool korean);

// params read --out FILE with several drives: FILE_id<N>.par for each.
int RunReadDrives(const CliOptions& options, const std::string& out) {
    if (out.empty())
        throw UsageError{
            "params read with several drive IDs needs --out FILE (one file per drive, FILE_id<N>.par)"};
    std::vector<std::pair<uint8_t, ParamValues>> read;
    int result = ReadDrives(options, &read);
    for (const auto& [id, values] : read) {
        const std::string file = DriveFileName(out, id);
        const int code = WriteParFileOut(file, values, options.korean);
        if (code != 0 && result == 0) result = code;
        if (code == 0) std::fprintf(stderr, "drive %d: %s\n", id, file.c_str());
    }
    return result;
}

int RunRead(const CliOptions& options, const Args& args) {
    std::string out;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size() && out.empty())
            out = args[++i];
        else
            throw UsageError{"params read takes only --out FILE"};
    }
    if (options.ids.size() > 1) return RunReadDrives(options, out);
    CDriveLink link;
    int code = 0;
    if (!ConnectAndReadParams(link, options, &code)) return code;
    const ParamValues values = ValuesFromRegisters(link.ParamRegs());
    Finish(link);
    if (!out.empty()) return WriteParFileOut(out, values, options.korean);

    std::string bytes;
    if (IsTerminal(stdout)) { // for reading: UTF-8, plain line ends
        for (char c : FormatParTextUtf8(values, options.korean))
            if (c != '\r') bytes += c;
    } else if (!FormatParFile(values, &bytes, options.korean)) {
        PrintMessage(kFileSaveError);
        return kExitFileError;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kExitFileError;
}

// Writes `values` as a .par file; the exit code.
int WriteParFileOut(const std::string& out, const ParamValues& values, bool korean) {
    std::string bytes;
    std::string error;
    if (!FormatParFile(values, &bytes, korean)) {
        PrintMessage(kFileSaveError);
        return kExitFileError;
    }
    if (!WriteFileAtomically(out, bytes, {&error, korean})) {
        PrintMessage(kFileSaveError);
        std::fprintf(stderr, "%s\n", error.c_str());
        return kExitFileError;
    }
    return 0;
}

// Asks on stderr, the question's "\r\n" line breaks as plain ones.
bool AskOnTerminal(const std::string& question) {
    std::string text;
    for (size_t i = 0; i < question.size(); ++i)
        if (question.compare(i, 2, "\r\n") != 0) text += question[i];
    std::fprintf(stderr, "%s [y/N] ", text.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) { // no stdin: the safe answer
        std::fprintf(stderr, "\n");
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

SaveHooks CliHooks(bool yes, bool korean) {
    SaveHooks hooks;
    const bool tty = IsTerminal(stderr);
    hooks.message = [](const std::string& text) { PrintMessage(text); };
    hooks.confirm = [yes](const std::string& question, const std::string& details) {
        PrintMessage(details);
        return yes || AskOnTerminal(question);
    };
    // Never answered by --yes: storing without a backup is decided at the terminal.
    hooks.confirmWithoutBackup = [](const std::string& question) { return AskOnTerminal(question); };
    hooks.progress = [tty](int p) {
        if (tty)
            std::fprintf(stderr, "\rprogress %3d/%d%s", p, kSaveProgressMax,
                         p == kSaveProgressMax ? "\n" : "");
        else if (p % kProgressStep == 0 || p == kSaveProgressMax)
            std::fprintf(stderr, "progress %d/%d\n", p, kSaveProgressMax);
    };
    hooks.waitWithMessages = [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    hooks.backup = [korean](const ParamValues& values) {
        BackupResult r = WriteBackupNow(values, korean);
        if (r.ok) {
            const std::u8string shown = r.path.u8string(); // UTF-8 on every platform
            std::fprintf(stderr, "backup: %.*s\n", static_cast<int>(shown.size()),
                         reinterpret_cast<const char*>(shown.data()));
        }
        return r;
    };
    return hooks;
}

// The servo check needs one state block from the drive.
bool WaitForState(const CDriveLink& link) {
    const auto end = std::chrono::steady_clock::now() + kStateWait;
    while (link.Counters().StateOk == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(kStateWaitStep);
    return link.Counters().StateOk > 0;
}

int ExitFor(const SaveResult& r) {
    switch (r.outcome) {
    case SaveOutcome::Stored:
        if (r.rereadCode == RTU_OK) return 0;
        std::fprintf(stderr, "stored, but the read-back failed: %s\n",
                     DescribeRtuResult(r.rereadCode).c_str());
        return kExitFailed;
    case SaveOutcome::ServoOn:
    case SaveOutcome::OtherDrive:
    case SaveOutcome::NotConfirmed:
    case SaveOutcome::NoBackup:
        return kExitNotStored;
    case SaveOutcome::WriteFailed:
        std::fprintf(stderr, "%s\n", DescribeRtuResult(r.failCode).c_str());
        return kExitFailed;
    case SaveOutcome::StoreNotConfirmed:
        return kExitNotKept; // the message names the reason
    case SaveOutcome::NotConnected:
        break;
    }
    return kExitFailed;
}

int RunWrite(const CliOptions& options, const Args& args) {
    bool yes = false;
    const std::string file = OneFileArg(args, 1, "write", &yes);
    ParamValues probe{};
    ParReadResult parsed;
    if (!LoadFile(file, &probe, &parsed, options.korean)) return kExitFileError; // before touching the drive
    CDriveLink link;
    int code = 0;
    if (!ConnectAndReadParams(link, options, &code)) return code;
    // Parameters the file does not name keep the drive's values, as on the page.
    ParamWorkingCopy working;
    working.TakeRead(ValuesFromRegisters(link.ParamRegs()), link.DriveId());
    working.TakeFile(probe, parsed.present);
    if (!WaitForState(link)) {
        Finish(link);
        std::fprintf(stderr, "no state block from the drive: cannot tell whether the servo is off\n");
        return kExitFailed;
    }
    const SaveResult result = SaveAllParameters(link, working.Values(), working.DriveId(), options.korean,
                                                CliHooks(yes, options.korean));
    Finish(link);
    if (result.outcome == SaveOutcome::Stored) std::fprintf(stderr, "stored\n");
    return ExitFor(result);
}

// params diff FILE: the file against the drive, one line per register.
int RunDiffWithDrive(const CliOptions& options, const std::string& file) {
    ParamValues fromFile{};
    ParReadResult parsed;
    if (!LoadFile(file, &fromFile, &parsed, options.korean)) return kExitFileError;
    CDriveLink link;
    int code = 0;
    if (!ConnectAndReadParams(link, options, &code)) return code;
    ParamWorkingCopy copy;
    copy.TakeRead(ValuesFromRegisters(link.ParamRegs()), link.DriveId());
    Finish(link);

    // Halves the file does not name compare as the drive's.
    copy.TakeFile(fromFile, parsed.present);
    const ParamValues& merged = copy.Values();
    const ParamValues& drive = copy.DriveValues();
    int differences = 0;
    for (int n = 0; n < drive::ParamCount; ++n) {
        const auto i = static_cast<size_t>(n);
        if (merged[i] == drive[i]) continue;
        ++differences;
        std::printf("%03d %-24s file %6d  drive %6d", n, ParamTable(options.korean)[n].name, merged[i],
                    drive[i]);
        const int first = PairFirst(n);
        if (first >= 0)
            std::printf("  (pair %03d/%03d: file %d  drive %d)", first, first + 1,
                        CombinePair(first, merged.data()), CombinePair(first, drive.data()));
        std::printf("\n");
    }
    if (differences == 0) std::printf("no differences\n");
    return differences == 0 ? 0 : kExitFailed;
}

constexpr const char* kDriveSide = "drive";

// One side of params diff A B: the drive, a file, or a backup by its name.
struct DiffSide {
    std::string arg;
    bool drive = false;
    std::filesystem::path file;
    ParamSet set;
};

// A path that exists is a file; else a bare name is looked for among the
// backups (with or without ".par").
std::optional<std::filesystem::path> FindSideFile(const std::string& arg) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path given(arg);
    if (fs::exists(given, ec)) return given;
    if (given.has_parent_path()) return std::nullopt;
    const fs::path folder = BackupFolder();
    for (const fs::path& candidate : {folder / given, folder / (arg + ".par")})
        if (fs::is_regular_file(candidate, ec)) return candidate;
    return std::nullopt;
}

bool LoadSide(DiffSide* side, bool korean) {
    const std::optional<std::filesystem::path> file = FindSideFile(side->arg);
    if (!file) {
        PrintMessage(kFileLoadError);
        std::fprintf(stderr, "%s: no such file, nor a backup of that name in %s\n", side->arg.c_str(),
                     BackupFolder().string().c_str());
        return false;
    }
    side->file = *file;
    ParamValues values{};
    ParReadResult parsed;
    if (!LoadFile(file->string(), &values, &parsed, korean)) return false;
    side->set = FileSet(values, parsed);
    return true;
}

// params diff A B: the rows that differ as tab-separated lines under a header.
int RunDiffOfTwo(const CliOptions& options, const std::string& a, const std::string& b) {
    DiffSide sides[2];
    sides[0].arg = a;
    sides[1].arg = b;
    for (DiffSide& side : sides)
        side.drive = side.arg == kDriveSide;
    for (DiffSide& side : sides) // files first: a bad file is told before the drive is touched
        if (!side.drive && !LoadSide(&side, options.korean)) return kExitFileError;
    if (sides[0].drive || sides[1].drive) {
        CDriveLink link;
        int code = 0;
        if (!ConnectAndReadParams(link, options, &code)) return code;
        const ParamSet drive = WholeSet(ValuesFromRegisters(link.ParamRegs()));
        Finish(link);
        for (DiffSide& side : sides)
            if (side.drive) side.set = drive;
    }
    std::vector<CompareRow> differing;
    for (const CompareRow& row : CompareSets(sides[0].set, sides[1].set))
        if (row.differs) differing.push_back(row);
    if (differing.empty()) {
        std::printf("no differences\n");
        return 0;
    }
    std::fputs(CompareTableText(differing, sides[0].set, sides[1].set, "A: " + a, "B: " + b,
                                TableFormat::Tabs, options.korean)
                   .c_str(),
               stdout);
    return kExitFailed;
}

// params diff [FILE] with several drives: the parameters where any two of
// the columns (the file, then each drive) differ, as tab-separated lines.
int RunDiffDrives(const CliOptions& options, const std::vector<std::string>& sides) {
    if (sides.size() > 1) throw UsageError{"params diff with several drive IDs takes at most one FILE"};
    std::vector<std::pair<std::string, ParamValues>> columns;
    if (!sides.empty()) {
        ParamValues fromFile{};
        ParReadResult parsed;
        if (!LoadFile(sides[0], &fromFile, &parsed, options.korean)) return kExitFileError;
        columns.emplace_back("file", fromFile);
    }
    std::vector<std::pair<uint8_t, ParamValues>> read;
    const int failure = ReadDrives(options, &read);
    for (const auto& [id, values] : read)
        columns.emplace_back("drive " + std::to_string(id), values);
    std::printf("No.\tName");
    for (const auto& column : columns)
        std::printf("\t%s", column.first.c_str());
    std::printf("\n");
    int differences = 0;
    for (int n = 0; n < drive::ParamCount; ++n) {
        const auto i = static_cast<size_t>(n);
        bool differs = false;
        for (const auto& column : columns)
            differs = differs || column.second[i] != columns.front().second[i];
        if (!differs) continue;
        ++differences;
        std::printf("%03d\t%s", n, ParamTable(options.korean)[n].name);
        for (const auto& column : columns)
            std::printf("\t%d", column.second[i]);
        std::printf("\n");
    }
    if (failure != 0) return failure;
    return differences == 0 ? 0 : kExitFailed;
}

int RunDiff(const CliOptions& options, const Args& args) {
    std::vector<std::string> sides;
    for (size_t i = 1; i < args.size(); ++i) {
        if (!args[i].empty() && args[i][0] == '-') throw UsageError{"unknown argument " + args[i]};
        sides.push_back(args[i]);
    }
    if (options.ids.size() > 1) return RunDiffDrives(options, sides);
    if (sides.size() == 1) return RunDiffWithDrive(options, sides[0]);
    if (sides.size() == 2) return RunDiffOfTwo(options, sides[0], sides[1]);
    throw UsageError{"params diff takes FILE, or A and B (each a file, a backup name or drive)"};
}

// params backups --id LIST: one backup of each drive, the ID in its name.
int WriteDriveBackups(const CliOptions& options) {
    const std::filesystem::path folder = BackupFolder();
    const std::time_t now = std::time(nullptr);
    std::vector<std::pair<uint8_t, ParamValues>> read;
    int result = ReadDrives(options, &read);
    for (const auto& [id, values] : read) {
        const BackupResult written = WriteBackupFile(values, folder, now, options.korean, id, true);
        if (written.ok) {
            std::printf("drive %d: %s\n", id, PathText(written.path).c_str());
        } else {
            std::fprintf(stderr, "drive %d: %s\n", id, written.error.c_str());
            if (result == 0) result = kExitFileError;
        }
    }
    return result;
}

int RunBackups(const CliOptions& options, const Args& args) {
    if (args.size() == 3 && args[1] == "--id") {
        const std::optional<std::vector<uint8_t>> ids = ParseIdList(args[2], 1, 247);
        if (!ids) throw UsageError{"invalid drive IDs '" + args[2] + "' (a list such as 1,2,5 or 1-3)"};
        CliOptions drives = options;
        drives.ids = *ids;
        drives.id = ids->front();
        return WriteDriveBackups(drives);
    }
    if (args.size() > 1) throw UsageError{"params backups takes only --id LIST"};
    if (options.ids.size() > 1) return WriteDriveBackups(options);
    const std::filesystem::path folder = BackupFolder();
    const std::vector<BackupEntry> backups = ListBackups(folder);
    if (backups.empty()) std::fprintf(stderr, "no backups in %s\n", folder.string().c_str());
    for (const BackupEntry& b : backups)
        std::printf("%-23s %8ju  %s\n", BackupTimeText(b.stamp).c_str(), static_cast<uintmax_t>(b.size),
                    b.name.c_str());
    return 0;
}

int RunParams(const CliOptions& options, const Args& args) {
    if (args.empty()) throw UsageError{"params needs read, write, diff or backups"};
    if (args[0] == "read") return RunRead(options, args);
    if (args[0] == "write") return RunWrite(options, args);
    if (args[0] == "diff") return RunDiff(options, args);
    if (args[0] == "backups") return RunBackups(options, args);
    throw UsageError{"unknown params command " + args[0]};
}

const CliRegistrar kParams{
    {"params",
     "  params read [--out FILE]    connect, read all 144 parameters and write them as a .par file\n"
     "                              (CP949, CR LF) to FILE or stdout; UTF-8 when stdout is a terminal\n"
     "  params write FILE [--yes]   store FILE in the drive: servo must be off; asks first unless\n"
     "                              --yes; backup of the drive's values first (when it cannot be\n"
     "                              written, asks on the terminal whatever --yes says); then store\n"
     "                              command 7 and a read-back. Exit 0 stored, 1 a write refused,\n"
     "                              2 not confirmed, servo on or no backup, 3 file error, 20 every\n"
     "                              value written but the drive did not confirm the store\n"
     "  params diff FILE            list the parameters where FILE and the drive differ (exit 1)\n"
     "  params diff A B             list the parameters where A and B differ, as tab-separated lines\n"
     "                              (values as the parameter page shows them; exit 1 when any differ).\n"
     "                              A and B are each a .par file, a backup's name or drive\n"
     "  params backups              list the backups, newest first: time, size in bytes, name\n"
     "  params backups --id LIST    read each drive of LIST (1,2,5 or 1-3) and write one backup per\n"
     "                              drive, BackUp_<time>_id<N>.par; a drive that fails is named on\n"
     "                              stderr, the others are still written, and the exit status is\n"
     "                              the first failure's\n"
     "  --id LIST params read --out FILE\n"
     "                              one file per drive, FILE_id<N>.par\n"
     "  --id LIST params diff [FILE]\n"
     "                              the parameters where the drives (and FILE) differ, one column each",
     &RunParams}};

} // namespace
