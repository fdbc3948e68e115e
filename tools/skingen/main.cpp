// Build-time generator of the skin artwork: draws every picture the windows load, in both
// languages, into the program folder given first; the desktop icons, under the icon name given
// third, into the icon theme folder given second.

#include "Artwork.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER [ICON_THEME_FOLDER ICON_NAME]\n", argv[0]);
        return 2;
    }
    // No display is needed to draw into pictures.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    corvane::skingen::DrawAllArtwork(QString::fromLocal8Bit(argv[1]));
    if (argc == 4)
        corvane::skingen::DrawDesktopIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    return 0;
}
