#include "platform/HidapiBackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <unistd.h>

namespace corvane {
namespace {

// Interface 1 of a keyboard: consumer, system, a vendor collection with a nested one, and the
// event collection.
const std::vector<std::uint8_t> kFourCollections = {
    0x05,
    0x0C,
    0x09,
    0x01,
    0xA1,
    0x01,
    0x85,
    0x01,
    0x75,
    0x10,
    0x95,
    0x01,
    0x81,
    0x00,
    0xC0,
    0x05,
    0x01,
    0x09,
    0x80,
    0xA1,
    0x01,
    0x85,
    0x02,
    0x81,
    0x02,
    0xC0,
    0x06,
    0x00,
    0xFF,
    0x09,
    0x01,
    0xA1,
    0x01,
    0x09,
    0x02,
    0xA1,
    0x02,
    0x85,
    0x03,
    0xC0,
    0xC0,
    // a long item in between must be stepped over as a whole, though its data looks like items
    0xFE,
    0x02,
    0x10,
    0xA1,
    0x01,
    0x06,
    0x01,
    0xFF,
    0x09,
    0x01,
    0xA1,
    0x01,
    0x85,
    0x04,
    0x95,
    0x03,
    0x81,
    0x02,
    0xC0,
};

TEST(HidDescriptorTest, CountsOnlyTopLevelCollections)
{
    EXPECT_EQ(CountTopLevelCollections(kFourCollections), 4);
    // Four-byte data items (size code 3) are stepped over correctly.
    const std::vector<std::uint8_t> wide = {0x27, 0xFF, 0xFF, 0xFF, 0x7F, 0xA1, 0x01, 0xC0};
    EXPECT_EQ(CountTopLevelCollections(wide), 1);
    EXPECT_EQ(CountTopLevelCollections({}), 0);
}

TEST(HidDescriptorTest, RejectsMalformedDescriptors)
{
    auto truncated = kFourCollections;
    truncated.pop_back();
    EXPECT_EQ(CountTopLevelCollections(truncated), std::nullopt); // a collection never closed
    EXPECT_EQ(CountTopLevelCollections(std::vector<std::uint8_t>{0xC0}), std::nullopt);
    EXPECT_EQ(CountTopLevelCollections(std::vector<std::uint8_t>{0xA1}), std::nullopt); // data missing
    EXPECT_EQ(CountTopLevelCollections(std::vector<std::uint8_t>{0xFE, 0x05, 0x01}), std::nullopt);
}

std::size_t CountContaining(const std::vector<std::string>& texts, const std::string& part)
{
    return std::count_if(texts.begin(), texts.end(),
                         [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

TEST(HidMatchTextTest, NamesInterfaceAndCollectionAsTheSubstringsExpect)
{
    const UsbIdPair keyboard = kAcceptedDeviceIds[0];
    EXPECT_EQ(BuildMatchTexts(keyboard, 3, 1), std::vector<std::string>{"vid_3f1c&pid_0101&mi_03"});
    EXPECT_EQ(BuildMatchTexts(keyboard, 2, 0), std::vector<std::string>{"vid_3f1c&pid_0101&mi_02"});

    const auto events = BuildMatchTexts(keyboard, 1, 4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], "vid_3f1c&pid_0101&mi_01&col01");
    EXPECT_EQ(CountContaining(events, "ol04"), 1u);
    EXPECT_EQ(CountContaining(events, "mi_03"), 0u);
    // The interface number is hex, as in interface paths.
    EXPECT_EQ(BuildMatchTexts({0x1234, 0xABCD}, 12, 1), std::vector<std::string>{"vid_1234&pid_abcd&mi_0c"});
    // Not a USB interface: no interface part.
    EXPECT_EQ(BuildMatchTexts({0x1234, 0xABCD}, -1, 1), std::vector<std::string>{"vid_1234&pid_abcd"});
}

TEST(HidMatchTextTest, KnownCollectionsFillInForAnUnreadableDescriptor)
{
    EXPECT_EQ(BuildMatchTexts(kAcceptedDeviceIds[0], 1, std::nullopt),
              std::vector<std::string>{"vid_3f1c&pid_0101&mi_01&col04"});
    EXPECT_EQ(CountContaining(BuildMatchTexts(kAcceptedDeviceIds[2], 1, std::nullopt), "ol04"), 1u);
    // Only the keyboard's event interface; nothing else gains a collection part.
    EXPECT_EQ(BuildMatchTexts(kAcceptedDeviceIds[0], 3, std::nullopt),
              std::vector<std::string>{"vid_3f1c&pid_0101&mi_03"});
    EXPECT_EQ(BuildMatchTexts({0x1234, 0x0001}, 1, std::nullopt),
              std::vector<std::string>{"vid_1234&pid_0001&mi_01"});
    // A readable descriptor wins over the table.
    EXPECT_EQ(CountContaining(BuildMatchTexts(kAcceptedDeviceIds[0], 1, 1), "col"), 0u);
}

class SysfsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/corvane-sysfs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        const auto device = root / "class" / "hidraw" / "hidraw7" / "device";
        std::filesystem::create_directories(device);
        std::ofstream(device / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(kFourCollections.data()), kFourCollections.size());
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    std::filesystem::path root;
};

TEST_F(SysfsTest, ReadsTheDescriptorOfTheNodeOnly)
{
    const auto descriptor = ReadReportDescriptor(root, "/dev/hidraw7");
    ASSERT_TRUE(descriptor);
    EXPECT_EQ(*descriptor, kFourCollections);
    EXPECT_EQ(ReadReportDescriptor(root, "/dev/hidraw8"), std::nullopt);
    // Names that are not hidraw nodes never reach the file system.
    EXPECT_EQ(ReadReportDescriptor(root, "/dev/hidraw7/.."), std::nullopt);
    EXPECT_EQ(ReadReportDescriptor(root, "/dev/hidraw"), std::nullopt);
    EXPECT_EQ(ReadReportDescriptor(root, "/dev/hidraw7x"), std::nullopt);
}

TEST(HidapiBackendTest, OpensNothingThatIsNotThere)
{
    HidapiBackend backend;
    // No keyboard is attached here; listing must still work and skip over-long paths.
    for (const auto& info : backend.Enumerate())
        EXPECT_LE(info.path.size(), kMaxHidPathLength);
    EXPECT_EQ(backend.Open("/dev/hidraw-none"), nullptr);
    EXPECT_EQ(backend.Open(std::string(300, 'x')), nullptr);
    EXPECT_EQ(backend.Open(""), nullptr);
}

} // namespace
} // namespace corvane
