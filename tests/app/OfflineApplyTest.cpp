// Apply and factory reset while no keyboard can take them: the user is told why, keymap.bin keeps
// what was applied (the close button too), and a reset changes nothing.

#include "MainWindowFixture.h"

#include "keys/ApplyKeyAssignment.h"
#include "skin/BitSlider.h"
#include "store/SettingsFiles.h"

namespace corvane::apptest {
namespace {

class OfflineApplyTest : public MainWindowTest
{
protected:
    void ClickApply() { Click(890, 572); }
    void ClickClose() { Click(985, 12); }
    void SetBrightness(int value)
    {
        window->Slider(layout::kSliderBrightness)->setValue(value);
        QCoreApplication::processEvents();
        window->ComposeFrame();
    }
    void StartThenUnplug(std::uint16_t language)
    {
        Start(language);
        emulator.Unplug();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Link()->CommandChannelOpen(); }, 2000));
    }
    void StartUnplugged(std::uint16_t language)
    {
        emulator.Unplug();
        Start(language, false);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void AssignLaunchKey(std::uint8_t slot, std::u16string path)
    {
        AssignmentResult launch;
        launch.selectedKeySlot = slot;
        launch.kind = KeyFunctionKind::kOpenFolder;
        launch.launchPath = std::move(path);
        AssignKey(*state, launch, StandardKeyCodeTable(), *macros);
    }
    std::unique_ptr<SettingsState> Saved() const
    {
        auto saved = std::make_unique<SettingsState>();
        EXPECT_EQ(LoadKeymap(dataFolder / "keymap.bin", *saved, KeymapLoadMode::kFull).state,
                  FileState::kLoaded);
        return saved;
    }
};

TEST_F(OfflineApplyTest, ApplyWithoutAKeyboardKeepsWhatWasAppliedThroughTheCloseButton)
{
    struct Case
    {
        bool unplugBeforeStart;
        std::uint16_t language;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {false, kLanguageEnglish, "Apply",
         "No keyboard is connected. The settings were saved in keymap.bin but not sent to the keyboard."},
        {true, kLanguageEnglish, "Apply",
         "No keyboard is connected. The settings were saved in keymap.bin but not sent to the keyboard."},
        {true, kLanguageGerman, "Anwenden",
         "Es ist keine Tastatur angeschlossen. Die Einstellungen wurden in keymap.bin gespeichert, aber "
         "nicht an die Tastatur gesendet."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.unplugBeforeStart << " " << c.language);
        if (c.unplugBeforeStart)
            StartUnplugged(c.language);
        else
            StartThenUnplug(c.language);
        const std::uint8_t before = state->image[img::kBrightness];
        const std::uint8_t applied = before == 9 ? 10 : 9;
        SetBrightness(applied);
        AssignLaunchKey(5, u"/home/u/Applied");
        prompt.calls.clear();
        ClickApply();
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_FALSE(prompt.calls[0].question);
        EXPECT_EQ(prompt.calls[0].caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(prompt.calls[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(Saved()->image[img::kBrightness], applied);
        EXPECT_TRUE(window->HoldsOfflineApply());
        // Nothing reached the keyboard, so the next Apply with it must still send the change.
        EXPECT_EQ(state->shadow[img::kBrightness], before);

        SetBrightness(33); // edited after the Apply: not kept
        AssignLaunchKey(6, u"/home/u/NotApplied");
        ClickClose();
        const auto saved = Saved();
        EXPECT_EQ(saved->image[img::kBrightness], applied);
        EXPECT_EQ(saved->records[5], state->records[5]);
        EXPECT_NE(saved->records[6], state->records[6]);
        window.reset();
        state = std::make_unique<SettingsState>();
        std::filesystem::remove(dataFolder / "keymap.bin");
        emulator.Replug();
    }
}

TEST_F(OfflineApplyTest, AKeyboardArrivingAfterAnOfflineApplyGetsItWhenTheUserSaysSo)
{
    struct Case
    {
        std::uint16_t language;
        bool send;
        const char* text;
    };
    const Case cases[] = {
        {kLanguageEnglish, true, "Send the settings applied while the keyboard was away to the keyboard?"},
        {kLanguageGerman, false,
         "Die Einstellungen, die angewendet wurden, während die Tastatur nicht angeschlossen war, an die "
         "Tastatur senden?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        StartThenUnplug(c.language);
        const std::uint8_t applied = state->image[img::kBrightness] == 9 ? 10 : 9;
        SetBrightness(applied);
        ClickApply();
        // The keyboard was changed elsewhere while it was away.
        EmulatedDeviceState device = emulator.State();
        device.brightness = 33;
        emulator.SetState(device);
        prompt.calls.clear();
        prompt.answers = {c.send};
        emulator.Replug();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Link()->CommandChannelOpen(); }, 4000));
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_TRUE(prompt.calls[0].question);
        EXPECT_EQ(prompt.calls[0].text, QString::fromUtf8(c.text));
        const int expected = c.send ? applied : 33;
        EXPECT_EQ(emulator.State().brightness, expected);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return window->Slider(layout::kSliderBrightness)->value() == expected; }, 2000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return Saved()->image[img::kBrightness] == expected; }, 2000));
        EXPECT_FALSE(window->HoldsOfflineApply());
        window.reset();
        state = std::make_unique<SettingsState>();
        std::filesystem::remove(dataFolder / "keymap.bin");
    }
}

TEST_F(OfflineApplyTest, AKeyboardThatDoesNotAcknowledgeKeepsItsOwnMessage)
{
    Start();
    Click(890, 572); // settles what the panel writes back after the read
    SetBrightness(state->image[img::kBrightness] == 9 ? 10 : 9);
    emulator.DropAcknowledgements(100);
    prompt.calls.clear();
    ClickApply();
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].text,
              "The keyboard did not accept the settings. They will be sent again with the next Apply.");
    EXPECT_FALSE(window->HoldsOfflineApply());
}

TEST_F(OfflineApplyTest, FactoryResetWithoutAKeyboardChangesNothingAndSaysWhy)
{
    struct Case
    {
        std::uint16_t language;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {kLanguageEnglish, "Factory Setting", "No keyboard is connected. Nothing was reset."},
        {kLanguageGerman, "Werkseinstellungen",
         "Es ist keine Tastatur angeschlossen. Es wurde nichts zurückgesetzt."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        StartThenUnplug(c.language);
        AssignLaunchKey(7, u"/home/u/Kept");
        SetBrightness(state->image[img::kBrightness] == 9 ? 10 : 9);
        const auto imageBefore = state->image;
        const auto recordsBefore = state->records;
        QFile file(QString::fromStdString((dataFolder / "keymap.bin").string()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray fileBefore = file.readAll();
        file.close();
        prompt.calls.clear();
        prompt.answers = {true};
        Click(944, 12); // help
        Click(900, 27); // its first row: factory reset
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_FALSE(prompt.calls[0].question);
        EXPECT_EQ(prompt.calls[0].caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(prompt.calls[0].text, QString::fromUtf8(c.text));
        EXPECT_TRUE(state->image == imageBefore);
        EXPECT_TRUE(state->records == recordsBefore);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), fileBefore);
        file.close();
        EXPECT_FALSE(window->HelpOpen());
        window.reset();
        emulator.Replug();
    }
}

} // namespace
} // namespace corvane::apptest
