#include "ctl/Session.h"

#include "ctl/Describe.h"
#include "emulator/EmulatorMemory.h"
#include "emulator/KeyboardEmulator.h"
#include "files/FileStatus.h"
#include "macros/MacroStore.h"
#include "platform/HidapiBackend.h"
#include "store/SettingsFiles.h"

#include <cctype>
#include <iostream>

namespace corvane::ctl {

Session::Session(CommandContext& context) : context_(context)
{
    const KeyboardOptions& options = context.keyboard;
    if (context.backend != nullptr) {
        backend_ = context.backend;
        clock_ = context.clock != nullptr ? context.clock : &systemClock_;
    } else if (options.emulate) {
        virtualClock_ = std::make_unique<VirtualClock>();
        emulator_ = std::make_unique<KeyboardEmulator>(*virtualClock_);
        backend_ = emulator_.get();
        clock_ = virtualClock_.get();
        // The emulated keyboard remembers what earlier commands sent it.
        if (!options.fresh && !context.emulatorMemory.empty()) {
            memory_ = std::make_unique<SharedEmulatorMemory>(
                *emulator_, context.emulatorMemory,
                [&err = context.err](const std::string& text) { err << "corvanectl: " << text << "\n"; });
            emulator_->SetKeyboardLock(memory_.get());
        }
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
    linkOptions.waitingForKeyboard = [&err = context.err] {
        err << "corvanectl: waiting for another program using the keyboard\n";
        err.flush();
    };
    link_ = std::make_unique<DeviceLink>(*backend_, *clock_, events_, std::move(linkOptions));
}

Session::~Session()
{
    link_.reset();
    // The emulated keyboard's memory is written when the last hold ends.
    hold_ = KeyboardLockHold();
    if (emulator_) emulator_->SetKeyboardLock(nullptr);
}

void Session::HoldKeyboard()
{
    const auto found = FindKeyboardInterfaceIn(*backend_, context_.keyboard.extraIds, kCommandInterface);
    if (!found) return;
    hold_ = KeyboardLockHold(backend_->LockFor(found->path), [&err = context_.err] {
        err << "corvanectl: waiting for another program using the keyboard\n";
        err.flush();
    });
}

SyncResult Session::StartAndRead()
{
    RestampDefaultKeyOrder(state_->records);
    return link_->ReadSettings(*state_);
}

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

bool ExpectArguments(CommandContext& context, std::size_t count, const char* usage)
{
    if (context.args.size() == count) return true;
    context.err << "usage: corvanectl " << usage << "\n";
    return false;
}

namespace {

// A file of the data folder that is kept as it is (damaged, of another size, not writable) is
// never replaced by a command: the user decides about it in the window.
bool Usable(CommandContext& context, const FileStatus& status)
{
    if (status.Replaceable()) return true;
    context.err << "corvanectl: " << FileStatusText(status, TextLanguage::kEnglish)
                << "\ncorvanectl: nothing was changed\n";
    return false;
}

bool Saved(CommandContext& context, const SaveStatus& status, const std::filesystem::path& file)
{
    if (status.Saved()) return true;
    context.err << "corvanectl: " << EscapeControls(file.string())
                << " was not saved: " << FileErrorText(status.error, TextLanguage::kEnglish) << "\n";
    return false;
}

} // namespace

int RunChange(CommandContext& context, const std::string& doing,
              const std::function<int(ChangeTarget&)>& change, const SendFunction& send)
{
    Session session(context);
    session.HoldKeyboard();
    const std::filesystem::path folder = DataFolderOf(context);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path keymap = folder / kKeymapFileName;
    const std::filesystem::path macroFile = folder / kMacroFileName;
    auto macros = std::make_unique<MacroStore>();
    SettingsState& state = session.State();
    if (!Usable(context, LoadMacroStore(macroFile, *macros)) ||
        !Usable(context, LoadKeymap(keymap, state, KeymapLoadMode::kFull)))
        return kExitFile;

    SyncResult result = session.StartAndRead();
    if (result != SyncResult::kOk) return Fail(context, result, "reading the settings", session.Link());
    ChangeTarget target{state, *macros};
    if (const int code = change(target); code != 0) return code;
    result = send ? send(session.Link(), state) : session.Link().Apply(state);
    session.Link().Shutdown();
    // As the window's Apply: the files hold the change even when the keyboard did not take all of it.
    const bool saved =
        (!target.macrosChanged || Saved(context, SaveMacroStore(macroFile, *macros), macroFile)) &&
        Saved(context, SaveKeymap(keymap, state), keymap);
    if (context.tellWindow) context.tellWindow();
    if (result != SyncResult::kOk) return Fail(context, result, doing, session.Link());
    return saved ? 0 : kExitFile;
}

} // namespace corvane::ctl
