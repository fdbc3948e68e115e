#include "device/DeviceIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace corvane {
namespace {

std::string RulesText()
{
    const auto file =
        std::filesystem::path(__FILE__).parent_path() / "../../dist/linux/60-corvane-keyboard.rules";
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UdevRulesTest, OpensTheConfigurationInterfacesOfEveryAcceptedKeyboard)
{
    const std::string rules = RulesText();
    ASSERT_FALSE(rules.empty());
    for (const UsbIdPair& ids : kAcceptedDeviceIds) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"", ids.vendorId,
                      ids.productId);
        EXPECT_NE(rules.find(line), std::string::npos) << line;
    }
    // The command and event interfaces only; never the keystroke interface.
    EXPECT_NE(rules.find("ATTRS{bInterfaceNumber}==\"01|03\", GOTO=\"corvane_keyboard_interface\""),
              std::string::npos);
    EXPECT_EQ(rules.find("\"00"), std::string::npos);
    EXPECT_EQ(rules.find("MODE="), std::string::npos);
}

} // namespace
} // namespace corvane
