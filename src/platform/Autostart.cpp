#include "platform/Autostart.h"

#include "files/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <span>
#include <system_error>
#include <unistd.h>

namespace corvane {

namespace fs = std::filesystem;

namespace {

fs::path ConfigHome()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') return xdg;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".config";
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return fs::path(pw->pw_dir) / ".config";
    return {};
}

// An argument is quoted when it holds any character the Exec key reserves.
bool NeedsQuotes(const std::string& argument)
{
    return argument.empty() || argument.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string::npos;
}

} // namespace

fs::path AutostartFile()
{
    return ConfigHome() / "autostart" / "corvane-keyboard.desktop";
}

std::optional<std::string> DesktopExecLine(const fs::path& program,
                                           std::initializer_list<std::string> arguments)
{
    std::string line;
    const auto add = [&line](const std::string& argument) {
        if (argument.find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) return false;
        if (!line.empty()) line += ' ';
        const bool quoted = NeedsQuotes(argument);
        if (quoted) line += '"';
        for (char c : argument) {
            // Inside quotes these four take a backslash; the value itself then doubles every
            // backslash, as any string value of a desktop entry does. % starts a field code.
            if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) line += "\\\\";
            if (c == '\\')
                line += "\\\\";
            else if (c == '%')
                line += "%%";
            else
                line += c;
        }
        if (quoted) line += '"';
        return true;
    };
    if (!add(program.string())) return std::nullopt;
    for (const std::string& argument : arguments)
        if (!add(argument)) return std::nullopt;
    return line;
}

std::optional<std::string> AutostartEntry(const fs::path& program)
{
    const std::optional<std::string> exec = DesktopExecLine(program, {"--minimized"});
    if (!exec) return std::nullopt;
    // The desktop skips the entry once the program is gone (removed with its package), instead
    // of failing to start it at every login. A string value doubles its backslashes.
    std::string tryExec;
    for (char c : program.string())
        tryExec += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Corvane Keyboard\n"
           "Comment=Keeps the keyboard's launch keys and macros working\n"
           "Comment[de]=H\xC3\xA4lt die Startertasten und Makros der Tastatur in Betrieb\n"
           "TryExec=" +
           tryExec +
           "\n"
           "Exec=" +
           *exec +
           "\n"
           // The menu entry's icon; the file keeps the program's name, so entries written by
           // earlier versions are the ones --autostart off removes.
           "Icon=" CORVANE_APP_ID "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

AutostartResult SetAutostart(bool on, const fs::path& program, const fs::path& file)
{
    std::error_code ec;
    if (!on) {
        if (!fs::remove(file, ec) && ec)
            return {false, "cannot remove " + file.string() + ": " + ec.message()};
        return {true, {}};
    }
    if (program.empty()) return {false, "the program cannot find its own path"};
    const std::optional<std::string> entry = AutostartEntry(program);
    if (!entry) return {false, "the program's path cannot be written into " + file.string()};
    fs::create_directories(file.parent_path(), ec);
    if (ec) return {false, "cannot create " + file.parent_path().string() + ": " + ec.message()};
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(entry->data()),
                                              entry->size());
    // What an interrupted write of this entry left goes first; other programs' files stay.
    RemoveStaleTemporaryFiles(file.parent_path(), {file.filename().string()});
    errno = 0;
    if (!WriteFileAtomically(file, {bytes})) {
        const int error = errno;
        return {false, "cannot write " + file.string() +
                           (error != 0 ? std::string(": ") + std::strerror(error) : "")};
    }
    return {true, {}};
}

} // namespace corvane
