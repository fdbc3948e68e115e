#include "ctl/ChangeChecks.h"

#include "ctl/Describe.h"
#include "keys/KeyNames.h"
#include "keys/MacroKeys.h"

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

} // namespace corvane::ctl
