#include "keys/DesktopEntry.h"

#include <cstring>
#include <filesystem>
#include <map>

namespace corvane {
namespace {

using Keys = std::map<std::string, std::string, std::less<>>;

std::string_view Trimmed(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The keys of the first "[Desktop Entry]" group.
Keys EntryGroup(std::string_view text)
{
    Keys keys;
    bool inGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = Trimmed(line.substr(0, line.find_last_not_of('\r') + 1));
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            if (inGroup) break;
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        keys[std::string(Trimmed(line.substr(0, equals)))] = std::string(Trimmed(line.substr(equals + 1)));
    }
    return keys;
}

std::string Value(const Keys& keys, std::string_view key)
{
    const auto found = keys.find(key);
    return found == keys.end() ? std::string() : found->second;
}

// The escapes of a string value. Any other backslash stays for the quoting of the Exec line, so
// entries that escape a quote only once still read as meant.
std::string Unescaped(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

// Splits at blanks outside quotes. In double quotes a backslash escapes '"', '`', '$' and '\'; single
// quotes and a backslash outside quotes work as a shell reads them, which many entries rely on.
// Nothing else is interpreted: no variables, no globbing, no redirection.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"') {
            for (++i;; ++i) {
                if (i >= line.size()) return std::nullopt;
                c = line[i];
                if (c == '"') break;
                if (c == '\\' && i + 1 < line.size() && std::strchr("\"`$\\", line[i + 1]) != nullptr)
                    c = line[++i];
                current += c;
            }
        } else if (c == '\'') {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            current.append(line.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '\\' && i + 1 < line.size()) {
            current += line[++i];
        } else {
            current += c;
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

// One argument with its field codes filled in: none, one or (for %i) two arguments; nothing for
// an unknown code.
std::optional<std::vector<std::string>> Expanded(const std::string& arg, const Keys& keys,
                                                 const std::string& entryPath)
{
    if (arg == "%i") {
        const std::string icon = Value(keys, "Icon");
        return icon.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--icon", icon};
    }
    // Codes for the files or URLs to open: the application is started without any.
    constexpr std::string_view kDropped = "fFuUdDnNvmi";
    if (arg.size() == 2 && arg[0] == '%' && kDropped.find(arg[1]) != std::string_view::npos)
        return std::vector<std::string>{};
    std::string out;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        if (arg[i] != '%') {
            out += arg[i];
            continue;
        }
        if (++i == arg.size()) return std::nullopt;
        if (arg[i] == '%')
            out += '%';
        else if (arg[i] == 'c')
            out += Value(keys, "Name");
        else if (arg[i] == 'k')
            out += entryPath;
        else if (kDropped.find(arg[i]) == std::string_view::npos)
            return std::nullopt;
    }
    return std::vector<std::string>{out};
}

} // namespace

std::optional<DesktopCommand> DesktopEntryCommand(std::string_view text, const std::string& entryPath)
{
    const Keys keys = EntryGroup(text);
    if (Value(keys, "Type") != "Application" || Value(keys, "Hidden") == "true") return std::nullopt;
    const std::optional<std::vector<std::string>> split = SplitCommandLine(Unescaped(Value(keys, "Exec")));
    if (!split) return std::nullopt;

    DesktopCommand command;
    if (Value(keys, "Terminal") == "true") command.argv = {"x-terminal-emulator", "-e"};
    const std::size_t programAt = command.argv.size();
    for (const std::string& arg : *split) {
        const std::optional<std::vector<std::string>> expanded = Expanded(arg, keys, entryPath);
        if (!expanded) return std::nullopt;
        command.argv.insert(command.argv.end(), expanded->begin(), expanded->end());
    }
    // A relative program path would depend on the folder it is started in.
    if (command.argv.size() == programAt) return std::nullopt;
    const std::string& program = command.argv[programAt];
    if (program.empty() || (program.find('/') != std::string::npos && program.front() != '/'))
        return std::nullopt;

    const std::string path = Unescaped(Value(keys, "Path"));
    command.workingFolder =
        !path.empty() && path.front() == '/' ? path : std::filesystem::path(entryPath).parent_path().string();
    return command;
}

} // namespace corvane
