// corvanectl assign KEY FUNCTION: the key dialog from the command line. The command fills the
// dialog's AssignmentResult as its pages do and hands it to the same encoding the keyboard view
// uses after Save; everything that can be checked without the keyboard is checked first.

#include "ctl/ChangeChecks.h"
#include "ctl/Commands.h"
#include "ctl/Describe.h"
#include "ctl/Session.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "keys/KeyCapture.h"
#include "keys/KeyNames.h"
#include "keys/NamedFunctionTable.h"
#include "macros/MacroStore.h"
#include "text/Letters.h"
#include "text/Utf16.h"

#include <array>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ctl {

namespace {

constexpr const char* kUsage =
    "usage: corvanectl assign KEY FUNCTION   (FUNCTION: key NAME | combo K1+K2[+K3] | macro NAME |\n"
    "       function NAME | launch music|program|file|folder PATH | disable | default)\n"
    "       corvanectl assign --list-keys | --list-functions\n";

constexpr std::size_t kMostCombinationKeys = 3;

std::string Joined(const std::vector<std::string>& words, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < words.size(); ++i)
        text += (i > from ? " " : "") + words[i];
    return text;
}

// Key names joined by "+"; a name may hold a "+" itself ("Num +"), so every split is tried.
bool SplitCombination(std::string_view text, const KeyCodeTable& codes, std::vector<std::uint8_t>& keys)
{
    if (text.empty()) return false;
    for (std::size_t end = 1; end <= text.size(); ++end) {
        if (end < text.size() && text[end] != '+') continue;
        const auto code = KeyCodeOfName(text.substr(0, end), codes);
        if (!code) continue;
        keys.push_back(*code);
        if (end == text.size() || SplitCombination(text.substr(end + 1), codes, keys)) return true;
        keys.pop_back();
    }
    return false;
}

// The first "+"-separated piece that names no key, for the message.
std::string UnknownPiece(std::string_view text, const KeyCodeTable& codes)
{
    while (true) {
        const std::size_t plus = text.find('+');
        const std::string_view piece = text.substr(0, plus);
        if (!KeyCodeOfName(piece, codes)) return std::string(piece);
        if (plus == std::string_view::npos) return std::string(text);
        text.remove_prefix(plus + 1);
    }
}

struct Request
{
    AssignmentResult result;
    std::string macroName; // a macro, found in MacroDefine.bin once it is loaded
};

// Fills the request as the key dialog's pages would; the problem when the line cannot be taken.
std::optional<std::string> ParseFunction(const std::vector<std::string>& args, Request& request)
{
    const KeyCodeTable& codes = StandardKeyCodeTable();
    AssignmentResult& result = request.result;
    const std::string& form = args[1];
    const std::string rest = Joined(args, 2);
    const auto noMore = [&]() -> std::optional<std::string> {
        if (args.size() > 2) return "'" + form + "' takes nothing after it";
        return std::nullopt;
    };
    if (SameLetters(form, "key")) {
        if (rest.empty()) return "key needs a key name";
        const auto code = KeyCodeOfName(rest, codes);
        if (!code) return "unknown key '" + rest + "'";
        result.kind = KeyFunctionKind::kSingleKey;
        if (!CaptureKey(result, *code, codes))
            return "'" + rest + "' cannot be assigned: the keyboard has no code for it";
        SaveKeyPage(result, codes);
        return std::nullopt;
    }
    if (SameLetters(form, "combo")) {
        if (rest.empty()) return "combo needs 2 or 3 key names joined by '+'";
        std::vector<std::uint8_t> keys;
        if (!SplitCombination(rest, codes, keys))
            return "unknown key '" + UnknownPiece(rest, codes) + "' in '" + rest + "'";
        if (keys.size() < 2 || keys.size() > kMostCombinationKeys)
            return "a combination has 2 or 3 keys, '" + rest + "' has " + std::to_string(keys.size());
        result.kind = KeyFunctionKind::kCombination;
        for (std::uint8_t key : keys)
            if (!CaptureKey(result, key, codes))
                return "'" + DistinctKeyCodeName(key, codes) +
                       "' cannot be assigned: the keyboard has no code for it";
        // A media key starts a combination of its own: the keys given are not held together.
        if (static_cast<std::size_t>(result.count) != keys.size())
            return "a media key works only alone: give it with 'key' or 'function'";
        SaveKeyPage(result, codes);
        return std::nullopt;
    }
    if (SameLetters(form, "macro")) {
        if (rest.empty()) return "macro needs a macro name";
        result.kind = KeyFunctionKind::kMacro;
        request.macroName = rest;
        return std::nullopt;
    }
    if (SameLetters(form, "function")) {
        const NamedFunction* function = FindNamedFunctionTyped(rest);
        if (function == nullptr)
            return "unknown function '" + rest + "' (see corvanectl assign --list-functions)";
        result.kind = KeyFunctionKind::kNamedFunction;
        result.functionName = std::string(function->name);
        return std::nullopt;
    }
    if (SameLetters(form, "launch")) {
        static constexpr std::array<std::string_view, 4> kRows = {"music", "program", "file", "folder"};
        if (args.size() != 4) return "launch needs music, program, file or folder and one path";
        std::size_t row = kRows.size();
        for (std::size_t i = 0; i < kRows.size(); ++i)
            if (SameLetters(args[2], kRows[i])) row = i;
        if (row == kRows.size()) return "launch takes music, program, file or folder, not '" + args[2] + "'";
        const std::filesystem::path path = args[3];
        const std::string shown = EscapeControls(args[3]);
        if (!path.is_absolute()) return "the launch path '" + shown + "' is not absolute";
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status)) return "the launch path '" + shown + "' does not exist";
        const bool folder = row == 3;
        if (folder && !std::filesystem::is_directory(status)) return "'" + shown + "' is not a folder";
        if (!folder && !std::filesystem::is_regular_file(status)) return "'" + shown + "' is not a file";
        const std::u16string units = Utf8ToUtf16(args[3]);
        if (Utf16ToUtf8(units) != args[3]) return "the launch path '" + shown + "' is not UTF-8 text";
        if (units.size() > rec::kLaunchPathUnits - 1)
            return "the launch path has " + std::to_string(units.size()) +
                   " characters, the key keeps at most " + std::to_string(rec::kLaunchPathUnits - 1);
        result.kind = static_cast<KeyFunctionKind>(static_cast<int>(KeyFunctionKind::kPlayMusic) +
                                                   static_cast<int>(row));
        result.launchPath = units;
        return std::nullopt;
    }
    if (SameLetters(form, "disable")) {
        // Save with nothing chosen and "Disable key" ticked.
        result.kind = KeyFunctionKind::kDefault;
        result.keyEnabled = false;
        return noMore();
    }
    if (SameLetters(form, "default")) {
        // The dialog's Reset.
        result.count = kResetRequest;
        return noMore();
    }
    return "unknown function form '" + form + "'";
}

// The dialog's macro list holds only the macros the keyboard has slots for.
int ChooseMacro(CommandContext& context, const MacroStore& macros, Request& request)
{
    const std::optional<std::size_t> number = FindMacro(context, macros, request.macroName);
    if (!number) return kExitUsage;
    if (const std::size_t playable = MacrosWithSlots(macros); *number >= playable) {
        context.err << "corvanectl: assign: macro \"" << EscapeControls(request.macroName)
                    << "\" has no slot on the keyboard, which holds the first " << playable
                    << "; nothing was changed\n";
        return kExitUsage;
    }
    request.result.macroNumber = static_cast<std::int32_t>(*number);
    return 0;
}

int RunAssign(CommandContext& context)
{
    const KeyCodeTable& codes = StandardKeyCodeTable();
    const std::vector<std::string>& args = context.args;
    if (args.size() == 1 && args[0] == "--list-keys") {
        for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot)
            if (IsAssignableKey(slot)) context.out << SlotName(slot, codes) << "\n";
        return 0;
    }
    if (args.size() == 1 && args[0] == "--list-functions") {
        for (const NamedFunction& function : NamedFunctionTable)
            context.out << function.name << "\n";
        return 0;
    }
    if (args.size() < 2) {
        context.err << kUsage;
        return kExitUsage;
    }
    const auto refuse = [&](const std::string& problem) {
        context.err << "corvanectl: assign: " << problem << "; nothing was changed\n";
        return kExitUsage;
    };
    const auto slot = SlotOfName(args[0], codes);
    if (!slot)
        return refuse("unknown key '" + EscapeControls(args[0]) + "' (see corvanectl assign --list-keys)");
    const std::string keyName = SlotName(*slot, codes);
    if (!IsAssignableKey(*slot)) return refuse(keyName + " cannot be assigned");

    Request request;
    request.result.selectedKeySlot = static_cast<std::uint8_t>(*slot);
    request.result.selectedKeyCode = DefaultKeyOrder[*slot];
    request.result.keyEnabled = true;
    if (const auto problem = ParseFunction(args, request)) return refuse(*problem);

    std::string now;
    const int code = RunChange(context, "assigning " + keyName, [&](ChangeTarget& target) {
        if (!request.macroName.empty())
            if (const int code = ChooseMacro(context, target.macros, request); code != 0) return code;
        AssignKey(target.state, request.result, codes, target.macros);
        now = DescribeKey(*slot, target.state.image, target.state.records, &target.macros, codes);
        return 0;
    });
    if (code == 0) context.out << keyName << ": " << (now.empty() ? "own function" : now) << "\n";
    return code;
}

const CommandRegistrar kAssign{{"assign", RunAssign, "KEY FUNCTION",
                                "give a key another function (key, combo, macro, function, launch, ...)"}};

} // namespace

} // namespace corvane::ctl
