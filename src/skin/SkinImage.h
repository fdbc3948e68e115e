#pragma once
// Where skin pictures live and how they are read. Every window is painted from PNG files in a
// skin folder under the program folder. Folder and file names are written as on the original
// platform ("png\GERMAN\Config\", "Disable.png") and are resolved without regard to case or
// separator, so the same artwork tree serves every spelling.

#include "skin/SkinLayout.h"

#include <QImage>
#include <QString>
#include <cstdint>

namespace corvane {

// The program folder holding png/ (the skins). The application sets it once at start-up;
// tests point it at their own folders. Relative skin folders are joined to it.
void SetProgramFolder(const QString& folder);
QString ProgramFolder();

// The skinned windows of the layout's folder list.
using SkinWindow = layout::Window;

// The window's skin folder relative to the program folder, spelled as the program asks for it
// (for example "png\GERMAN\Config\"); language 7 is German, anything else English.
QString SkinFolderName(SkinWindow window, std::uint16_t languageCode);
// ProgramFolder() followed by SkinFolderName(); not resolved, so it may name a missing folder.
QString SkinFolderPath(SkinWindow window, std::uint16_t languageCode);
// The window's background picture ("main.png", "Profile_BK.png", ...).
QString SkinBackgroundName(SkinWindow window);

// Joins a folder and a file name written with either separator, folding doubled separators.
QString JoinSkinPath(const QString& folder, const QString& fileName);

// The existing file or folder that path names when every component is compared without regard
// to case ('\' and '/' both separate); an exact match wins. Empty when nothing matches.
QString ResolveSkinPath(const QString& path);

// Decodes the file at path (resolved as above) into an opaque 32-bit picture: alpha is dropped
// and the colours stored under transparent pixels are kept, because every draw is an opaque copy.
// Indexed pictures keep their palette colours. A missing or undecodable file gives a null image
// (0 x 0). Decodes anew on every call.
QImage LoadSkinImage(const QString& path);

// Decoded pictures kept between paints, keyed by resolved path and the file's modification time,
// size and inode, so a changed file is read again and what is drawn is always what the file holds.
// The drawing helpers read through it. Disabled, it decodes on every call (LoadSkinImage).
class SkinImageCache
{
public:
    static SkinImageCache& Instance();

    QImage Image(const QString& path);
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void Clear();
    // Number of decodes done through Image() since the last Clear(); lets callers see hits.
    std::uint64_t DecodeCount() const;

private:
    SkinImageCache() = default;
};

// The small bitmaps that belong to the program rather than to a skin language (slider strips,
// tree markers, list icons), by resource number (layout::kResource...): "png/res/<id>.png" under
// the program folder.
QString ResourceImagePath(int id);
QImage LoadResourceImage(int id); // through the cache; null when missing

} // namespace corvane
