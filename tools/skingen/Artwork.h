#pragma once
// Draws every skin picture into a program folder: png/<language>/..., png/help/, png/res/.

#include <QString>

namespace corvane::skingen {

// Writes the whole artwork tree under programFolder. Exits the process on a write failure.
void DrawAllArtwork(const QString& programFolder);

// Writes the desktop icon into an icon theme tree: <themeFolder>/<N>x<N>/apps/<iconName>.png for
// each usual size, drawn at that size rather than scaled from one picture.
void DrawDesktopIcons(const QString& themeFolder, const QString& iconName);

} // namespace corvane::skingen
