// corvanectl's command line: options, the command table and the dispatch.

#include "ctl/Commands.h"

#include "platform/Paths.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iostream>
#include <string_view>

namespace corvane::ctl {

namespace {

std::vector<Command>& Registry()
{
    static std::vector<Command> commands;
    return commands;
}

void PrintUsage(std::ostream& out)
{
    out << "usage: corvanectl [OPTIONS] COMMAND [ARGS]   (options may stand anywhere)\n\ncommands:\n";
    std::size_t width = 0;
    for (const Command& c : RegisteredCommands())
        width = std::max(width, std::strlen(c.name) + 1 + std::strlen(c.usage));
    for (const Command& c : RegisteredCommands()) {
        std::string head = std::string(c.name) + (*c.usage ? " " : "") + c.usage;
        out << "  " << head << std::string(width + 2 - head.size(), ' ') << c.help << "\n";
    }
    out << "\noptions:\n"
           "  --data-dir DIR             use DIR instead of the data folder\n"
           "  --emulate                  talk to the built-in keyboard emulator (device commands); it keeps\n"
           "                             its settings between commands, as a keyboard does\n"
           "  --emulate=fresh            the same, starting from a factory-fresh emulated keyboard that\n"
           "                             forgets its settings when the command ends\n"
           "  --trace                    print every report on both channels to stderr, one line each\n"
           "  --device-ids VID:PID[,...] accept further USB ID pairs (hex) as the keyboard\n"
           "  --json                     print one JSON document (read, describe, info, macro list/show,\n"
           "                             profile list)\n"
           "  --yes                      go ahead with a change that would otherwise only be listed\n"
           "  --version                  print the program's version\n"
           "  --                         what follows is no option, even when it starts with --\n"
           "\nexit codes: 0 done, 2 usage, 3 file not readable or not usable, 4 no keyboard found (or in\n"
           "            update mode), 5 keyboard failed, 6 keyboard not accessible (udev rule missing)\n";
}

} // namespace

const std::vector<Command>& RegisteredCommands()
{
    auto& commands = Registry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    return commands;
}

CommandRegistrar::CommandRegistrar(const Command& command)
{
    Registry().push_back(command);
}

std::filesystem::path DataFolderOf(const CommandContext& context)
{
    return context.dataDir ? *context.dataDir : DefaultDataFolder();
}

namespace {

std::optional<std::uint16_t> ParseHex16(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool ParseDeviceIds(std::string_view list, std::vector<UsbIdPair>& ids)
{
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view pair = list.substr(0, comma);
        const std::size_t colon = pair.find(':');
        if (colon == std::string_view::npos) return false;
        const auto vendor = ParseHex16(pair.substr(0, colon));
        const auto product = ParseHex16(pair.substr(colon + 1));
        if (!vendor || !product) return false;
        ids.push_back({*vendor, *product});
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return !ids.empty();
}

// An option that takes a value, as "--name VALUE" or "--name=VALUE"; nothing when `arg` is not it.
// Sets `missing` when the value is not there.
std::optional<std::string> OptionValue(const std::vector<std::string>& argv, std::size_t& i,
                                       std::string_view name, bool& missing)
{
    const std::string_view arg = argv[i];
    if (arg == name) {
        if (i + 1 >= argv.size()) {
            missing = true;
            return std::string();
        }
        return argv[++i];
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=')
        return std::string(arg.substr(name.size() + 1));
    return std::nullopt;
}

} // namespace

int RunCorvanectl(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                  const CtlEnvironment& environment)
{
    std::vector<std::string> args;
    CommandContext context{{},
                           {},
                           out,
                           err,
                           environment.backend,
                           environment.clock,
                           environment.emulatorMemory,
                           {},
                           false,
                           false,
                           environment.tellWindow};
    bool version = false;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            args.insert(args.end(), argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
            break;
        }
        bool missing = false;
        if (const auto dir = OptionValue(argv, i, "--data-dir", missing)) {
            if (missing || dir->empty()) {
                err << "corvanectl: --data-dir needs a folder\n";
                return kExitUsage;
            }
            context.dataDir = *dir;
        } else if (const auto ids = OptionValue(argv, i, "--device-ids", missing)) {
            if (missing || !ParseDeviceIds(*ids, context.keyboard.extraIds)) {
                err << "corvanectl: bad --device-ids value '" << *ids << "' (expected VID:PID in hex)\n";
                return kExitUsage;
            }
        } else if (arg == "--emulate" || arg == "--emulate=fresh") {
            context.keyboard.emulate = true;
            context.keyboard.fresh = arg != "--emulate";
        } else if (arg == "--trace") {
            context.keyboard.trace = true;
        } else if (arg == "--json") {
            context.json = true;
        } else if (arg == "--yes" || arg == "-y") {
            context.yes = true;
        } else if (arg == "--version") {
            version = true;
        } else {
            args.emplace_back(arg);
        }
    }
    if (version) {
        out << "corvanectl " << CORVANE_VERSION << "\n";
        return 0;
    }
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(args.empty() ? err : out);
        return args.empty() ? kExitUsage : 0;
    }
    for (const Command& command : RegisteredCommands()) {
        if (args[0] != command.name) continue;
        context.args.assign(args.begin() + 1, args.end());
        return command.run(context);
    }
    err << "corvanectl: unknown command '" << args[0] << "'\n";
    PrintUsage(err);
    return kExitUsage;
}

int RunCorvanectl(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                  HidBackend* backend, Clock* clock, const std::filesystem::path& emulatorMemory)
{
    return RunCorvanectl(argv, out, err, CtlEnvironment{backend, clock, emulatorMemory, {}});
}

} // namespace corvane::ctl
