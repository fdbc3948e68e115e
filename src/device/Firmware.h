#pragma once
// The firmware version check: the version shipped in VER.bin beside the program against the
// version the keyboard reports. Offering and launching the updater are the window's business.

#include <cstdint>
#include <filesystem>
#include <span>

namespace corvane {

inline constexpr char kVersionFileName[] = "VER.bin";
inline constexpr char kUpdaterFileName[] = "Corvane Keyboard_Update.exe";

// Major, minor, then two zero bytes, as the keyboard and VER.bin give them.
struct FirmwareVersion
{
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t reserved1 = 0;
    std::uint8_t reserved2 = 0;
    bool operator==(const FirmwareVersion&) const = default;
};

// Major from byte 5, minor from byte 7, each less the digit zero, wrapping as bytes. Contents too
// short to hold byte 7 give all zero, as a missing file does.
FirmwareVersion FileVersionFromBytes(std::span<const std::uint8_t> contents);
// All zero when the file cannot be read.
FirmwareVersion ReadFileVersion(const std::filesystem::path& versionFile);

// True when the file names a newer version than the keyboard runs.
bool FirmwareUpdateOffered(FirmwareVersion fileVersion, FirmwareVersion deviceVersion);

} // namespace corvane
