// What every hook delivers: keys by their place on the keyboard, one message per keystroke in
// mode 0 (code 0 for a key without one), presses and releases (bit 31) in mode 1, no repeats,
// nothing for unknown keys in mode 1, nothing after the hook stops.

#include "keys/KeyboardHook.h"
#include "format/KeyCodeTable.h"
#include "format/KeyLayout.h"
#include "keys/LinuxKeyMap.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace corvane {
namespace {

// Kernel key codes used below.
constexpr std::uint16_t kKeyQ = 16;
constexpr std::uint16_t kKeyA = 30;
constexpr std::uint16_t kKeyLeftCtrl = 29;
constexpr std::uint16_t kKeyKp0 = 82;
constexpr std::uint16_t kKeyKpEnter = 96;
constexpr std::uint16_t kKey102nd = 86;
constexpr std::uint16_t kKeyFn = 0x1d0;

struct Recorder : HookWindow
{
    void HookKey(std::uint8_t key, std::uint32_t flags, InputTime) override { got.push_back({key, flags}); }
    std::vector<std::pair<std::uint8_t, std::uint32_t>> got;
};

TEST(LinuxKeyMap, EveryKeyOfTheLayoutCanBeCaptured)
{
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        bool found = false;
        for (std::uint16_t code = 0; code < 256 && !found; ++code)
            found = VirtualKeyFromLinuxKey(code) == DefaultKeyOrder[slot];
        EXPECT_TRUE(found) << "slot " << slot << " code " << int(DefaultKeyOrder[slot]);
    }
}

TEST(LinuxKeyMap, EveryMappedKeyIsOneTheKeyboardCanSend)
{
    const KeyCodeTable& codes = StandardKeyCodeTable();
    for (std::uint16_t code = 0; code < 1024; ++code) {
        const std::optional<std::uint8_t> key = VirtualKeyFromLinuxKey(code);
        if (!key) continue;
        EXPECT_NE(*key, 0) << code;
        EXPECT_NE(codes.Usage(*key), 0) << "Linux key " << code << " gives " << int(*key);
        EXPECT_FALSE(codes.Label(*key).empty()) << code;
    }
}

TEST(LinuxKeyMap, PlacesNotLayouts)
{
    const std::pair<std::uint16_t, std::optional<std::uint8_t>> cases[] = {
        {kKeyQ, 'Q'},        // also where a French layout types A
        {kKeyA, 'A'},        //
        {kKeyLeftCtrl, 162}, // left Ctrl, not the generic Ctrl code
        {kKeyKp0, 96},       // keypad 0 whatever Num Lock says
        {kKeyKpEnter, 108},  // the keypad's own Enter
        {kKey102nd, std::nullopt},
        {0, std::nullopt},
        {kKeyFn, std::nullopt},
        {0xFFFF, std::nullopt},
    };
    for (const auto& [code, key] : cases)
        EXPECT_EQ(VirtualKeyFromLinuxKey(code), key) << code;
}

TEST(HookKeyFilter, DeliversByMode)
{
    struct Case
    {
        std::int32_t mode;
        std::vector<std::pair<std::uint16_t, bool>> events; // key, pressed
        std::vector<std::pair<std::uint8_t, std::uint32_t>> expected;
    };
    const Case cases[] = {
        // One message per keystroke, at the press.
        {kHookModeKeyStroke, {{kKeyA, true}, {kKeyA, false}}, {{'A', 0}}},
        {kHookModeKeyStroke,
         {{kKeyLeftCtrl, true}, {kKeyA, true}, {kKeyA, false}, {kKeyLeftCtrl, false}},
         {{162, 0}, {'A', 0}}},
        // Presses and releases, bit 31 on the release.
        {kHookModePressAndRelease,
         {{kKeyLeftCtrl, true}, {kKeyA, true}, {kKeyA, false}, {kKeyLeftCtrl, false}},
         {{162, 0}, {'A', 0}, {'A', kHookKeyReleased}, {162, kHookKeyReleased}}},
        // Held keys repeat their press; raw events may repeat a release: one of each counts.
        {kHookModePressAndRelease,
         {{kKeyA, true}, {kKeyA, true}, {kKeyA, true}, {kKeyA, false}, {kKeyA, false}},
         {{'A', 0}, {'A', kHookKeyReleased}}},
        {kHookModeKeyStroke,
         {{kKeyA, true}, {kKeyA, true}, {kKeyA, false}, {kKeyA, true}},
         {{'A', 0}, {'A', 0}}},
        // A release of a key that went down before the hook started is not the hook's.
        {kHookModePressAndRelease, {{kKeyQ, false}, {kKeyA, true}}, {{'A', 0}}},
        // Keys without a code: the recorder ignores them; a keystroke names none, so that the
        // window can say so.
        {kHookModePressAndRelease, {{kKey102nd, true}, {kKey102nd, false}, {kKeyFn, true}}, {}},
        {kHookModeKeyStroke,
         {{kKey102nd, true}, {kKey102nd, false}, {kKeyA, true}},
         {{kUnnamedKey, 0}, {'A', 0}}},
    };
    for (const Case& c : cases) {
        Recorder window;
        HookKeyFilter filter;
        ASSERT_TRUE(filter.Start(window, c.mode));
        for (const auto& [key, pressed] : c.events)
            filter.Feed(key, pressed);
        EXPECT_EQ(window.got, c.expected) << "mode " << c.mode << ", " << c.events.size() << " events";
    }
}

TEST(HookKeyFilter, NothingAfterStopAndNoStaleStateAfterRestart)
{
    Recorder window;
    HookKeyFilter filter;
    EXPECT_FALSE(filter.Start(window, 2)) << "unknown mode";
    EXPECT_FALSE(filter.Running());
    ASSERT_TRUE(filter.Start(window, kHookModePressAndRelease));
    filter.Feed(kKeyA, true);
    filter.Stop();
    filter.Feed(kKeyA, false);
    filter.Feed(kKeyQ, true);
    EXPECT_EQ(window.got.size(), 1u);
    // A held key from the earlier run neither blocks its next press nor releases alone.
    ASSERT_TRUE(filter.Start(window, kHookModePressAndRelease));
    filter.Feed(kKeyQ, false);
    filter.Feed(kKeyA, true);
    EXPECT_EQ(window.got.back(), (std::pair<std::uint8_t, std::uint32_t>{'A', 0}));
    EXPECT_EQ(window.got.size(), 2u);
}

} // namespace
} // namespace corvane
