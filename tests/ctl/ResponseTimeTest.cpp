// The response time describe shows for a file is the one the keyboard has once the file is applied,
// as read back from it: the byte is the slider position everywhere, the keyboard's value one more.

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace corvane {
namespace {

std::string ResponseTimeLine(const std::string& output)
{
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Response time: ", 0) == 0) return line;
    return {};
}

TEST(CtlResponseTime, DescribedFileAgreesWithTheKeyboardAfterApply)
{
    struct Case
    {
        std::uint8_t stored; // the byte in the file
        const char* line;
        const char* readBack; // null: the same line
    };
    const Case cases[] = {
        {0, "Response time: 1 (slider 0)", nullptr},
        {4, "Response time: 5 (slider 4)", nullptr},
        {9, "Response time: 10 (slider 9)", nullptr},
        // Beyond the slider (a keyboard's value in an older file): the slider's end goes out.
        {10, "Response time: 10 (slider 9; the file holds 10, beyond the slider)",
         "Response time: 10 (slider 9)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.stored));
        testing::TempFolder folder;
        auto state = std::make_unique<SettingsState>();
        RestampDefaultKeyOrder(state->records);
        state->image[img::kResponseTime] = c.stored;
        const auto file = folder.path() / "keymap.bin";
        ASSERT_TRUE(SaveKeymap(file, *state));

        VirtualClock clock;
        KeyboardEmulator emulator(clock);
        std::ostringstream described;
        std::ostringstream err;
        ASSERT_EQ(ctl::RunCorvanectl({"describe", file.string()}, described, err, &emulator, &clock), 0)
            << err.str();
        EXPECT_EQ(ResponseTimeLine(described.str()), c.line);

        std::ostringstream ignored;
        ASSERT_EQ(ctl::RunCorvanectl({"apply", file.string()}, ignored, err, &emulator, &clock), 0)
            << err.str();
        EXPECT_EQ(emulator.State().responseTime, std::min(c.stored, img::kMaxResponseTime) + 1);
        std::ostringstream read;
        ASSERT_EQ(ctl::RunCorvanectl({"read"}, read, err, &emulator, &clock), 0) << err.str();
        EXPECT_EQ(ResponseTimeLine(read.str()), c.readBack != nullptr ? c.readBack : c.line);
    }
}

} // namespace
} // namespace corvane
