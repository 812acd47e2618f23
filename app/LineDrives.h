#pragma once
// The drives of each line as the user knows them: per port name ("COM3",
// "/dev/ttyUSB0", "tcp://..."), the drive IDs on it and the name the user
// gave each ("X axis"). Filled from a Find Drive result or by the user, shown
// by the connection bar's drive choice, the compare window and the line
// overview. Kept in the per-user settings, one value per port, unless the
// run is a demonstration. User-interface thread only (the per-user settings
// are).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velt {

struct LineDrive {
    uint8_t Id = 0;
    std::string Name; // may be empty
    bool operator==(const LineDrive&) const = default;
};

class LineDrives {
public:
    // `remember`: read the lists from the per-user settings and keep every
    // change there (false for a demonstration run).
    explicit LineDrives(bool remember);

    // The drives of the port, by ID; none when the user keeps no list for it.
    std::vector<LineDrive> Of(const std::string& port) const;
    // The name of drive `id` on the port; empty when it has none.
    std::string NameOf(const std::string& port, uint8_t id) const;

    // Each of the changes below returns false when the list could not be
    // kept whole in the per-user settings (a value of the registry holds
    // about 250 characters): the list stays whole for this run, and the
    // caller tells the user.
    //
    // Adds the IDs the port's list lacks, without names; the drives and
    // names the list has are kept.
    bool Merge(const std::string& port, const std::vector<uint8_t>& ids);
    // Names drive `id` of the port, adding it when the list lacks it. The
    // name is trimmed; tabs and line breaks become blanks and it is cut to
    // kMaxNameBytes (at a character's boundary). An empty name removes the
    // name, not the drive.
    bool SetName(const std::string& port, uint8_t id, const std::string& name);
    bool Remove(const std::string& port, uint8_t id);

    static constexpr size_t kMaxNameBytes = 40;
    // The stored text of a list and back: "1 X axis<TAB>2<TAB>5 Z". Reading
    // skips entries that are not an ID from 1 to 247 and repeats.
    static std::string ListText(const std::vector<LineDrive>& drives);
    static std::vector<LineDrive> ParseListText(const std::string& text);
    static std::string CleanName(const std::string& name);

private:
    std::vector<LineDrive>& ListOf(const std::string& port) const; // read once from the settings
    bool Keep(const std::string& port) const;

    const bool remember_;
    mutable std::map<std::string, std::vector<LineDrive>> lists_; // by port, each by ID
};

// "2  X axis", or "2" for a drive without a name: an entry of the drive choice.
std::string LineDriveEntryText(const LineDrive& drive);
// What a window names its drive by: "drive 2 X axis" / "드라이브 2 X axis".
std::string DriveCaption(uint8_t id, const std::string& name, bool korean);

} // namespace velt
