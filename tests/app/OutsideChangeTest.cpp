// corvanectl changes the keyboard and keymap.bin while the window runs: the window shows the new
// settings without a restart and keeps what the user changed and has not applied; while a dialog
// is open it waits.

#include "MainWindowFixture.h"

#include "ctl/Commands.h"
#include "device/LightingSettings.h"
#include "store/SettingsFiles.h"

#include <QDialog>

#include <sstream>

namespace corvane::apptest {
namespace {

class OutsideChangeTest : public MainWindowTest
{
protected:
    // What a script sends: the window's settings with another brightness, through corvanectl.
    void CtlAppliesBrightness(std::uint8_t brightness)
    {
        auto settings = std::make_unique<SettingsState>(*state);
        settings->image = settings->shadow;
        settings->records = settings->recordShadow;
        settings->image[img::kBrightness] = brightness;
        const std::filesystem::path file = dataFolder.parent_path() / "script.bin";
        ASSERT_TRUE(SaveKeymap(file, *settings).Saved());
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(ctl::RunCorvanectl({"apply", file.string(), "--data-dir", dataFolder.string()}, out, err,
                                     &emulator, &clock),
                  0)
            << err.str();
    }
};

TEST_F(OutsideChangeTest, TheWindowShowsTheChangeAndKeepsItsUnappliedEdits)
{
    Start();
    // Unapplied in the window: game mode and a launch key.
    LightingSettings(state->image).ToggleGameMode();
    const std::uint8_t gameMode = state->image[img::kGameMode];
    AssignmentResult launch;
    launch.selectedKeySlot = 5;
    launch.kind = KeyFunctionKind::kOpenFolder;
    launch.launchPath = u"/home/u/Unapplied";
    AssignKey(*state, launch, StandardKeyCodeTable(), *macros);
    const KeyRecord unappliedKey = state->records[5];
    ASSERT_TRUE(SaveKeymap(window->KeymapPath(), *state).Saved());

    const std::uint8_t brightness = state->image[img::kBrightness] == 7 ? 8 : 7;
    CtlAppliesBrightness(brightness);
    ASSERT_EQ(emulator.State().brightness, brightness);

    // While a dialog is open the window waits for it.
    QDialog dialog(window.get());
    dialog.setModal(true);
    dialog.show();
    window->RereadFromOutside();
    QTest::qWait(50);
    EXPECT_TRUE(window->RereadOwed());
    EXPECT_NE(state->image[img::kBrightness], brightness);
    dialog.close();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->RereadOwed(); }, 5000));
    EXPECT_EQ(state->image[img::kBrightness], brightness);
    EXPECT_EQ(state->shadow[img::kBrightness], brightness);
    EXPECT_EQ(window->Slider(layout::kSliderBrightness)->value(), brightness);
    EXPECT_EQ(state->image[img::kGameMode], gameMode);
    EXPECT_NE(state->shadow[img::kGameMode], gameMode);
    EXPECT_EQ(state->records[5], unappliedKey);
    auto saved = std::make_unique<SettingsState>();
    ASSERT_EQ(LoadKeymap(window->KeymapPath(), *saved, KeymapLoadMode::kFull).state, FileState::kLoaded);
    EXPECT_EQ(saved->image[img::kBrightness], brightness);
    EXPECT_EQ(saved->image[img::kGameMode], gameMode);

    // The next Apply sends what was kept.
    Click(890, 572);
    EXPECT_EQ(emulator.State().gameMode, gameMode);
    EXPECT_EQ(emulator.State().brightness, brightness);
}

} // namespace
} // namespace corvane::apptest
