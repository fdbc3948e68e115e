// corvanectl's keyboard commands: info, read, apply FILE, reset. They run against the keyboard
// found through hidapi, or against the emulated keyboard with --emulate.
//
// Options (before or after the command):
//   --emulate                 talk to the emulated keyboard instead of a real one; it keeps its
//                             memory in a file between commands
//   --emulate=fresh           a factory-fresh emulated keyboard that keeps nothing
//   --trace                   print every report on both channels to stderr, one line each
//   --device-ids VID:PID[,…]  accept further ID pairs (hex) for variants of the keyboard

#include "ctl/Commands.h"
#include "ctl/Describe.h"
#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "device/KeyCodeTable.h"
#include "device/SettingsState.h"
#include "emulator/EmulatorMemory.h"
#include "emulator/KeyboardEmulator.h"
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

struct DeviceOptions
{
    bool emulate = false;
    bool fresh = false; // --emulate=fresh
    bool trace = false;
    std::vector<UsbIdPair> extraIds;
    std::vector<std::string> rest; // arguments that are not device options
};

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

std::optional<DeviceOptions> ParseOptions(CommandContext& context)
{
    DeviceOptions options;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        if (arg == "--emulate" || arg == "--emulate=fresh") {
            options.emulate = true;
            options.fresh = arg != "--emulate";
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--device-ids" || arg.starts_with("--device-ids=")) {
            std::string value;
            if (arg == "--device-ids") {
                if (i + 1 >= context.args.size()) {
                    context.err << "corvanectl: --device-ids needs VID:PID[,VID:PID...]\n";
                    return std::nullopt;
                }
                value = context.args[++i];
            } else {
                value = arg.substr(std::string_view("--device-ids=").size());
            }
            if (!ParseDeviceIds(value, options.extraIds)) {
                context.err << "corvanectl: bad --device-ids value '" << value
                            << "' (expected VID:PID in hex)\n";
                return std::nullopt;
            }
        } else {
            options.rest.push_back(arg);
        }
    }
    return options;
}

// A link to the real or the emulated keyboard, torn down in the right order.
class Session
{
public:
    Session(const DeviceOptions& options, CommandContext& context) : err_(context.err)
    {
        if (context.backend != nullptr) {
            backend_ = context.backend;
            clock_ = context.clock != nullptr ? context.clock : &systemClock_;
        } else if (options.emulate) {
            virtualClock_ = std::make_unique<VirtualClock>();
            emulator_ = std::make_unique<KeyboardEmulator>(*virtualClock_);
            backend_ = emulator_.get();
            clock_ = virtualClock_.get();
            if (!options.fresh && !context.emulatorMemory.empty()) OpenMemory(context.emulatorMemory);
        } else {
            hidapi_ = std::make_unique<HidapiBackend>();
            backend_ = hidapi_.get();
            clock_ = &systemClock_;
        }
        DeviceLinkOptions linkOptions;
        linkOptions.extraDeviceIds = options.extraIds;
        if (options.trace)
            linkOptions.trace = [&traceOut = context.err](const TraceRecord& record) {
                traceOut << FormatTraceRecord(record) << "\n";
            };
        link_ = std::make_unique<DeviceLink>(*backend_, *clock_, events_, std::move(linkOptions));
    }
    ~Session()
    {
        link_.reset();
        if (!memory_ || MemoryOf(*emulator_) == loaded_) return;
        if (!memory_->Save(*emulator_))
            err_ << "corvanectl: the emulated keyboard's memory could not be saved to " << memory_->File()
                 << ": " << FileErrorText(errno, TextLanguage::kEnglish) << "\n";
    }

    DeviceLink& Link() { return *link_; }
    SettingsState& State() { return *state_; }

    // Opens both channels and reads every setting, as the program's start does.
    SyncResult StartAndRead()
    {
        RestampDefaultKeyOrder(state_->records);
        return link_->ReadSettings(*state_);
    }

private:
    // The emulated keyboard remembers what earlier commands sent it; this command has it to
    // itself until it ends.
    void OpenMemory(const std::filesystem::path& file)
    {
        memory_ = std::make_unique<EmulatorMemoryFile>(file);
        const bool locked = memory_->Lock([this] {
            err_ << "corvanectl: waiting for another program using the emulated keyboard\n";
            err_.flush();
        });
        if (!locked) {
            err_ << "corvanectl: the emulated keyboard's memory " << file
                 << " cannot be locked: " << FileErrorText(errno, TextLanguage::kEnglish)
                 << "; using a factory-fresh keyboard\n";
            memory_.reset();
            return;
        }
        using Outcome = EmulatorMemoryFile::LoadOutcome;
        const Outcome outcome = memory_->LoadInto(*emulator_);
        if (outcome == Outcome::kDamaged || outcome == Outcome::kUnreadable)
            err_ << "corvanectl: the emulated keyboard's memory " << file
                 << " cannot be read; starting from the factory settings\n";
        if (outcome == Outcome::kUnreadable) memory_.reset(); // never write over what could not be read
        loaded_ = MemoryOf(*emulator_);
    }

    std::ostream& err_;
    std::unique_ptr<EmulatorMemoryFile> memory_;
    EmulatedMemory loaded_;
    SystemClock systemClock_;
    std::unique_ptr<VirtualClock> virtualClock_;
    std::unique_ptr<KeyboardEmulator> emulator_;
    std::unique_ptr<HidapiBackend> hidapi_;
    HidBackend* backend_ = nullptr;
    Clock* clock_ = nullptr;
    // Everything corvanectl needs it waits for itself; the link's events are not needed.
    IgnoreLinkEvents events_;
    std::unique_ptr<SettingsState> state_ = std::make_unique<SettingsState>();
    std::unique_ptr<DeviceLink> link_;
};

int Fail(CommandContext& context, SyncResult result, const std::string& doing, const DeviceLink& link)
{
    if (result == SyncResult::kNoKeyboard) {
        const AccessProblem& problem = link.Access();
        const KeyboardAccess access =
            problem.access == KeyboardAccess::kReady ? KeyboardAccess::kNoKeyboard : problem.access;
        // The window's notice, in the command line's lower-case style.
        std::string notice =
            access == KeyboardAccess::kNoKeyboard ? "no keyboard found" : AccessNotice(access).english;
        notice[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(notice[0])));
        context.err << "corvanectl: " << notice;
        if (!problem.detail.empty()) context.err << " (" << problem.detail << ")";
        context.err << "\n";
        if (access == KeyboardAccess::kNotAccessible) {
            context.err << UdevRuleHelp().english << "\n";
            return kExitNotAccessible;
        }
        return kExitNoKeyboard;
    }
    context.err << "corvanectl: " << doing << ": " << SyncResultText(result) << "\n";
    return kExitKeyboardFailed;
}

bool ExpectArguments(CommandContext& context, const DeviceOptions& options, std::size_t count,
                     const char* usage)
{
    if (options.rest.size() == count) return true;
    context.err << "usage: corvanectl " << usage << "\n";
    return false;
}

int RunInfo(CommandContext& context)
{
    const auto options = ParseOptions(context);
    if (!options) return kExitUsage;
    if (!ExpectArguments(context, *options, 0, "info [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    Session session(*options, context);
    DeviceLink& link = session.Link();
    if (!link.OpenForQueries()) return Fail(context, SyncResult::kNoKeyboard, "info", link);
    FirmwareVersion version;
    const SyncResult result = link.QueryFirmwareVersion(version);
    if (result != SyncResult::kOk) return Fail(context, result, "reading the firmware version", link);
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", link.DeviceIds().vendorId, link.DeviceIds().productId);
    context.out << "keyboard: " << ids << "\n"
                << "path: " << link.DevicePath() << "\n"
                << "firmware: " << int{version.major} << "." << int{version.minor} << "\n";
    return 0;
}

int RunRead(CommandContext& context)
{
    const auto options = ParseOptions(context);
    if (!options) return kExitUsage;
    if (!ExpectArguments(context, *options, 0, "read [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    Session session(*options, context);
    const SyncResult result = session.StartAndRead();
    session.Link().Shutdown();
    if (result != SyncResult::kOk) return Fail(context, result, "reading the settings", session.Link());
    DescribeSettings(session.State().image, session.State().records, kSettingsFileSize, nullptr,
                     StandardKeyCodeTable(), context.out);
    return 0;
}

int RunApply(CommandContext& context)
{
    const auto options = ParseOptions(context);
    if (!options) return kExitUsage;
    if (!ExpectArguments(context, *options, 1, "apply FILE [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    const std::filesystem::path file = options->rest[0];
    // Read the file first so a bad name costs no trip to the keyboard. Only a whole settings file
    // is sent: anything shorter or longer would leave the keyboard with zeros.
    auto fileState = std::make_unique<SettingsState>();
    const FileStatus status = ReadSettingsFileExact(file, fileState->image, fileState->records);
    if (status.state != FileState::kLoaded) {
        context.err << "corvanectl: " << FileStatusReason(status, TextLanguage::kEnglish) << "\n";
        return kExitFile;
    }
    // The keyboard would play whatever lies beyond its slots for such a key.
    if (const auto keys = KeysOnMacrosWithoutSlot(*fileState); !keys.empty()) {
        context.err << "corvanectl: " << EscapeControls(file.string()) << ": the keyboard has "
                    << img::kMacroSlotCount << " macro slots (0-" << img::kMacroSlotCount - 1
                    << "), but these keys play a macro beyond them:";
        for (std::size_t i = 0; i < keys.size(); ++i)
            context.err << (i ? ", " : " ") << SlotName(keys[i].slot, StandardKeyCodeTable()) << " (macro "
                        << int{keys[i].macro} << ")";
        context.err << "; nothing was sent\n";
        return kExitFile;
    }
    Session session(*options, context);
    SyncResult result = session.StartAndRead();
    if (result != SyncResult::kOk) return Fail(context, result, "reading the settings", session.Link());
    // Only the regions the keyboard holds come from the file; they go out where they differ.
    CopyDeviceRegions(fileState->image, session.State().image);
    session.State().records = fileState->records;
    result = session.Link().Apply(session.State());
    session.Link().Shutdown();
    if (result != SyncResult::kOk) return Fail(context, result, "applying " + file.string(), session.Link());
    context.out << "applied " << file.string() << "\n";
    return 0;
}

int RunReset(CommandContext& context)
{
    const auto options = ParseOptions(context);
    if (!options) return kExitUsage;
    if (!ExpectArguments(context, *options, 0, "reset [--emulate] [--trace] [--device-ids VID:PID,...]"))
        return kExitUsage;
    Session session(*options, context);
    SyncResult result = session.StartAndRead();
    if (result != SyncResult::kOk) return Fail(context, result, "reading the settings", session.Link());
    result = session.Link().FactoryReset(session.State());
    session.Link().Shutdown();
    if (result != SyncResult::kOk) return Fail(context, result, "factory reset", session.Link());
    context.out << "keyboard reset to factory settings\n";
    return 0;
}

const CommandRegistrar kInfo{
    {"info", RunInfo, "[--emulate]", "show the keyboard's USB IDs and firmware version"}};
const CommandRegistrar kRead{{"read", RunRead, "[--emulate]", "print the keyboard's settings"}};
const CommandRegistrar kApply{
    {"apply", RunApply, "FILE [--emulate]", "send a keymap.bin or profile to the keyboard"}};
const CommandRegistrar kReset{
    {"reset", RunReset, "[--emulate]", "return the keyboard to its factory settings"}};

} // namespace

} // namespace corvane::ctl
