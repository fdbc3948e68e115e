// The firmware version check.

#include "DeviceLinkTestSupport.h"

#include "device/Firmware.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace corvane {
namespace {

using namespace corvane::testing;

FirmwareVersion FromText(const std::string& text)
{
    return FileVersionFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(Firmware, FileVersionComesFromBytesFiveAndSeven)
{
    EXPECT_EQ(FromText("VER  2.1    "), (FirmwareVersion{2, 1, 0, 0}));
    // Not digits: the values wrap and are compared as they are.
    EXPECT_EQ(FromText("VER  /x.    "), (FirmwareVersion{255, 254, 0, 0}));
    // Too short to hold the minor digit: as if there were no file.
    EXPECT_EQ(FromText("VER  2."), FirmwareVersion{});
    EXPECT_EQ(FromText("VER  2.1"), (FirmwareVersion{2, 1, 0, 0}));
}

TEST(Firmware, ReadsTheFileOrGivesZero)
{
    const auto dir = std::filesystem::temp_directory_path() / ("corvane-fw-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    EXPECT_EQ(ReadFileVersion(dir / kVersionFileName), FirmwareVersion{});
    std::ofstream(dir / kVersionFileName, std::ios::binary) << "CORV 3.4 XYZ";
    EXPECT_EQ(ReadFileVersion(dir / kVersionFileName), (FirmwareVersion{3, 4, 0, 0}));
    std::filesystem::remove_all(dir);
}

TEST(Firmware, OnlyANewerFileOffersTheUpdate)
{
    EXPECT_TRUE(FirmwareUpdateOffered({2, 1}, {1, 9}));
    EXPECT_TRUE(FirmwareUpdateOffered({1, 4}, {1, 3}));
    EXPECT_FALSE(FirmwareUpdateOffered({1, 3}, {1, 3}));
    EXPECT_FALSE(FirmwareUpdateOffered({1, 9}, {2, 0}));
    EXPECT_FALSE(FirmwareUpdateOffered({}, {0, 0}));
}

TEST(Firmware, CheckRunsAfterDeviceReadsOnly)
{
    EmulatedLink f;
    f.options.fileVersion = {2, 1};
    f.emulator.SetFirmwareVersion(1, 9);
    f.Link().Start();
    f.link->WaitForReadAll();
    ASSERT_TRUE(f.sink.Take<ReadFinished>());
    EXPECT_FALSE(f.link->OnReadComplete(f.state(), ReadSource::kProfilePanel).offerFirmwareUpdate);
    EXPECT_TRUE(f.link->OnReadComplete(f.state(), ReadSource::kDevice).offerFirmwareUpdate);

    EmulatedLink same;
    same.options.fileVersion = {1, 3};
    same.emulator.SetFirmwareVersion(1, 3);
    ASSERT_TRUE(same.StartAndSync());
    EXPECT_FALSE(same.link->OnReadComplete(same.state(), ReadSource::kDevice).offerFirmwareUpdate);
}

} // namespace
} // namespace corvane
