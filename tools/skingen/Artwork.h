#pragma once
// Draws every skin picture into a program folder: png/<language>/..., png/help/, png/res/.

#include <QString>

namespace corvane::skingen {

// Writes the whole artwork tree under programFolder. Exits the process on a write failure.
void DrawAllArtwork(const QString& programFolder);

} // namespace corvane::skingen
