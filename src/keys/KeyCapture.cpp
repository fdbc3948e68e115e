#include "keys/KeyCapture.h"

#include "format/KeyLayout.h"
#include "format/KeyRecord.h"
#include "keys/NamedFunctionTable.h"

#include <algorithm>

namespace corvane {

namespace {

// The media keys at the top right, which the keyboard picture does not show.
constexpr std::size_t kFirstMediaSlot = 16;
constexpr std::size_t kLastMediaSlot = 19;

} // namespace

bool IsAssignableKey(std::size_t slot)
{
    if (slot >= kLayoutKeyCount) return false;
    if (slot >= kFirstMediaSlot && slot <= kLastMediaSlot) return false;
    return slot != kLeftCtrlSlot && slot != kRightCtrlSlot && slot != kWinSlot && slot != kFnSlot;
}

bool CanCaptureKey(std::uint8_t key, const KeyCodeTable& codes)
{
    return codes.Usage(key) != 0;
}

bool CaptureKey(AssignmentResult& result, std::uint8_t key, const KeyCodeTable& codes)
{
    const bool single = result.kind == KeyFunctionKind::kSingleKey;
    if (!single && result.kind != KeyFunctionKind::kCombination) return false;
    if (!CanCaptureKey(key, codes)) return false;
    if (single || result.count <= 0 || result.count >= 3 || MediaKeyFunction(key, codes) != nullptr ||
        CombinationMediaKey(result.keys.data(), codes) != nullptr) {
        result.keys.fill(0);
        result.count = 0;
    }
    result.keys[static_cast<std::size_t>(result.count)] = key;
    ++result.count;
    return true;
}

void SaveKeyPage(AssignmentResult& result, const KeyCodeTable& codes)
{
    const auto end = std::find(result.keys.begin(), result.keys.end(), 0);
    result.count = static_cast<std::int32_t>(end - result.keys.begin());
    if (result.count == 0) result.kind = KeyFunctionKind::kDefault;
    // Taken as the named function it stands for, the record the function tree would give.
    if (const NamedFunction* media = CombinationMediaKey(result.keys.data(), codes);
        media != nullptr && result.kind == KeyFunctionKind::kCombination) {
        result.kind = KeyFunctionKind::kNamedFunction;
        result.functionName = std::string(media->name);
    }
}

std::vector<std::uint8_t> CombinationKeys(const std::uint8_t* keys)
{
    std::vector<std::uint8_t> shown;
    for (std::size_t i = 0; i < rec::kDataSize && shown.size() < 3; ++i)
        if (keys[i] != 0) shown.push_back(keys[i]);
    return shown;
}

const NamedFunction* CombinationMediaKey(const std::uint8_t* keys, const KeyCodeTable& codes)
{
    for (std::uint8_t key : CombinationKeys(keys))
        if (const NamedFunction* function = MediaKeyFunction(key, codes)) return function;
    return nullptr;
}

} // namespace corvane
