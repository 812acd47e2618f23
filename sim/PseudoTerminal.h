#pragma once
// The drive's end of the serial line: a pseudo-terminal whose slave side a
// master program opens like a serial port, optionally published in the ports
// folder as COMn -> /dev/pts/N.
//
// We keep a descriptor of the slave side open for the whole life of the
// terminal, so the master side never sees a hang-up when the master program
// closes the port, and the raw line settings survive any number of closes and
// reopens. Not thread-safe: opened and closed by SimDrive::Start/Stop, read
// and written by the serving thread in between.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace velt::sim {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal(); // Close()
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the pair, raw 8N1 at `baud` on the slave side.
    bool Open(uint32_t baud, std::string* error);
    void Close(); // unpublishes too; idempotent

    // Creates (or replaces) folder/name as a symbolic link to the slave
    // device; the folder is created when missing.
    bool Publish(const std::filesystem::path& folder, const std::string& name, std::string* error);
    // Removes the entry if it still points to this terminal.
    void Unpublish();

    int MasterFd() const { return master_; }
    // Descriptor that becomes readable when master programs open or close
    // the slave side; call OnOpenClose() then. -1 when not available.
    int WatchFd() const { return watch_; }
    void OnOpenClose();
    const std::string& SlavePath() const { return slavePath_; }

    // Writes all bytes or drops what the line cannot take at once (nobody
    // is reading). Returns the bytes written.
    size_t Write(const uint8_t* data, size_t n);

private:
    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    int clients_ = 0; // master programs holding the slave side open
    std::string slavePath_;
    std::filesystem::path published_;
};

} // namespace velt::sim
