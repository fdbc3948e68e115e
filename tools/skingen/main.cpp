// Build-time generator of the skin artwork: draws every picture the windows load, in both
// languages, into the program folder given as the only argument.

#include "Artwork.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER\n", argv[0]);
        return 2;
    }
    // No display is needed to draw into pictures.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    corvane::skingen::DrawAllArtwork(QString::fromLocal8Bit(argv[1]));
    return 0;
}
