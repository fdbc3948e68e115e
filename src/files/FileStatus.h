#pragma once
// Reading the program's fixed-size files safely, and saying why one could not be used. Files are
// opened without blocking and only regular files are read, so a FIFO or device of the same name
// can never hang the program. A file that exists but cannot be used is never written over: it
// may hold the user's only copy of their settings.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>

namespace corvane {

enum class FileState {
    kLoaded,     // a readable regular file of the expected size
    kMissing,    // does not exist (the loaders create it; `created` says whether that worked)
    kUnreadable, // exists but could not be opened or read (`error` holds errno)
    kWrongSize,  // a regular file, but not of the expected size (read as far as it reaches)
    kNotRegular, // a folder, FIFO, device or socket
};

struct FileStatus
{
    FileState state = FileState::kLoaded;
    std::filesystem::path file;
    int error = 0;           // errno, for kUnreadable and for a missing file that could not be created
    std::uintmax_t size = 0; // the file's size, when it is a regular file
    std::uintmax_t expected = 0;
    unsigned type = 0;    // the S_IFMT bits of what was found, for kNotRegular
    bool created = false; // kMissing: the file has been written afresh
    // kLoaded and kWrongSize: why this user may not replace the file, 0 when they may. EACCES: no
    // write permission; EPERM: another user's file (replacing it would change its owner); EROFS.
    int writeError = 0;

    // Whether the data in memory came from the file, or the file was freshly created.
    bool Usable() const { return state == FileState::kLoaded || (state == FileState::kMissing && created); }
    // Whether the program may replace the file: it holds nothing of the user's that could be lost,
    // and the user has not protected it.
    bool Replaceable() const
    {
        return (state == FileState::kLoaded && writeError == 0) || state == FileState::kMissing;
    }
    // A file of the wrong size that the user could replace, once its bytes are kept aside.
    bool Damaged() const { return state == FileState::kWrongSize && writeError == 0; }
};

enum class TextLanguage { kEnglish, kGerman };

// A short reason for an errno value ("permission denied"), in the language.
std::string FileErrorText(int error, TextLanguage language);

// One sentence naming the file and why it cannot be used ("... is 0 bytes instead of 206920."),
// for a file the user handed in; empty when there is nothing to tell (a loaded file, a missing
// one that has been created).
std::string FileStatusReason(const FileStatus& status, TextLanguage language);
// The reason and that the file is kept and changes are not saved to it: the notice for one of the
// program's own files after a load.
std::string FileStatusText(const FileStatus& status, TextLanguage language);

// Opens a file for reading without blocking and checks on the open descriptor that it is a regular
// file. Returns the descriptor (the caller closes it) or -1 with status telling why; status.size
// is filled for a regular file. `expected` is copied into the status for the caller's size check.
int OpenRegularFile(const std::filesystem::path& file, std::uintmax_t expected, FileStatus& status);

// Reads until the buffer is full or the file ends: the bytes read, or -1 on a read error (errno).
long ReadUpTo(int fd, std::span<std::uint8_t> buffer);

// Opens a regular file and reads up to buffer.size() bytes of it. The status is kWrongSize when
// the file's size is not `expected`; the bytes that exist are read all the same. `bytesRead` is
// what was read (0 when the file could not be opened).
FileStatus ReadRegularFile(const std::filesystem::path& file, std::uintmax_t expected,
                           std::span<std::uint8_t> buffer, std::size_t& bytesRead);

// The state of the file a save is about to replace: Replaceable() allows the save; anything else
// means the file is kept.
FileStatus CheckBeforeReplacing(const std::filesystem::path& file, std::uintmax_t expected);

// What became of a save of one of the program's own files.
enum class SaveOutcome {
    kSaved,
    kKept,   // the file there is not the program's to replace (`existing` says why); nothing written
    kFailed, // writing failed (`error`); the old file, if any, is as it was
};

struct SaveStatus
{
    SaveOutcome outcome = SaveOutcome::kSaved;
    std::filesystem::path file;
    FileStatus existing;
    int error = 0;
    std::filesystem::path setAside; // where a damaged file's bytes were kept, when they were

    bool Saved() const { return outcome == SaveOutcome::kSaved; }
    explicit operator bool() const { return Saved(); }
    // Kept because it is damaged: the user may have it set aside and replaced.
    bool Damaged() const { return outcome == SaveOutcome::kKept && existing.Damaged(); }
};

// Whether a damaged file stays in place, or is set aside and replaced (the user's choice).
enum class DamagedFile { kKeep, kSetAside };

// The name a damaged file's bytes are kept under: "<file>.damaged-YYYYMMDD-HHMMSS", local time.
std::filesystem::path DamagedFileName(const std::filesystem::path& file, std::time_t when);

// Saves one of the program's own fixed-size files as a whole. A missing file is created; a file
// that Replaceable() allows is replaced. Any other file is kept, except that a damaged one is set
// aside under DamagedFileName(file, when) and then replaced when `damaged` asks for it.
SaveStatus SaveOwnFile(const std::filesystem::path& file, std::uintmax_t expected,
                       std::initializer_list<std::span<const std::uint8_t>> parts,
                       DamagedFile damaged = DamagedFile::kKeep, std::time_t when = std::time(nullptr));

// What to tell the user about a save: the file and why it was not saved; empty when it was.
std::string SaveStatusText(const SaveStatus& status, TextLanguage language);

} // namespace corvane
