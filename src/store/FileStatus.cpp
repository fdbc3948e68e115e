#include "store/FileStatus.h"

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
        return {};
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

} // namespace corvane
