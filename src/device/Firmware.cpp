#include "device/Firmware.h"

#include "files/FileStatus.h"

#include <array>

namespace corvane {

namespace {
constexpr std::size_t kVersionFileSize = 12;
constexpr std::size_t kMajorByte = 5;
constexpr std::size_t kMinorByte = 7;
} // namespace

FirmwareVersion FileVersionFromBytes(std::span<const std::uint8_t> contents)
{
    // A truncated file would otherwise read as a huge version and offer an update every time.
    if (contents.size() <= kMinorByte) return {};
    return FirmwareVersion{static_cast<std::uint8_t>(contents[kMajorByte] - '0'),
                           static_cast<std::uint8_t>(contents[kMinorByte] - '0'), 0, 0};
}

FirmwareVersion ReadFileVersion(const std::filesystem::path& versionFile)
{
    std::array<std::uint8_t, kVersionFileSize> bytes{};
    std::size_t count = 0;
    ReadRegularFile(versionFile, kVersionFileSize, bytes, count);
    return FileVersionFromBytes(std::span<const std::uint8_t>(bytes.data(), count));
}

bool FirmwareUpdateOffered(FirmwareVersion fileVersion, FirmwareVersion deviceVersion)
{
    if (fileVersion.major > deviceVersion.major) return true;
    return fileVersion.major == deviceVersion.major && fileVersion.minor > deviceVersion.minor;
}

} // namespace corvane
