// corvanectl's command line: options, the command table and the dispatch.

#include "ctl/Commands.h"

#include <algorithm>
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
    out << "usage: corvanectl [--data-dir DIR] COMMAND [ARGS]\n\ncommands:\n";
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

int RunCorvanectl(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                  HidBackend* backend, Clock* clock, const std::filesystem::path& emulatorMemory)
{
    std::vector<std::string> args;
    std::optional<std::filesystem::path> dataDir;
    std::vector<std::string> leading;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--data-dir") {
            if (i + 1 >= argv.size()) {
                err << "corvanectl: --data-dir needs a folder\n";
                return kExitUsage;
            }
            dataDir = argv[++i];
        } else if (arg.starts_with("--data-dir=")) {
            dataDir = std::string(arg.substr(std::strlen("--data-dir=")));
        } else if (args.empty() &&
                   (arg.starts_with("--emulate") || arg == "--trace" || arg.starts_with("--device-ids"))) {
            // Keyboard options may stand before the command; the keyboard commands read them.
            leading.emplace_back(arg);
            if (arg == "--device-ids" && i + 1 < argv.size()) leading.emplace_back(argv[++i]);
        } else {
            args.emplace_back(arg);
        }
    }
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(args.empty() ? err : out);
        return args.empty() ? kExitUsage : 0;
    }
    for (const Command& command : RegisteredCommands()) {
        if (args[0] != command.name) continue;
        CommandContext context{
            {args.begin() + 1, args.end()}, dataDir, out, err, backend, clock, emulatorMemory};
        context.args.insert(context.args.end(), leading.begin(), leading.end());
        return command.run(context);
    }
    err << "corvanectl: unknown command '" << args[0] << "'\n";
    PrintUsage(err);
    return kExitUsage;
}

} // namespace corvane::ctl
