// A keyboard that answers badly during the start-up read: the window survives, says what failed,
// and keymap.bin keeps what it held rather than a half-read image.

#include "MainWindowFixture.h"

#include "store/SettingsFiles.h"

#include <fstream>
#include <iterator>

namespace corvane::apptest {
namespace {

std::vector<char> FileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FaultyKeyboardTest : public MainWindowTest
{
protected:
    void WriteKnownKeymap()
    {
        SettingsState saved;
        LightingSettings(saved.image).SetMode(kModeRadar);
        StoreSliderPosition(saved.image, SliderField::kBrightness, 37);
        ASSERT_TRUE(SaveKeymap(dataFolder / "keymap.bin", saved));
        before = FileBytes(dataFolder / "keymap.bin");
        ASSERT_EQ(before.size(), kSettingsFileSize);
    }
    bool ToldReadFailed() const
    {
        for (const PromptCall& call : prompt.calls)
            if (call.text.contains(QStringLiteral("could not be read"))) return true;
        return false;
    }
    std::vector<char> before;
};

TEST_F(FaultyKeyboardTest, AFailedStartUpReadIsToldAndLeavesKeymapAlone)
{
    struct Case
    {
        const char* name;
        std::function<void(KeyboardEmulator&)> fault;
    };
    const Case cases[] = {
        {"short feature replies", [](KeyboardEmulator& e) { e.FaultReplies(ReplyFault::Short, 3); }},
        {"short bulk packet", [](KeyboardEmulator& e) { e.FaultPackets(ReplyFault::Short, 1); }},
        {"unplugged in the middle", [](KeyboardEmulator& e) { e.UnplugAfterTransfers(25); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator.ClearFaults();
        if (!emulator.IsPlugged()) emulator.Replug();
        prompt.calls.clear();
        WriteKnownKeymap();
        EmulatedDeviceState device = KeyboardEmulator::FactoryState();
        device.brightness = 5;
        emulator.SetState(device);
        c.fault(emulator);
        Start();
        // Either the read's end or the removal is handled first: the user is told which.
        EXPECT_TRUE(ToldReadFailed() || window->ShowsNoKeyboardNotice());
        // The window shows and keeps what the file held; nothing half-read went into it.
        EXPECT_EQ(LightingView(state->image).Brightness(), 37);
        EXPECT_EQ(LightingView(state->image).Mode(), kModeRadar);
        EXPECT_EQ(window->Slider(layout::kSliderBrightness)->value(), 37);
        EXPECT_EQ(FileBytes(dataFolder / "keymap.bin"), before);
        // Still a working window.
        window->ComposeFrame();
        window.reset();
        state = std::make_unique<SettingsState>();
    }
}

TEST_F(FaultyKeyboardTest, GarbageOnTheEventChannelDoesNotDisturbTheRead)
{
    WriteKnownKeymap();
    EmulatedDeviceState device = KeyboardEmulator::FactoryState();
    device.brightness = 5;
    emulator.SetState(device);
    emulator.InjectGarbageReports(40);
    Start();
    EXPECT_FALSE(ToldReadFailed());
    EXPECT_EQ(LightingView(state->image).Brightness(), 5);
    // The read replaced the device regions, so the file was written with them.
    EXPECT_NE(FileBytes(dataFolder / "keymap.bin"), before);
}

TEST_F(FaultyKeyboardTest, LostAcknowledgementsAreToldAndTheNextApplyGoesThrough)
{
    Start();
    emulator.DropAcknowledgements(1000);
    window->Slider(layout::kSliderBrightness)->setValue(21);
    QCoreApplication::processEvents();
    Click(890, 572);
    ASSERT_FALSE(prompt.calls.empty());
    EXPECT_TRUE(prompt.calls.back().text.contains(QStringLiteral("did not accept")));
    emulator.ClearFaults();
    prompt.calls.clear();
    Click(890, 572);
    EXPECT_TRUE(prompt.calls.empty());
    EXPECT_EQ(emulator.State().brightness, 21);
}

} // namespace
} // namespace corvane::apptest
