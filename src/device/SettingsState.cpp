#include "device/SettingsState.h"

#include "device/KeyMarks.h"

namespace corvane {

void KeepUnappliedEdits(const SettingsState& before, SettingsState& after)
{
    for (std::size_t offset = 0; offset < kSettingsImageSize; ++offset)
        if (before.image[offset] != before.shadow[offset]) after.image[offset] = before.image[offset];
    for (std::size_t position = 0; position < kKeyRecordCount; ++position)
        if (!(before.records[position] == before.recordShadow[position]))
            after.records[position] = before.records[position];
    RecomputeKeyMarks(after.image, after.records, after.marks);
}

} // namespace corvane
