// The main window's full paint (background, title buttons, keyboard, every key's highlight cut from
// the lit keyboard picture, bottom buttons and the panel texts) composed off-screen and copied to a
// window-sized surface, once with the picture cache and once decoding every file on every draw as
// the original did. Prints the median of each and their ratio.
//
// The pictures come from the program folder (png/ beside this program, or $CORVANE_PROGRAM_DIR);
// when it holds none, pictures of the same sizes are drawn into a temporary folder.

#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/SkinnedWindow.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace corvane;

struct Text
{
    const char* text;
    int x;
    int y;
    int height;
};

// The texts a full paint of the English main window writes.
constexpr Text kTexts[] = {
    {"Apply", 876, 565, 20},        {"Profile", 28, 562, 20},
    {"LIGHTING", 19, 110, 20},      {"Light Effects", 28, 137, 13},
    {"Breathing", 30, 158, 15},     {"Light Direction", 29, 177, 13},
    {"Brightness", 28, 247, 13},    {"Low", 28, 274, 13},
    {"High", 230, 274, 13},         {"Speed", 28, 290, 13},
    {"Slow", 28, 317, 13},          {"Fast", 230, 317, 13},
    {"RESPONSE TIME", 26, 341, 15}, {"REPORT RATE", 26, 401, 15},
    {"GAME MODE", 26, 466, 15},     {"WINDOWS KEY LOCK", 26, 502, 15},
};

void PaintMainWindow(QPainter& p, const QString& folder)
{
    DrawSkinImage(p, folder, "button-help-normal.png", 936, 5);
    DrawSkinImage(p, folder, "button-min-normal.png", 957, 5);
    DrawSkinImage(p, folder, "button-close-normal.png", 978, 5);
    DrawSkinImage(p, folder, "kb_BK.png", layout::kKeyboardOrigin.x, layout::kKeyboardOrigin.y);
    for (std::size_t k = 0; k < layout::kKeyCount; ++k) {
        const layout::Rect r = layout::kKeyTable[k].rect;
        DrawSkinImagePart(p, folder, "kb_hl.png", r.left, r.top, r.right, r.bottom, layout::kKeyboardOrigin.x,
                          layout::kKeyboardOrigin.y);
    }
    DrawSkinImage(p, folder, "apply.png", 868, 562);
    DrawSkinImage(p, folder, "Config.png", 25, 560);
    for (const Text& t : kTexts)
        DrawSkinText(p, t.text, t.x, t.y, 0x353535, 0xFFFFFF, t.height);
}

struct Setup
{
    std::unique_ptr<QTemporaryDir> own;
    QString folder;
    SkinFrame frame;
    QImage window;
};

Setup* g = nullptr;

void WriteSolid(const QString& path, QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    image.save(path, "PNG");
}

void PrepareSkin()
{
    g = new Setup;
    QString program = qEnvironmentVariable("CORVANE_PROGRAM_DIR");
    if (program.isEmpty()) program = QCoreApplication::applicationDirPath();
    SetProgramFolder(program);
    g->folder = SkinFolderPath(SkinWindow::Main, 9);
    if (LoadSkinImage(JoinSkinPath(g->folder, "main.png")).isNull()) {
        g->own = std::make_unique<QTemporaryDir>();
        SetProgramFolder(g->own->path());
        g->folder = SkinFolderPath(SkinWindow::Main, 9);
        const QString dir = g->own->path() + "/png/english/";
        QDir().mkpath(dir);
        WriteSolid(dir + "main.png", {1000, 600}, qRgb(0x35, 0x35, 0x35));
        WriteSolid(dir + "kb_BK.png", {588, 250}, qRgb(20, 20, 20));
        WriteSolid(dir + "kb_hl.png", {588, 250}, qRgba(200, 0, 0, 200));
        for (const char* name :
             {"button-help-normal.png", "button-min-normal.png", "button-close-normal.png"})
            WriteSolid(dir + name, {16, 16}, qRgb(90, 90, 90));
        WriteSolid(dir + "apply.png", {58, 23}, qRgb(60, 60, 60));
        WriteSolid(dir + "Config.png", {58, 23}, qRgb(60, 60, 60));
        std::printf("No artwork in %s; using generated pictures of the same sizes.\n", qPrintable(program));
    } else {
        std::printf("Artwork: %s\n", qPrintable(g->folder));
    }
    g->frame.SetBackground(g->folder, SkinBackgroundName(SkinWindow::Main));
    g->window = QImage(layout::kMainWindowSize.width, layout::kMainWindowSize.height,
                       QImage::Format_ARGB32_Premultiplied);
}

void FullPaint()
{
    const QImage& frame = g->frame.Compose([](QPainter& p) { PaintMainWindow(p, g->folder); });
    QPainter screen(&g->window);
    g->frame.CopyTo(screen, frame.rect());
    benchmark::DoNotOptimize(g->window.constBits());
}

void BM_FullPaintCached(benchmark::State& state)
{
    SkinImageCache::Instance().SetEnabled(true);
    FullPaint(); // the first paint fills the cache
    for (auto _ : state)
        FullPaint();
}
BENCHMARK(BM_FullPaintCached)->Unit(benchmark::kMillisecond);

void BM_FullPaintDecodingEveryTime(benchmark::State& state)
{
    SkinImageCache::Instance().SetEnabled(false);
    for (auto _ : state)
        FullPaint();
    SkinImageCache::Instance().SetEnabled(true);
}
BENCHMARK(BM_FullPaintDecodingEveryTime)->Unit(benchmark::kMillisecond);

double MedianMs(bool cached, int rounds)
{
    SkinImageCache::Instance().SetEnabled(cached);
    FullPaint();
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        FullPaint();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    SkinImageCache::Instance().SetEnabled(true);
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    PrepareSkin();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // The cache must not change what is drawn.
    SkinImageCache::Instance().SetEnabled(false);
    FullPaint();
    const QImage decoded = g->frame.Frame().copy();
    SkinImageCache::Instance().SetEnabled(true);
    FullPaint();
    const bool same = g->frame.Frame() == decoded;
    std::printf("Cached and freshly decoded paints are %s.\n", same ? "identical" : "DIFFERENT");

    const double cached = MedianMs(true, 201);
    const double uncached = MedianMs(false, 21);
    std::printf("Median full main-window paint: %.3f ms cached, %.3f ms decoding every time; "
                "the cache makes it %.0f times faster (budget 5 ms).\n",
                cached, uncached, uncached / cached);
    delete g;
    return same ? 0 : 1;
}
