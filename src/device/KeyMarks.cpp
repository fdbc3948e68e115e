#include "device/KeyMarks.h"

#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"

namespace corvane {

void ComputeKeyMarks(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks)
{
    const auto& factory = DefaultDeviceKeyTable();
    for (std::size_t p = 0; p < kMarkedPositionCount; ++p) {
        const std::size_t k = DeviceKeyIndex(p % kLayoutKeyCount);
        const KeyRecord& r = records[p];
        const bool entryChanged = image.DeviceKeyEntry(k)[2] != factory[k][2];
        const bool hasFunction = r[rec::kKind] != 0;
        const bool remapped = r[rec::kData] != r[rec::kKeyCode] && r[rec::kCount] == 1;
        marks[p] = (entryChanged || hasFunction || remapped || !IsKeyEnabled(image, k)) ? 1 : 0;
    }
}

void RecomputeKeyMarks(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks)
{
    ComputeKeyMarks(image, records, marks);
    marks[kFnSlot] = 0;
}

} // namespace corvane
