#pragma once
// Which keys the keyboard view shows as customised.

#include "format/KeyRecord.h"
#include "format/SettingsImage.h"

namespace corvane {

// Positions covered by the computation; 108-125 repeat the device keys of positions 0-17.
inline constexpr std::size_t kMarkedPositionCount = 126;

// Marks positions 0-125: a key is customised when its device entry's usage byte differs from the
// factory table, its record holds a function, or it is disabled. Other positions are left alone.
void ComputeKeyMarks(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks);

// The form used after every read of the settings: the Fn key at position 100 is never marked,
// since its factory entry carries no usage to compare.
void RecomputeKeyMarks(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks);
// The same for one position, for a key just assigned: it shows what a restart would show.
void RecomputeKeyMark(const SettingsImage& image, const KeyRecordBuffer& records, KeyMarks& marks,
                      std::size_t position);

} // namespace corvane
