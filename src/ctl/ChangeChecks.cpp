#include "ctl/ChangeChecks.h"

#include "ctl/Describe.h"
#include "keys/KeyNames.h"
#include "keys/MacroKeys.h"
#include "macros/MacroStore.h"
#include "text/Utf16.h"

#include <ostream>

namespace corvane::ctl {

bool KeysFitMacroSlots(CommandContext& context, const std::filesystem::path& file, const SettingsState& state)
{
    const auto keys = KeysOnMacrosWithoutSlot(state);
    if (keys.empty()) return true;
    context.err << "corvanectl: " << EscapeControls(file.string()) << ": the keyboard has "
                << img::kMacroSlotCount << " macro slots (0-" << img::kMacroSlotCount - 1
                << "), but these keys play a macro beyond them:";
    for (std::size_t i = 0; i < keys.size(); ++i)
        context.err << (i ? ", " : " ") << SlotName(keys[i].slot, StandardKeyCodeTable()) << " (macro "
                    << int{keys[i].macro} << ")";
    context.err << "; nothing was sent\n";
    return false;
}

// The number of the one macro named exactly `name`; says why and gives nothing when no macro or
// more than one has that name.
std::optional<std::size_t> FindMacro(CommandContext& context, const MacroStore& store,
                                     const std::string& name)
{
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < kMacroRecordCount; ++i)
        if (store[i].InUse() && Utf16ToUtf8(store[i].Name()) == name) found.push_back(i);
    if (found.size() == 1) return found[0];
    if (found.empty()) {
        context.err << "corvanectl: no macro named \"" << EscapeControls(name) << "\"\n";
    } else {
        context.err << "corvanectl: " << found.size() << " macros are named \"" << EscapeControls(name)
                    << "\" (numbers";
        for (std::size_t number : found)
            context.err << " " << number;
        context.err << "); rename all but one in the window first\n";
    }
    return std::nullopt;
}

} // namespace corvane::ctl
