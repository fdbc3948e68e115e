#include "device/KeyMarks.h"

#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"

namespace corvane {

namespace {

std::uint8_t Customised(const SettingsImage& image, const KeyRecordBuffer& records, std::size_t p)
{
    const std::size_t k = DeviceKeyIndex(p % kLayoutKeyCount);
    const KeyRecord& r = records[p];
    const bool entryChanged = image.DeviceKeyEntry(k)[2] != DefaultDeviceKeyTable()[k][2];
    const bool hasFunction = r[rec::kKind] != 0;
    const bool remapped = r[rec::kData] != r[rec::kKeyCode] && r[rec::kCount] == 1;
    return (entryChanged || hasFunction || remapped || !IsKeyEnabled(image, k)) ? 1 : 0;
}

} // namespace

void ComputeKeyMarks(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks)
{
    for (std::size_t p = 0; p < kMarkedPositionCount; ++p)
        marks[p] = Customised(image, records, p);
}

void RecomputeKeyMark(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks,
                      std::size_t position)
{
    if (position >= kMarkedPositionCount) return;
    marks[position] = position == kFnSlot ? 0 : Customised(image, records, position);
}

void RecomputeKeyMarks(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks)
{
    for (std::size_t p = 0; p < kMarkedPositionCount; ++p)
        RecomputeKeyMark(image, records, marks, p);
}

} // namespace corvane
