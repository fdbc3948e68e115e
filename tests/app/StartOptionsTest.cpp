// How the window appears at start-up: --minimized, the notification area, a missing keyboard;
// and the start-up options of an installed program.

#include "MainWindowFixture.h"

#include "app/CTarvikApp.h"

namespace corvane::apptest {
namespace {

class StartVisibilityTest : public MainWindowTest
{
protected:
    // Sets the window up as the program does, without the fixture's unconditional show().
    void StartAsProgram(const AppOptions& options, bool trayAvailable)
    {
        window = std::make_unique<CTarvikDlg>(*state, *macros, StandardKeyCodeTable(), prompt);
        MainWindowSetup setup;
        setup.language = kLanguageEnglish;
        setup.dataFolder = dataFolder;
        setup.programFolder = programFolder;
        setup.backend = &emulator;
        setup.clock = &clock;
        setup.monitor = &monitor;
        setup.trayAvailable = trayAvailable;
        opened = window->SetUp(setup);
        ShowAtStart(*window, options, opened, trayAvailable);
        QCoreApplication::processEvents();
    }
};

TEST_F(StartVisibilityTest, MinimizedStartsBehindTheIconOrMinimisedWithoutOne)
{
    enum class Seen { kShown, kMinimised, kHidden };
    struct Case
    {
        const char* name;
        bool minimized;
        bool keyboard;
        bool tray;
        Seen expected;
    };
    const Case cases[] = {
        {"plain start with a keyboard", false, true, false, Seen::kShown},
        {"plain start with a keyboard and a tray", false, true, true, Seen::kShown},
        {"--minimized with a tray", true, true, true, Seen::kHidden},
        // Hidden without a notification area, the window could never be brought back.
        {"--minimized without a tray", true, true, false, Seen::kMinimised},
        {"no keyboard, tray", false, false, true, Seen::kHidden},
        {"no keyboard, no tray", false, false, false, Seen::kMinimised},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        emulator.Replug();
        if (!c.keyboard) emulator.Unplug();
        AppOptions options;
        options.minimized = c.minimized;
        StartAsProgram(options, c.tray);
        ASSERT_EQ(opened, c.keyboard);
        switch (c.expected) {
        case Seen::kShown:
            EXPECT_TRUE(window->isVisible());
            EXPECT_FALSE(window->isMinimized());
            break;
        case Seen::kMinimised:
            EXPECT_TRUE(window->isVisible());
            EXPECT_TRUE(window->isMinimized());
            break;
        case Seen::kHidden:
            EXPECT_FALSE(window->isVisible());
            break;
        }
    }
}

TEST(StartOptionsTest, MinimizedAndAutostartAreReadAndBadValuesRefused)
{
    const ParsedCommandLine minimized = ParseCommandLine({"corvane-keyboard", "--minimized"});
    ASSERT_FALSE(minimized.exitCode);
    EXPECT_TRUE(minimized.options.minimized);
    EXPECT_FALSE(minimized.options.autostart);

    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--autostart", "on"}).options.autostart, true);
    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--autostart=off"}).options.autostart, false);
    for (const char* bad : {"yes", "ON", ""}) {
        const ParsedCommandLine parsed = ParseCommandLine({"corvane-keyboard", "--autostart", bad});
        EXPECT_EQ(parsed.exitCode, 2) << bad;
    }
    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--autostart"}).exitCode, 2);
    const ParsedCommandLine version = ParseCommandLine({"corvane-keyboard", "--emulate", "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, QStringLiteral("corvane-keyboard " CORVANE_VERSION "\n"));
}

TEST(StartOptionsTest, MissingArtworkNamesEveryFolderLookedInAndFails)
{
    const std::vector<std::filesystem::path> folders{"/opt/c/bin", "/opt/c/share/corvane-keyboard"};
    for (std::uint16_t language : {kLanguageEnglish, kLanguageGerman}) {
        ScriptedPrompt prompt;
        ::testing::internal::CaptureStderr();
        const int code = ReportArtworkMissing(&prompt, language, folders);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(code, 0);
        ASSERT_EQ(prompt.calls.size(), 1u);
        for (const char* looked : {"/opt/c/bin/png", "/opt/c/share/corvane-keyboard/png"}) {
            EXPECT_NE(err.find(looked), std::string::npos) << looked;
            EXPECT_TRUE(prompt.calls[0].text.contains(QLatin1String(looked))) << looked;
        }
        EXPECT_EQ(prompt.calls[0].text.startsWith(QLatin1String("Die Bilder")), language == kLanguageGerman);
    }
}

} // namespace
} // namespace corvane::apptest
