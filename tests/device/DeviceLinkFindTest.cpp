// Which interface is taken as the keyboard's, and when a channel is opened.

#include "DeviceLinkTestSupport.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;

class ListedBackend final : public HidBackend
{
public:
    std::vector<HidInterfaceInfo> Enumerate() override { return interfaces; }
    std::unique_ptr<HidChannel> Open(const std::string& path, OpenFailure& failure) override
    {
        opened.push_back(path);
        if (openError != 0) {
            failure = {OpenErrorOfErrno(openError), openError, path + ": refused"};
            return nullptr;
        }
        return emulator.Open(KeyboardEmulator::kCommandPath, failure);
    }
    int openError = 0;
    std::vector<HidInterfaceInfo> interfaces;
    std::vector<std::string> opened;
    VirtualClock clock;
    KeyboardEmulator emulator{clock};
};

struct Find : ::testing::Test
{
    DeviceLink& Link(DeviceLinkOptions options = {})
    {
        link = std::make_unique<DeviceLink>(backend, clock, sink, std::move(options));
        return *link;
    }
    ListedBackend backend;
    VirtualClock clock;
    RecordingSink sink;
    std::unique_ptr<DeviceLink> link;
    const UsbIdPair ours = kAcceptedDeviceIds[0];
    const UsbIdPair second = kAcceptedDeviceIds[2];
};

HidInterfaceInfo Interface(std::string path, UsbIdPair ids, std::string matchText)
{
    return {std::move(path), ids.vendorId, ids.productId, std::move(matchText)};
}

TEST_F(Find, FirstAcceptedInterfaceWithTheSubstringWins)
{
    backend.interfaces = {
        Interface("/dev/hidraw0", {0x046D, 0xC52B}, "hid#vid_046d&pid_c52b&mi_03"), // other IDs
        Interface("/dev/hidraw1", ours, "hid#vid_3f1c&pid_0101&mi_02"),             // other interface
        Interface("/dev/hidraw2", ours, "hid#vid_3f1c&pid_0101&MI_03"),             // wrong case
        Interface("/dev/hidraw3", second, "hid#vid_3f2d&pid_0201&mi_03"),
        Interface("/dev/hidraw4", ours, "hid#vid_3f1c&pid_0101&mi_03"),
    };
    DeviceLink& link = Link();
    EXPECT_TRUE(link.FindKeyboardInterface("mi_03"));
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw3");
    EXPECT_EQ(link.DeviceIds(), second);
    EXPECT_TRUE(link.FindKeyboardInterface("ol04") == false);
    // A failed search keeps what the last one found.
    EXPECT_EQ(link.DevicePath(), "/dev/hidraw3");
    EXPECT_EQ(link.DeviceIds(), second);
}

TEST_F(Find, OverlongPathsAreSkipped)
{
    const std::string tooLong = "/dev/" + std::string(250, 'x'); // 255 characters
    const std::string longest = "/dev/" + std::string(249, 'y'); // 254 characters
    backend.interfaces = {Interface(tooLong, ours, "mi_03"), Interface(longest, ours, "mi_03")};
    DeviceLink& link = Link();
    EXPECT_TRUE(link.FindKeyboardInterface("mi_03"));
    EXPECT_EQ(link.DevicePath(), longest);

    // Characters count, not bytes.
    std::string wide = "/dev/";
    for (int i = 0; i < 200; ++i)
        wide += "\xc3\xa9";
    backend.interfaces = {Interface(wide, ours, "mi_03")};
    EXPECT_TRUE(link.FindKeyboardInterface("mi_03"));
    EXPECT_EQ(link.DevicePath(), wide);
}

TEST_F(Find, ExtraIdPairsAreAccepted)
{
    const UsbIdPair variant{0x1234, 0x5678};
    backend.interfaces = {Interface("/dev/hidraw7", variant, "mi_03")};
    EXPECT_FALSE(Link().FindKeyboardInterface("mi_03"));
    DeviceLinkOptions options;
    options.extraDeviceIds = {variant};
    EXPECT_TRUE(Link(options).FindKeyboardInterface("mi_03"));
    EXPECT_TRUE(link->IsAcceptedPair(variant));
    EXPECT_TRUE(link->IsAcceptedPair(kUpdateModeIds));
}

TEST_F(Find, AStalePathIsNeverOpened)
{
    // Both interfaces at first; later only the command interface is listed. The event search
    // fails, and the path it would reopen now belongs to the command interface.
    backend.interfaces = {Interface("/dev/hidraw5", ours, "mi_03")};
    DeviceLink& link = Link();
    const StartResult started = link.Start();
    EXPECT_TRUE(started.commandChannelOpen);
    EXPECT_FALSE(started.eventChannelOpen);
    EXPECT_EQ(backend.opened, std::vector<std::string>{"/dev/hidraw5"});
    link.Shutdown();
}

TEST_F(Find, AFailedStartSaysWhyTheKeyboardCannotBeUsed)
{
    struct Case
    {
        const char* name;
        std::vector<HidInterfaceInfo> listed;
        int openError;
        KeyboardAccess access;
        bool detail;
    };
    const Case cases[] = {
        {"nothing listed", {}, 0, KeyboardAccess::kNoKeyboard, false},
        {"udev rule missing",
         {Interface("/dev/hidraw5", ours, "mi_03")},
         EACCES,
         KeyboardAccess::kNotAccessible,
         true},
        {"not permitted",
         {Interface("/dev/hidraw5", ours, "mi_03")},
         EPERM,
         KeyboardAccess::kNotAccessible,
         true},
        {"gone before the open",
         {Interface("/dev/hidraw5", ours, "mi_03")},
         ENOENT,
         KeyboardAccess::kNoKeyboard,
         true},
        {"busy", {Interface("/dev/hidraw5", ours, "mi_03")}, EBUSY, KeyboardAccess::kOpenFailed, true},
        {"other failure", {Interface("/dev/hidraw5", ours, "mi_03")}, EIO, KeyboardAccess::kOpenFailed, true},
        {"update mode",
         {Interface("/dev/hidraw2", kUpdateModeIds, "mi_02")},
         0,
         KeyboardAccess::kUpdateMode,
         false},
        // Another accepted pair's keys interface is not the update mode.
        {"keys interface only",
         {Interface("/dev/hidraw2", ours, "mi_02")},
         0,
         KeyboardAccess::kNoKeyboard,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        backend.interfaces = c.listed;
        backend.openError = c.openError;
        DeviceLink& link = Link();
        EXPECT_FALSE(link.Start().commandChannelOpen);
        EXPECT_EQ(link.Access().access, c.access);
        EXPECT_EQ(!link.Access().detail.empty(), c.detail);
        if (c.detail) {
            EXPECT_NE(link.Access().detail.find("/dev/hidraw5"), std::string::npos);
        }
        EXPECT_FALSE(link.OpenForQueries());
        EXPECT_EQ(link.Access().access, c.access);
        link.Shutdown();
    }
    // Once the keyboard opens, nothing is wrong any more.
    backend.interfaces = {Interface("/dev/hidraw5", ours, "mi_03"), Interface("/dev/hidraw4", ours, "col04")};
    backend.openError = 0;
    EXPECT_TRUE(Link().Start().commandChannelOpen);
    EXPECT_EQ(link->Access().access, KeyboardAccess::kReady);
    link->Shutdown();
}

TEST(KeyboardSearch, TheApplicationAsksTheLinksOwnSearch)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    EXPECT_TRUE(FindKeyboardInterfaceIn(emulator, {}, kCommandInterface));
    emulator.SetIds({0x1234, 0x5678});
    EXPECT_FALSE(FindKeyboardInterfaceIn(emulator, {}, kCommandInterface));
    const auto found = FindKeyboardInterfaceIn(emulator, {{0x1234, 0x5678}}, kCommandInterface);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, KeyboardEmulator::kCommandPath);
}

} // namespace
} // namespace corvane
