// corvanectl macro: list, show, delete and rename the macros of MacroDefine.bin in the data folder,
// by the macro dialog's rules. A deletion reaches the keyboard as the dialog's OK and Apply do; a
// rename changes only the file, since names never reach the keyboard.

#include "ctl/ChangeChecks.h"
#include "ctl/Commands.h"
#include "ctl/Describe.h"
#include "ctl/Json.h"
#include "ctl/Session.h"
#include "files/FileStatus.h"
#include "keys/KeyNames.h"
#include "keys/MacroKeys.h"
#include "macros/MacroStore.h"
#include "text/Utf16.h"

#include <memory>
#include <optional>
#include <ostream>

namespace corvane::ctl {

namespace {

constexpr char kUsage[] = "macro list | show NAME | delete NAME [--yes] | rename OLD NEW";

// MacroDefine.bin as the window would load it, without creating a missing one (which holds no
// macros). A file that cannot be read is refused; one of another size is read as far as it goes.
struct MacroFile
{
    std::filesystem::path path;
    std::unique_ptr<MacroStore> store = std::make_unique<MacroStore>();
    FileStatus status;
    std::size_t bytes = 0;
};

std::optional<MacroFile> ReadMacroFile(CommandContext& context)
{
    MacroFile file;
    file.path = DataFolderOf(context) / kMacroFileName;
    file.status =
        ReadRegularFile(file.path, kMacroStoreSize, {file.store->data(), kMacroStoreSize}, file.bytes);
    if (file.status.state == FileState::kUnreadable || file.status.state == FileState::kNotRegular) {
        context.err << "corvanectl: " << EscapeControls(FileStatusReason(file.status, TextLanguage::kEnglish))
                    << "\n";
        return std::nullopt;
    }
    return file;
}

// For the commands that only show: a file of another size is shown as far as it goes, and the
// exit status says it is damaged.
int ShownWhole(CommandContext& context, const MacroFile& file)
{
    if (file.status.state != FileState::kWrongSize) return 0;
    context.err << "corvanectl: " << EscapeControls(FileStatusReason(file.status, TextLanguage::kEnglish))
                << " Showing what is there.\n";
    return kExitFile;
}

int ListMacros(CommandContext& context)
{
    if (!ExpectArguments(context, 1, "macro list")) return kExitUsage;
    const std::optional<MacroFile> file = ReadMacroFile(context);
    if (!file) return kExitFile;
    const auto macros = CollectMacros(*file->store, file->bytes, StandardKeyCodeTable());
    if (context.json) {
        JsonWriter json(context.out);
        json.BeginObject().Key("macros").BeginArray();
        for (const MacroDescription& macro : macros)
            WriteMacroJson(macro, json, false);
        json.EndArray().EndObject().Finish();
    } else {
        for (const MacroDescription& macro : macros)
            context.out << macro.number << "\t" << EscapeControls(macro.name) << "\t" << macro.repeat << "\t"
                        << macro.events << "\t" << (macro.slot ? "slot" : "no-slot") << "\n";
    }
    return ShownWhole(context, *file);
}

int ShowMacro(CommandContext& context)
{
    if (!ExpectArguments(context, 2, "macro show NAME")) return kExitUsage;
    const std::optional<MacroFile> file = ReadMacroFile(context);
    if (!file) return kExitFile;
    const std::optional<std::size_t> number = FindMacro(context, *file->store, context.args[1]);
    if (!number) return kExitUsage;
    for (const MacroDescription& macro : CollectMacros(*file->store, file->bytes, StandardKeyCodeTable())) {
        if (macro.number != *number) continue;
        if (context.json) {
            JsonWriter json(context.out);
            WriteMacroJson(macro, json, true);
            json.Finish();
        } else {
            PrintMacro(macro, context.out);
        }
    }
    return ShownWhole(context, *file);
}

int DeleteMacro(CommandContext& context)
{
    if (!ExpectArguments(context, 2, "macro delete NAME [--yes]")) return kExitUsage;
    const std::string name = context.args[1];
    {
        // A name the file does not have costs no trip to the keyboard.
        const std::optional<MacroFile> file = ReadMacroFile(context);
        if (!file) return kExitFile;
        if (!FindMacro(context, *file->store, name)) return kExitUsage;
    }
    const int code = RunChange(context, "deleting macro \"" + name + "\"", [&](ChangeTarget& target) {
        const std::optional<std::size_t> number = FindMacro(context, target.macros, name);
        if (!number) return kExitUsage;
        // As the macro dialog asks: keys that play the macro lose it.
        const std::vector<std::size_t> keys = KeysOnMacro(target.state, *number);
        if (!keys.empty() && !context.yes) {
            context.err << "corvanectl: keys playing macro \"" << EscapeControls(name) << "\":";
            for (std::size_t i = 0; i < keys.size(); ++i)
                context.err << (i ? ", " : " ") << SlotName(keys[i], StandardKeyCodeTable());
            context.err
                << "\ncorvanectl: nothing was changed; with --yes the macro is deleted and these keys "
                   "get their own function back\n";
            return kExitUsage;
        }
        MacroNumbering numbering(target.macros.CountInUse());
        if (!DeleteRecord(target.macros, *number)) {
            context.err << "corvanectl: macro " << *number
                        << " lies behind an empty record; nothing was "
                           "changed\n";
            return kExitFile;
        }
        numbering.Deleted(*number);
        ApplyMacroEdits(target.state, target.macros, numbering);
        target.macrosChanged = true;
        return 0;
    });
    if (code == 0) context.out << "deleted macro \"" << EscapeControls(name) << "\"\n";
    return code;
}

int RenameMacro(CommandContext& context)
{
    if (!ExpectArguments(context, 3, "macro rename OLD NEW")) return kExitUsage;
    const std::string& oldName = context.args[1];
    const std::string& newName = context.args[2];
    // The dialog's rules for a name: not empty (an empty one would end the list of macros there)
    // and within the field.
    const std::u16string name = Utf8ToUtf16(newName);
    if (Utf16ToUtf8(name) != newName) {
        context.err << "corvanectl: the new name is not valid UTF-8\n";
        return kExitUsage;
    }
    if (name.empty() || name.size() > kMacroNameMaxLength) {
        context.err << "corvanectl: a macro name has 1 to " << kMacroNameMaxLength << " characters\n";
        return kExitUsage;
    }
    // The keyboard is not needed, but a command that changes the macros holds it from its read to
    // its save: waiting for it keeps its save from undoing this rename.
    Session session(context);
    session.HoldKeyboard();
    std::optional<MacroFile> file = ReadMacroFile(context);
    if (!file) return kExitFile;
    const std::optional<std::size_t> number = FindMacro(context, *file->store, oldName);
    if (!number) return kExitUsage;
    if (newName == oldName) return 0;
    // Macros are named on the command line, so two of one name could no longer be told apart.
    for (std::size_t i = 0; i < kMacroRecordCount; ++i) {
        if ((*file->store)[i].InUse() && (*file->store)[i].Name() == name) {
            context.err << "corvanectl: macro " << i << " is named \"" << EscapeControls(newName)
                        << "\" already\n";
            return kExitUsage;
        }
    }
    // A file the window would keep as it is is never replaced.
    if (!file->status.Replaceable()) {
        context.err << "corvanectl: " << FileStatusText(file->status, TextLanguage::kEnglish)
                    << "\ncorvanectl: nothing was changed\n";
        return kExitFile;
    }
    (*file->store)[*number].SetName(name);
    const SaveStatus saved = SaveMacroStore(file->path, *file->store);
    if (!saved.Saved()) {
        context.err << "corvanectl: " << SaveStatusText(saved, TextLanguage::kEnglish) << "\n";
        return kExitFile;
    }
    if (context.tellWindow) context.tellWindow();
    context.out << "renamed macro " << *number << " to \"" << EscapeControls(newName) << "\"\n";
    return 0;
}

int RunMacro(CommandContext& context)
{
    const std::string what = context.args.empty() ? std::string() : context.args[0];
    if (what == "list") return ListMacros(context);
    if (what == "show") return ShowMacro(context);
    if (what == "delete") return DeleteMacro(context);
    if (what == "rename") return RenameMacro(context);
    context.err << "usage: corvanectl " << kUsage << "\n";
    return kExitUsage;
}

const CommandRegistrar kMacro{{"macro", RunMacro, "list|show|delete|rename",
                               "the macros: list, show NAME, delete NAME, rename OLD NEW"}};

} // namespace

} // namespace corvane::ctl
