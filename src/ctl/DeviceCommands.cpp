// corvanectl's keyboard commands: info, read, apply FILE, reset. They run against the keyboard
// found through hidapi, or against the emulated keyboard with --emulate.
//
// Options (before or after the command):
//   --emulate                 talk to the emulated keyboard instead of a real one; it keeps its
//                             memory in a file between commands
//   --emulate=fresh           a factory-fresh emulated keyboard that keeps nothing
//   --trace                   print every report on both channels to stderr, one line each
//   --device-ids VID:PID[,…]  accept further ID pairs (hex) for variants of the keyboard

#include "ctl/ChangeChecks.h"
#include "ctl/Commands.h"
#include "ctl/Describe.h"
#include "ctl/Json.h"
#include "ctl/Session.h"
#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "device/SettingsState.h"
#include "emulator/EmulatorMemory.h"
#include "emulator/KeyboardEmulator.h"
#include "format/KeyCodeTable.h"
#include "keys/KeyNames.h"
#include "keys/MacroKeys.h"
#include "platform/HidapiBackend.h"
#include "store/SettingsFiles.h"

#include <cctype>
#include <charconv>
#include <iostream>
#include <memory>
#include <sstream>

namespace corvane::ctl {

namespace {

int RunInfo(CommandContext& context)
{
    if (!ExpectArguments(context, 0, "info [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    Session session(context);
    session.HoldKeyboard();
    DeviceLink& link = session.Link();
    if (!link.OpenForQueries()) return Fail(context, SyncResult::kNoKeyboard, "info", link);
    FirmwareVersion version;
    const SyncResult result = link.QueryFirmwareVersion(version);
    if (result != SyncResult::kOk) return Fail(context, result, "reading the firmware version", link);
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", link.DeviceIds().vendorId, link.DeviceIds().productId);
    if (context.json) {
        JsonWriter json(context.out);
        json.BeginObject()
            .Member("keyboard", ids)
            .Member("vendor_id", link.DeviceIds().vendorId)
            .Member("product_id", link.DeviceIds().productId)
            .Member("path", link.DevicePath())
            .Member("firmware", std::to_string(version.major) + "." + std::to_string(version.minor))
            .Member("firmware_major", version.major)
            .Member("firmware_minor", version.minor)
            .EndObject()
            .Finish();
        return 0;
    }
    context.out << "keyboard: " << ids << "\n"
                << "path: " << link.DevicePath() << "\n"
                << "firmware: " << int{version.major} << "." << int{version.minor} << "\n";
    return 0;
}

int RunRead(CommandContext& context)
{
    if (!ExpectArguments(context, 0, "read [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    Session session(context);
    session.HoldKeyboard();
    const SyncResult result = session.StartAndRead();
    session.Link().Shutdown();
    if (result != SyncResult::kOk) return Fail(context, result, "reading the settings", session.Link());
    if (!context.json) {
        DescribeSettings(session.State().image, session.State().records, kSettingsFileSize, nullptr,
                         StandardKeyCodeTable(), context.out);
        return 0;
    }
    JsonWriter json(context.out);
    json.BeginObject();
    WriteSettingsJson(CollectSettings(session.State().image, session.State().records, kSettingsFileSize,
                                      nullptr, StandardKeyCodeTable(), KeepText),
                      json);
    json.EndObject().Finish();
    return 0;
}

int RunApply(CommandContext& context)
{
    if (!ExpectArguments(context, 1, "apply FILE [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    const std::filesystem::path file = context.args[0];
    // Read the file first so a bad name costs no trip to the keyboard. Only a whole settings file
    // is sent: anything shorter or longer would leave the keyboard with zeros.
    auto fileState = std::make_unique<SettingsState>();
    const FileStatus status = ReadSettingsFileExact(file, fileState->image, fileState->records);
    if (status.state != FileState::kLoaded) {
        context.err << "corvanectl: " << FileStatusReason(status, TextLanguage::kEnglish) << "\n";
        return kExitFile;
    }
    // The keyboard would play whatever lies beyond its slots for such a key.
    if (!KeysFitMacroSlots(context, file, *fileState)) return kExitFile;
    const int code = RunChange(context, "applying " + file.string(), [&](ChangeTarget& target) {
        // Only the regions the keyboard holds come from the file; they go out where they differ.
        CopyDeviceRegions(fileState->image, target.state.image);
        target.state.records = fileState->records;
        return 0;
    });
    if (code == 0) context.out << "applied " << file.string() << "\n";
    return code;
}

int RunReset(CommandContext& context)
{
    if (!ExpectArguments(context, 0, "reset [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    const int code = RunChange(
        context, "factory reset", [](ChangeTarget&) { return 0; },
        [](DeviceLink& link, SettingsState& state) { return link.FactoryReset(state); });
    if (code == 0) context.out << "keyboard reset to factory settings\n";
    return code;
}

const CommandRegistrar kInfo{{"info", RunInfo, "", "show the keyboard's USB IDs and firmware version"}};
const CommandRegistrar kRead{{"read", RunRead, "", "print the keyboard's settings"}};
const CommandRegistrar kApply{{"apply", RunApply, "FILE", "send a keymap.bin or profile to the keyboard"}};
const CommandRegistrar kReset{{"reset", RunReset, "", "return the keyboard to its factory settings"}};

} // namespace

} // namespace corvane::ctl
