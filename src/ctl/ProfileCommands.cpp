// corvanectl profile: the profile panel from the command line. The profile folder "Configure" in
// the data folder keeps the current profile; export writes the settings to a file and makes it
// current, import takes a whole profile file, makes it current and applies it.

#include "ctl/ChangeChecks.h"
#include "ctl/Commands.h"
#include "ctl/Describe.h"
#include "ctl/Json.h"
#include "ctl/Session.h"
#include "device/Firmware.h"
#include "macros/MacroStore.h"
#include "platform/Paths.h"
#include "store/ProfileFolder.h"
#include "store/SettingsFiles.h"

#include <algorithm>
#include <memory>
#include <ostream>

namespace corvane::ctl {

namespace {

constexpr char kUsage[] = "profile list | export FILE | import FILE [--yes]";

// The profile folder with the files an export must never replace, as the panel has it.
ProfileFolder FolderOf(const CommandContext& context)
{
    const std::filesystem::path data = DataFolderOf(context);
    ProfileFolder folder(data / kProfileFolderName);
    folder.SetProgramFiles(
        {data / kKeymapFileName, data / kMacroFileName, ProgramFolder() / kVersionFileName});
    return folder;
}

// Says what a profile step ran into; true when it went through (files may have been moved aside,
// which is told as well).
bool Report(CommandContext& context, const ProfileResult& result)
{
    const std::string text = ProfileResultText(result, TextLanguage::kEnglish);
    if (!text.empty()) context.err << "corvanectl: " << EscapeControls(text) << "\n";
    return result.Done();
}

int ListProfiles(CommandContext& context)
{
    if (!ExpectArguments(context, 1, "profile list")) return kExitUsage;
    ProfileFolder folder = FolderOf(context);
    folder.Scan();
    std::vector<ProfileEntry> entries = folder.Entries();
    const std::filesystem::path current = folder.CurrentProfile();
    // The current profile first; the others in the folder's order.
    std::stable_partition(entries.begin(), entries.end(),
                          [&](const ProfileEntry& entry) { return entry.path == current; });
    if (context.json) {
        JsonWriter json(context.out);
        json.BeginObject().Key("profiles").BeginArray();
        for (const ProfileEntry& entry : entries)
            json.BeginObject()
                .Member("name", entry.name)
                .Member("path", entry.path.string())
                .Member("current", entry.path == current)
                .EndObject();
        json.EndArray().EndObject().Finish();
        return 0;
    }
    for (const ProfileEntry& entry : entries)
        context.out << (entry.path == current ? "* " : "  ") << EscapeControls(entry.name) << "\n";
    return 0;
}

int ExportProfile(CommandContext& context)
{
    if (!ExpectArguments(context, 2, "profile export FILE")) return kExitUsage;
    const std::filesystem::path chosen = context.args[1];
    Session session(context);
    session.HoldKeyboard();
    // The settings as the window holds them: keymap.bin, with the keyboard's own settings over it.
    // keymap.bin is only read here; a missing one is no refusal while the keyboard gives the rest.
    SettingsState& state = session.State();
    const std::filesystem::path keymap = DataFolderOf(context) / kKeymapFileName;
    const FileStatus status = ReadSettingsFileExact(keymap, state.image, state.records);
    if (status.state != FileState::kLoaded && status.state != FileState::kMissing) {
        context.err << "corvanectl: " << EscapeControls(FileStatusReason(status, TextLanguage::kEnglish))
                    << "\ncorvanectl: nothing was exported\n";
        return kExitFile;
    }
    const SyncResult read = session.StartAndRead();
    session.Link().Shutdown();
    if (read == SyncResult::kNoKeyboard) {
        if (status.state == FileState::kMissing) {
            context.err << "corvanectl: no keyboard found and no " << kKeymapFileName
                        << " in the data folder; nothing was exported\n";
            return kExitNoKeyboard;
        }
        context.err << "corvanectl: no keyboard found: exporting " << kKeymapFileName
                    << " as it was last saved\n";
    } else if (read != SyncResult::kOk) {
        return Fail(context, read, "reading the settings", session.Link());
    }
    ProfileFolder folder = FolderOf(context);
    folder.Scan();
    if (!Report(context, folder.Export(chosen, state.image, state.records))) return kExitFile;
    if (context.tellWindow) context.tellWindow();
    context.out << "exported " << EscapeControls(chosen.string()) << "\n";
    return 0;
}

int ImportProfile(CommandContext& context)
{
    if (!ExpectArguments(context, 2, "profile import FILE [--yes]")) return kExitUsage;
    const std::filesystem::path chosen = context.args[1];
    // Everything about the file is checked before the keyboard is touched.
    const ProfileCandidate candidate = ProfileFolder::ReadForImport(chosen);
    if (!candidate.Whole()) {
        ProfileResult refused;
        refused.outcome = ProfileOutcome::kRefused;
        refused.status = candidate.status;
        Report(context, refused);
        return kExitFile;
    }
    if (!IsUsableProfileName(ProfileNameOf(chosen))) {
        ProfileResult badName;
        badName.outcome = ProfileOutcome::kBadName;
        badName.file = chosen.filename();
        Report(context, badName);
        return kExitFile;
    }
    {
        auto fileState = std::make_unique<SettingsState>();
        fileState->image = *candidate.image;
        fileState->records = *candidate.records;
        if (!KeysFitMacroSlots(context, chosen, *fileState)) return kExitFile;
    }
    // Someone else's profile could make a key start a program: the user sees what and decides.
    if (!candidate.launches.empty() && !context.yes) {
        context.err << EscapeControls(LaunchWarningText(candidate.launches, TextLanguage::kEnglish))
                    << "\ncorvanectl: nothing was changed; --yes takes the profile\n";
        return kExitUsage;
    }
    bool fullyDone = true;
    const int code = RunChange(context, "importing " + chosen.string(), [&](ChangeTarget& target) {
        ProfileFolder folder = FolderOf(context);
        folder.Scan();
        const ProfileResult result = folder.Import(candidate, target.state.image, target.state.records);
        fullyDone = Report(context, result);
        // Settings taken are applied even when the folder could not be tidied as wanted.
        return result.settingsTaken ? 0 : kExitFile;
    });
    if (code != 0) return code;
    context.out << "imported " << EscapeControls(chosen.string()) << "\n";
    return fullyDone ? 0 : kExitFile;
}

int RunProfile(CommandContext& context)
{
    const std::string what = context.args.empty() ? std::string() : context.args[0];
    if (what == "list") return ListProfiles(context);
    if (what == "export") return ExportProfile(context);
    if (what == "import") return ImportProfile(context);
    context.err << "usage: corvanectl " << kUsage << "\n";
    return kExitUsage;
}

const CommandRegistrar kProfile{
    {"profile", RunProfile, "list|export|import", "the profile folder: list, export FILE, import FILE"}};

} // namespace

} // namespace corvane::ctl
