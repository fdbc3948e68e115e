#pragma once
// A command's link to the keyboard (the real one through hidapi, or the emulated one), and the
// common shape of every command that changes it: read, change, send, save, tell the window.

#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "device/KeyboardLock.h"
#include "device/SettingsState.h"

#include <functional>
#include <memory>
#include <string>

namespace corvane {
class KeyboardEmulator;
class SharedEmulatorMemory;
class HidapiBackend;
struct MacroStore;
} // namespace corvane

namespace corvane::ctl {

class Session
{
public:
    explicit Session(CommandContext& context);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Keeps other programs off the keyboard until the session ends, saying so when it has to
    // wait. Nothing to hold when no keyboard is found (the read then says so).
    void HoldKeyboard();

    DeviceLink& Link() { return *link_; }
    SettingsState& State() { return *state_; }

    // Opens both channels and reads every setting, as the program's start does.
    SyncResult StartAndRead();

private:
    CommandContext& context_;
    SystemClock systemClock_;
    std::unique_ptr<VirtualClock> virtualClock_;
    std::unique_ptr<KeyboardEmulator> emulator_;
    std::unique_ptr<SharedEmulatorMemory> memory_;
    std::unique_ptr<HidapiBackend> hidapi_;
    HidBackend* backend_ = nullptr;
    Clock* clock_ = nullptr;
    // Everything corvanectl needs it waits for itself; the link's events are not needed.
    IgnoreLinkEvents events_;
    std::unique_ptr<SettingsState> state_ = std::make_unique<SettingsState>();
    std::unique_ptr<DeviceLink> link_;
    KeyboardLockHold hold_;
};

// The exit code and message for a keyboard that could not be used or failed.
int Fail(CommandContext& context, SyncResult result, const std::string& doing, const DeviceLink& link);

// Usage line for a wrong number of arguments; false when the count is wrong.
bool ExpectArguments(CommandContext& context, std::size_t count, const char* usage);

// What a change may touch: the settings as the window holds them (keymap.bin under the keyboard's
// own settings) and the macro store (MacroDefine.bin).
struct ChangeTarget
{
    SettingsState& state;
    MacroStore& macros;
    bool macrosChanged = false; // set by a change that edits the store
};

// The window's Apply, from the command line: holds the keyboard, loads keymap.bin and
// MacroDefine.bin from the data folder, reads the keyboard, lets `change` edit (it returns 0, or
// an exit code after saying why: then nothing is sent or saved), sends what differs, saves
// keymap.bin (and MacroDefine.bin when the store changed) as the window does, and tells a running
// window. `doing` names the change in messages ("setting brightness"). `send` replaces the
// Apply (the factory reset).
using SendFunction = std::function<SyncResult(DeviceLink&, SettingsState&)>;
int RunChange(CommandContext& context, const std::string& doing,
              const std::function<int(ChangeTarget&)>& change, const SendFunction& send = {});

} // namespace corvane::ctl
