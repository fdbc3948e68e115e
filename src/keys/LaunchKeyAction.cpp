#include "keys/LaunchKeyAction.h"

#include "keys/ShellOpener.h"
#include "macros/MacroStore.h"
#include "text/Utf16.h"

namespace corvane {

std::optional<std::u16string> FindLaunchPath(const KeyRecordBuffer& records, std::uint8_t keyCode)
{
    for (const KeyRecord& r : records.records)
        if (IsLaunchKind(r.Kind()) && r.KeyCode() == keyCode) return r.LaunchPath();
    return std::nullopt;
}

LaunchTarget SplitLaunchPath(std::u16string_view path)
{
    const std::size_t cut = path.find_last_of(u"\\/");
    if (cut == std::u16string_view::npos) return {std::u16string(path), {}};
    LaunchTarget target;
    target.directory.assign(path.data(), cut == 0 && path[0] == u'/' ? 1 : cut);
    target.fileName.assign(path.data() + cut + 1, path.size() - cut - 1);
    return target;
}

void LaunchKeyAction(const KeyRecordBuffer& records, std::uint8_t keyCode, ShellOpener& shell)
{
    const std::optional<std::u16string> path = FindLaunchPath(records, keyCode);
    if (!path) return;
    const LaunchTarget target = SplitLaunchPath(*path);
    // An empty name opens nothing; handing it on would only start a failing handler.
    if (target.fileName.empty()) return;
    shell.Open(Utf16ToUtf8(target.fileName), Utf16ToUtf8(target.directory));
}

} // namespace corvane
