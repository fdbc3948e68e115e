#include "files/FileStatus.h"

#include "files/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

std::string ErrorText(int error, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    switch (error) {
    case EACCES:
    case EPERM:
        return german ? "keine Berechtigung" : "permission denied";
    case EIO:
        return german ? "Ein-/Ausgabefehler" : "input/output error";
    case EROFS:
        return german ? "schreibgeschütztes Dateisystem" : "read-only file system";
    case ENOSPC:
        return german ? "kein Platz auf dem Datenträger" : "no space left on the device";
    case ELOOP:
        return german ? "zu viele symbolische Verknüpfungen" : "too many symbolic links";
    case ENOENT:
        return german ? "Ordner fehlt" : "folder missing";
    default:
        return (german ? "Fehler: " : "") + std::string(std::strerror(error));
    }
}

std::string WriteErrorText(int error, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    switch (error) {
    case EACCES:
        return german ? "keine Schreibberechtigung" : "no write permission";
    case EPERM:
        return german ? "gehört einem anderen Benutzer" : "owned by another user";
    default:
        return ErrorText(error, language);
    }
}

// Why this user may not replace the file, 0 when they may. Replacing another user's file would
// leave it with a new owner, so only root, who can give it back, does that.
int WriteProblem(const std::filesystem::path& file, const struct stat& st)
{
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    if (::geteuid() != 0 && st.st_uid != ::geteuid()) return EPERM;
    return 0;
}

std::string TypeText(unsigned type, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    switch (type & S_IFMT) {
    case S_IFDIR:
        return german ? "ein Ordner" : "a folder";
    case S_IFIFO:
        return german ? "eine benannte Pipe" : "a named pipe";
    case S_IFCHR:
    case S_IFBLK:
        return german ? "eine Gerätedatei" : "a device";
    case S_IFSOCK:
        return german ? "ein Socket" : "a socket";
    default:
        return german ? "unbekannter Art" : "of an unknown kind";
    }
}

std::string DamagedSuffix(std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, ".damaged-%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

std::string FileErrorText(int error, TextLanguage language)
{
    return ErrorText(error, language);
}

std::string FileStatusReason(const FileStatus& status, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    const std::string name = status.file.string();
    switch (status.state) {
    case FileState::kLoaded:
        if (status.writeError == 0) return {};
        return (german ? name + " kann nicht geschrieben werden (" : name + " cannot be written (") +
               WriteErrorText(status.writeError, language) + ").";
    case FileState::kMissing:
        if (status.created) return {};
        if (status.error == ENOENT || status.error == 0)
            return german ? name + " gibt es nicht." : name + " does not exist.";
        return german ? name + " fehlt und konnte nicht angelegt werden (" +
                            ErrorText(status.error, language) + ")."
                      : name + " is missing and could not be created (" + ErrorText(status.error, language) +
                            ").";
    case FileState::kUnreadable:
        return (german ? name + " kann nicht gelesen werden (" : name + " cannot be read (") +
               ErrorText(status.error, language) + ").";
    case FileState::kWrongSize:
        return german ? name + " ist " + std::to_string(status.size) + " Bytes groß statt " +
                            std::to_string(status.expected) + "."
                      : name + " is " + std::to_string(status.size) + " bytes instead of " +
                            std::to_string(status.expected) + ".";
    case FileState::kNotRegular:
        return german
                   ? name + " ist keine gewöhnliche Datei, sondern " + TypeText(status.type, language) + "."
                   : name + " is not a regular file but " + TypeText(status.type, language) + ".";
    }
    return {};
}

std::string FileStatusText(const FileStatus& status, TextLanguage language)
{
    const std::string reason = FileStatusReason(status, language);
    if (reason.empty()) return reason;
    const bool german = language == TextLanguage::kGerman;
    if (status.state == FileState::kMissing)
        return reason + (german ? " Änderungen werden nicht gespeichert." : " Changes are not saved.");
    return reason + (german ? " Die Datei bleibt unverändert; Änderungen werden nicht darin gespeichert."
                            : " The file is left as it is; changes are not saved to it.");
}

int OpenRegularFile(const std::filesystem::path& file, std::uintmax_t expected, FileStatus& status)
{
    status = FileStatus{};
    status.file = file;
    status.expected = expected;
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer. The type is checked on the
    // descriptor itself, so nothing can be swapped in between the check and the read.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        status.error = errno;
        status.state = errno == ENOENT ? FileState::kMissing : FileState::kUnreadable;
        // A dangling symbolic link or a missing folder is "missing" too; that is what ENOENT says.
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        status.error = errno;
        status.state = FileState::kUnreadable;
        ::close(fd);
        return -1;
    }
    status.type = st.st_mode & S_IFMT;
    if (!S_ISREG(st.st_mode)) {
        status.state = FileState::kNotRegular;
        ::close(fd);
        return -1;
    }
    status.size = static_cast<std::uintmax_t>(st.st_size);
    status.state = status.size == expected ? FileState::kLoaded : FileState::kWrongSize;
    status.writeError = WriteProblem(file, st);
    return fd;
}

long ReadUpTo(int fd, std::span<std::uint8_t> buffer)
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

FileStatus ReadRegularFile(const std::filesystem::path& file, std::uintmax_t expected,
                           std::span<std::uint8_t> buffer, std::size_t& bytesRead)
{
    bytesRead = 0;
    FileStatus status;
    const int fd = OpenRegularFile(file, expected, status);
    if (fd < 0) return status;
    const long n = ReadUpTo(fd, buffer);
    if (n < 0) {
        status.error = errno;
        status.state = FileState::kUnreadable;
    } else {
        bytesRead = static_cast<std::size_t>(n);
    }
    ::close(fd);
    return status;
}

FileStatus CheckBeforeReplacing(const std::filesystem::path& file, std::uintmax_t expected)
{
    FileStatus status;
    const int fd = OpenRegularFile(file, expected, status);
    if (fd >= 0) ::close(fd);
    return status;
}

std::filesystem::path DamagedFileName(const std::filesystem::path& file, std::time_t when)
{
    std::filesystem::path name = file;
    name += DamagedSuffix(when);
    return name;
}

SaveStatus SaveOwnFile(const std::filesystem::path& file, std::uintmax_t expected,
                       std::initializer_list<std::span<const std::uint8_t>> parts, DamagedFile damaged,
                       std::time_t when)
{
    SaveStatus status;
    status.file = file;
    status.existing = CheckBeforeReplacing(file, expected);
    if (!status.existing.Replaceable()) {
        if (damaged != DamagedFile::kSetAside || !status.existing.Damaged()) {
            status.outcome = SaveOutcome::kKept;
            return status;
        }
        errno = 0;
        status.setAside = KeepCopyBeside(file, DamagedSuffix(when));
        if (status.setAside.empty()) {
            status.outcome = SaveOutcome::kFailed;
            status.error = errno != 0 ? errno : EIO;
            return status;
        }
    }
    errno = 0;
    if (!WriteFileAtomically(file, parts)) {
        status.outcome = SaveOutcome::kFailed;
        status.error = errno != 0 ? errno : EIO;
        // The damaged file is still in its place; a second name for it would only confuse.
        if (!status.setAside.empty()) ::unlink(status.setAside.c_str());
        status.setAside.clear();
    }
    return status;
}

std::string SaveStatusText(const SaveStatus& status, TextLanguage language)
{
    switch (status.outcome) {
    case SaveOutcome::kSaved:
        return {};
    case SaveOutcome::kKept:
        return FileStatusText(status.existing, language);
    case SaveOutcome::kFailed:
        break;
    }
    const std::string name = status.file.string();
    const std::string why = ErrorText(status.error, language);
    return language == TextLanguage::kGerman
               ? name + " konnte nicht gespeichert werden (" + why + "); die Datei bleibt, wie sie war."
               : name + " could not be saved (" + why + "); the file is left as it was.";
}

} // namespace corvane
