#pragma once
// corvanectl's commands. Each command file registers itself with a CommandRegistrar at namespace
// scope, so adding a command needs no edit anywhere else.

#include "device/DeviceIds.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
class Clock;
class HidBackend;
} // namespace corvane

namespace corvane::ctl {

// The options that choose and watch the keyboard.
struct KeyboardOptions
{
    bool emulate = false;
    bool fresh = false; // --emulate=fresh
    bool trace = false;
    std::vector<UsbIdPair> extraIds;
};

struct CommandContext
{
    // After the command name, with the program's options taken out wherever they stood; anything
    // after "--" is kept as it is. Options of a command's own (as --list-keys) stay in.
    std::vector<std::string> args;
    std::optional<std::filesystem::path> dataDir; // --data-dir
    std::ostream& out;
    std::ostream& err;
    // The keyboard to talk to instead of hidapi's (tests); null: hidapi, or the emulator.
    HidBackend* backend = nullptr;
    // The clock the given keyboard runs on (tests: a virtual one); null: the real one.
    Clock* clock = nullptr;
    // Where --emulate keeps the emulated keyboard's memory; empty: a factory-fresh keyboard in
    // memory only, as with --emulate=fresh.
    std::filesystem::path emulatorMemory;
    KeyboardOptions keyboard;
    bool json = false; // --json: one JSON document instead of the text
    bool yes = false;  // --yes: a change that asks first goes ahead
    // Tells a running window that the keyboard or the data folder changed; unset: nobody is told.
    std::function<void()> tellWindow;
};

// The data folder the command works on: --data-dir, else the user's.
std::filesystem::path DataFolderOf(const CommandContext& context);

// Exit codes, the same for every command.
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3; // a file could not be read, or holds what cannot be sent
inline constexpr int kExitNoKeyboard = 4;
inline constexpr int kExitKeyboardFailed = 5; // a transfer failed or was not acknowledged
inline constexpr int kExitNotAccessible = 6;  // the keyboard is there but this user may not open it

// Returns the process exit code.
using CommandFunction = int (*)(CommandContext&);

struct Command
{
    const char* name;
    CommandFunction run;
    const char* usage; // arguments, e.g. "FILE"
    const char* help;  // one line
};

const std::vector<Command>& RegisteredCommands();

// What RunCorvanectl is given besides the command line.
struct CtlEnvironment
{
    HidBackend* backend = nullptr;
    Clock* clock = nullptr;
    std::filesystem::path emulatorMemory;
    std::function<void()> tellWindow;
};

// The whole command line (without the program name); returns the exit code.
int RunCorvanectl(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                  const CtlEnvironment& environment);
int RunCorvanectl(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                  HidBackend* backend, Clock* clock = nullptr,
                  const std::filesystem::path& emulatorMemory = {});

struct CommandRegistrar
{
    explicit CommandRegistrar(const Command& command);
};

} // namespace corvane::ctl
