// What corvanectl says when the keyboard is there but cannot be used, run in-process against a
// backend whose opens fail as the system fails them.

#include "../device/RefusingBackend.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

namespace corvane {
namespace {

TEST(CtlAccess, EachCommandNamesWhyTheKeyboardCannotBeOpened)
{
    struct Case
    {
        int openError;
        int exitCode;
        const char* says;
        bool udevHelp;
    };
    const Case cases[] = {
        {EACCES, ctl::kExitNotAccessible, "keyboard found but not accessible", true},
        {EPERM, ctl::kExitNotAccessible, "keyboard found but not accessible", true},
        {ENOENT, ctl::kExitNoKeyboard, "no keyboard found", false},
        {EIO, ctl::kExitNoKeyboard, "keyboard found but cannot be opened", false},
    };
    for (const Case& c : cases) {
        for (const char* command : {"info", "read", "reset"}) {
            SCOPED_TRACE(::testing::Message() << command << " errno " << c.openError);
            VirtualClock clock;
            KeyboardEmulator emulator(clock);
            testing::RefusingBackend backend(emulator, c.openError);
            std::ostringstream out;
            std::ostringstream err;
            EXPECT_EQ(ctl::RunCorvanectl({command}, out, err, &backend, &clock), c.exitCode);
            EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
            EXPECT_EQ(err.str().find("udevadm control --reload-rules") != std::string::npos, c.udevHelp)
                << err.str();
            if (c.openError != ENOENT) {
                EXPECT_NE(err.str().find("/dev/hidraw7"), std::string::npos) << err.str();
            }
            EXPECT_TRUE(out.str().empty());
        }
    }
}

TEST(CtlAccess, UpdateModeIsToldApart)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    emulator.Unplug();
    emulator.Replug(PlugMode::Update);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ctl::RunCorvanectl({"info"}, out, err, &emulator, &clock), ctl::kExitNoKeyboard);
    EXPECT_NE(err.str().find("firmware update mode"), std::string::npos) << err.str();
}

} // namespace
} // namespace corvane
