// The emulated keyboard remembers between processes: what one corvanectl sends, the next one
// reads; processes take turns; a file that is not whole is never taken and never lost.

#include "emulator/EmulatorMemory.h"

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyLayout.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class EmulatorMemoryTest : public ::testing::Test
{
protected:
    fs::path MemoryFile() const { return folder.path() / "state" / "emulated-keyboard.bin"; }

    // A settings file the keyboard takes, with the brightness given.
    fs::path SettingsWithBrightness(std::uint8_t brightness)
    {
        auto state = std::make_unique<SettingsState>();
        for (std::size_t k = 0; k < img::kDeviceKeyCount; ++k)
            PutDeviceKeyEntry(state->image, k, DefaultDeviceKeyTable()[k]);
        RestampDefaultKeyOrder(state->records);
        state->image[img::kBrightness] = brightness;
        const fs::path file = folder.path() / ("b" + std::to_string(brightness) + ".bin");
        EXPECT_TRUE(SaveKeymap(file, *state));
        return file;
    }

    int Ctl(std::vector<std::string> args, std::string* out = nullptr)
    {
        std::ostringstream o;
        std::ostringstream e;
        const int code = ctl::RunCorvanectl(args, o, e, nullptr, nullptr, MemoryFile());
        if (out != nullptr) *out = o.str() + e.str();
        return code;
    }

    testing::TempFolder folder;
};

TEST_F(EmulatorMemoryTest, WhatOneCommandSendsTheNextReadsUnlessFresh)
{
    ASSERT_EQ(Ctl({"--emulate", "apply", SettingsWithBrightness(17).string()}), 0);
    std::string read;
    ASSERT_EQ(Ctl({"read", "--emulate"}, &read), 0);
    EXPECT_NE(read.find("Brightness: 17"), std::string::npos) << read;
    ASSERT_EQ(Ctl({"read", "--emulate=fresh"}, &read), 0);
    EXPECT_NE(read.find("Brightness: 50"), std::string::npos) << read;
    // A fresh keyboard forgets what it is sent; the remembered one is untouched by it.
    ASSERT_EQ(Ctl({"--emulate=fresh", "apply", SettingsWithBrightness(3).string()}), 0);
    ASSERT_EQ(Ctl({"read", "--emulate"}, &read), 0);
    EXPECT_NE(read.find("Brightness: 17"), std::string::npos) << read;
    // A factory reset resets the memory.
    ASSERT_EQ(Ctl({"reset", "--emulate"}), 0);
    ASSERT_EQ(Ctl({"read", "--emulate"}, &read), 0);
    EXPECT_NE(read.find("Brightness: 50"), std::string::npos) << read;
}

TEST_F(EmulatorMemoryTest, ProcessesTakeTurns)
{
    EmulatorMemoryFile first(MemoryFile());
    ASSERT_TRUE(first.Lock());
    std::atomic<bool> firstDone{false};
    std::atomic<bool> waited{false};
    std::atomic<bool> overlapped{false};
    std::thread second([&] {
        EmulatorMemoryFile other(MemoryFile());
        EXPECT_TRUE(other.Lock([&] { waited = true; }));
        overlapped = !firstDone.load();
    });
    while (!waited.load())
        std::this_thread::yield();
    firstDone = true;
    first.Unlock();
    second.join();
    EXPECT_FALSE(overlapped.load());
}

// The window's emulator and corvanectl's are one keyboard: what one sends, the other finds at its
// next sequence, and a change is written only when the outermost hold ends.
TEST_F(EmulatorMemoryTest, TwoEmulatorsOnOneMemoryAreOneKeyboard)
{
    VirtualClock clock;
    KeyboardEmulator windowSide(clock);
    KeyboardEmulator ctlSide(clock);
    std::vector<std::string> told;
    auto tell = [&](const std::string& text) { told.push_back(text); };
    SharedEmulatorMemory windowMemory(windowSide, MemoryFile(), tell);
    SharedEmulatorMemory ctlMemory(ctlSide, MemoryFile(), tell);
    for (const std::uint8_t brightness : {7, 31}) {
        ASSERT_TRUE(ctlMemory.Acquire({}));
        ASSERT_TRUE(ctlMemory.Acquire({}));
        EmulatedDeviceState state = ctlSide.State();
        state.brightness = brightness;
        ctlSide.SetState(state);
        ctlMemory.Release();
        EXPECT_NE(windowSide.State().brightness, brightness);
        ctlMemory.Release();
        KeyboardLockHold hold(&windowMemory, {});
        EXPECT_EQ(windowSide.State().brightness, brightness);
    }
    EXPECT_TRUE(told.empty());
}

TEST_F(EmulatorMemoryTest, AFileThatIsNotWholeIsNeitherTakenNorLost)
{
    VirtualClock clock;
    KeyboardEmulator remembered(clock);
    EmulatedDeviceState changed = KeyboardEmulator::FactoryState();
    changed.macroSlots[31][191] = 0x5A;
    changed.lightMaps[4][511] = 0xA5;
    remembered.SetState(changed);
    remembered.SetFirmwareVersion(2, 7);
    const std::vector<std::uint8_t> whole = EncodeEmulatedMemory(MemoryOf(remembered));
    ASSERT_EQ(DecodeEmulatedMemory(whole), MemoryOf(remembered));

    std::vector<std::uint8_t> badMagic = whole;
    badMagic[0] ^= 1;
    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one byte short", {whole.begin(), whole.end() - 1}},
        {"one byte more",
         [&] {
             auto b = whole;
             b.push_back(0);
             return b;
         }()},
        {"another file", badMagic},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodeEmulatedMemory(c.bytes));
        fs::remove_all(MemoryFile().parent_path());
        fs::create_directories(MemoryFile().parent_path());
        std::ofstream(MemoryFile(), std::ios::binary)
            .write(reinterpret_cast<const char*>(c.bytes.data()),
                   static_cast<std::streamsize>(c.bytes.size()));
        KeyboardEmulator emulator(clock);
        EmulatorMemoryFile memory(MemoryFile());
        EXPECT_EQ(memory.LoadInto(emulator), EmulatorMemoryFile::LoadOutcome::kDamaged);
        EXPECT_EQ(MemoryOf(emulator).state, KeyboardEmulator::FactoryState());
        ASSERT_TRUE(memory.Save(remembered));
        // The bytes that were there are kept beside; the file now holds the whole memory.
        std::size_t keptBeside = 0;
        for (const auto& entry : fs::directory_iterator(MemoryFile().parent_path()))
            keptBeside += entry.path().filename().string().starts_with("emulated-keyboard.bin.damaged-");
        EXPECT_EQ(keptBeside, 1u);
        EXPECT_EQ(memory.LoadInto(emulator), EmulatorMemoryFile::LoadOutcome::kLoaded);
        EXPECT_EQ(MemoryOf(emulator), MemoryOf(remembered));
    }
    // A folder in its place is not read and not written over.
    fs::remove_all(MemoryFile().parent_path());
    fs::create_directories(MemoryFile());
    std::string read;
    EXPECT_EQ(Ctl({"--emulate", "apply", SettingsWithBrightness(9).string()}, &read), 0);
    EXPECT_NE(read.find("cannot be read"), std::string::npos) << read;
    EXPECT_TRUE(fs::is_directory(MemoryFile()));
}

TEST_F(EmulatorMemoryTest, AChangeIsToldOnceItIsWholeAndAReadIsNoChange)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    std::ostringstream out;
    // Game mode as a started program leaves it, so that what follows changes only what it says.
    ASSERT_EQ(ctl::RunCorvanectl({"read"}, out, out, &emulator, &clock), 0);
    std::atomic<int> told{0};
    emulator.SetChangeCallback([&] { ++told; });
    ASSERT_EQ(ctl::RunCorvanectl({"read"}, out, out, &emulator, &clock), 0);
    EXPECT_EQ(told.load(), 0);
    ASSERT_EQ(ctl::RunCorvanectl({"apply", SettingsWithBrightness(21).string()}, out, out, &emulator, &clock),
              0);
    EXPECT_EQ(told.load(), 1);
    emulator.PressLightingKey(4, 30);
    EXPECT_EQ(told.load(), 2);
}

} // namespace
} // namespace corvane
