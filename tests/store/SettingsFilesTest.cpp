#include "store/SettingsFiles.h"

#include "TempFolder.h"
#include "Unprivileged.h"
#include "format/KeyLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

using testing::ReadAll;
using testing::TempFolder;
using testing::WriteAll;

// Every byte different, so a misplaced block shows.
std::unique_ptr<SettingsState> PatternedState()
{
    auto state = std::make_unique<SettingsState>();
    for (std::size_t i = 0; i < kSettingsImageSize; ++i)
        state->image[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::uint8_t* records = state->records.data();
    for (std::size_t i = 0; i < kKeyRecordBufferSize; ++i)
        records[i] = static_cast<std::uint8_t>(i * 13 + 5);
    RestampDefaultKeyOrder(state->records);
    return state;
}

class SettingsFilesTest : public ::testing::Test
{
protected:
    TempFolder folder;
    std::filesystem::path keymap = folder / kKeymapFileName;
};

TEST_F(SettingsFilesTest, SaveWritesImageThenRecords)
{
    auto state = PatternedState();
    ASSERT_TRUE(SaveKeymap(keymap, *state));
    const auto bytes = ReadAll(keymap);
    ASSERT_EQ(bytes.size(), 206920u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 10060, state->image.data()));
    EXPECT_TRUE(std::equal(bytes.begin() + 10060, bytes.end(), state->records.data()));
    EXPECT_EQ(bytes[10060 + 772 * 3], 114) << "record 3 starts at 10060 + 772 * 3";
}

TEST_F(SettingsFilesTest, FullLoadRoundTripsAndRestampsTheKeyOrder)
{
    auto saved = PatternedState();
    saved->records[3][rec::kKeyCode] = 0x41;
    saved->records[150][rec::kKeyCode] = 0x41; // not a key: left as it is
    ASSERT_TRUE(SaveKeymap(keymap, *saved));
    auto loaded = std::make_unique<SettingsState>();
    EXPECT_EQ(LoadKeymap(keymap, *loaded, KeymapLoadMode::kFull).state, FileState::kLoaded);
    EXPECT_EQ(loaded->image, saved->image);
    EXPECT_EQ(loaded->records[3][rec::kKeyCode], 114);
    EXPECT_EQ(loaded->records[150][rec::kKeyCode], 0x41);
    saved->records[3][rec::kKeyCode] = 114;
    EXPECT_EQ(loaded->records, saved->records);
}

TEST_F(SettingsFilesTest, RecordsOnlyLoadKeepsTheImage)
{
    auto saved = PatternedState();
    ASSERT_TRUE(SaveKeymap(keymap, *saved));
    auto state = std::make_unique<SettingsState>();
    state->image[img::kBrightness] = 42;
    const SettingsImage before = state->image;
    EXPECT_EQ(LoadKeymap(keymap, *state, KeymapLoadMode::kRecordsOnly).state, FileState::kLoaded);
    EXPECT_EQ(state->image, before);
    EXPECT_EQ(state->records, saved->records);
}

// Before a key dialog the records are reloaded while the program runs: what the user assigned
// since the start is only in memory when the file went missing or was damaged meanwhile.
TEST_F(SettingsFilesTest, RecordsOnlyLoadTakesNothingButAWholeFile)
{
    auto saved = PatternedState();
    ASSERT_TRUE(SaveKeymap(keymap, *saved));
    const auto whole = ReadAll(keymap);
    enum Kind { kMissing, kShort, kPartOfTheRecords, kLong, kFolder, kFifo };
    const struct
    {
        Kind kind;
        FileState state;
    } cases[] = {
        {kMissing, FileState::kMissing},
        {kShort, FileState::kWrongSize},
        {kPartOfTheRecords, FileState::kWrongSize},
        {kLong, FileState::kWrongSize},
        {kFolder, FileState::kNotRegular},
        {kFifo, FileState::kNotRegular},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        std::filesystem::remove_all(keymap);
        switch (c.kind) {
        case kMissing:
            break;
        case kShort:
            WriteAll(keymap, {whole.begin(), whole.begin() + 1000});
            break;
        case kPartOfTheRecords:
            WriteAll(keymap, {whole.begin(), whole.begin() + kSettingsImageSize + 772 * 3});
            break;
        case kLong: {
            auto longer = whole;
            longer.push_back(0);
            WriteAll(keymap, longer);
            break;
        }
        case kFolder:
            std::filesystem::create_directory(keymap);
            break;
        case kFifo:
            ASSERT_EQ(::mkfifo(keymap.c_str(), 0600), 0);
            break;
        }
        // What the user assigned since the start: different from every record in the file.
        auto state = std::make_unique<SettingsState>();
        std::fill_n(state->records.data(), kKeyRecordBufferSize, 0xEE);
        RestampDefaultKeyOrder(state->records);
        const auto before = std::make_unique<SettingsState>(*state);
        EXPECT_EQ(LoadKeymap(keymap, *state, KeymapLoadMode::kRecordsOnly).state, c.state);
        EXPECT_EQ(state->records, before->records);
        EXPECT_EQ(state->image, before->image);
        EXPECT_EQ(c.kind == kMissing, !std::filesystem::exists(keymap)) << "nothing is created";
    }
    std::filesystem::remove_all(keymap);
    WriteAll(keymap, whole);
    // A whole file the user may not read (root reads anything, so this runs as nobody).
    ::chmod(folder.path().c_str(), 0777);
    ::chmod(keymap.c_str(), 0);
    EXPECT_EQ(testing::RunUnprivileged([&] {
                  auto state = std::make_unique<SettingsState>();
                  std::fill_n(state->records.data(), kKeyRecordBufferSize, 0xEE);
                  const FileStatus status = LoadKeymap(keymap, *state, KeymapLoadMode::kRecordsOnly);
                  return std::string(status.state != FileState::kUnreadable ? "not unreadable\n" : "") +
                         (state->records[3][rec::kData] != 0xEE ? "records changed\n" : "");
              }),
              "");
    ::chmod(keymap.c_str(), 0644);
    auto state = std::make_unique<SettingsState>();
    EXPECT_EQ(LoadKeymap(keymap, *state, KeymapLoadMode::kRecordsOnly).state, FileState::kLoaded);
    EXPECT_EQ(state->records, saved->records);
}

TEST_F(SettingsFilesTest, MissingFileIsCreatedWithZeroRecords)
{
    auto state = PatternedState();
    const FileStatus status = LoadKeymap(keymap, *state, KeymapLoadMode::kFull);
    EXPECT_EQ(status.state, FileState::kMissing);
    EXPECT_TRUE(status.created);
    const auto bytes = ReadAll(keymap);
    ASSERT_EQ(bytes.size(), 206920u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 10060, state->image.data())) << "the current image";
    EXPECT_TRUE(std::all_of(bytes.begin() + 10060, bytes.end(), [](std::uint8_t b) { return b == 0; }));
    // In memory the records are empty apart from the key codes every load stamps.
    EXPECT_EQ(state->records[3][rec::kKeyCode], 114);
    EXPECT_EQ(state->records[3][rec::kData], 0);
    EXPECT_EQ(state->records[200][rec::kKeyCode], 0);
}

TEST_F(SettingsFilesTest, ShortFileFillsOnlyAsFarAsItReaches)
{
    auto saved = PatternedState();
    ASSERT_TRUE(SaveKeymap(keymap, *saved));
    auto bytes = ReadAll(keymap);
    bytes.resize(10060 + 772 * 2 + 100); // two whole records and a part of the third
    WriteAll(keymap, bytes);
    auto state = std::make_unique<SettingsState>();
    std::fill_n(state->records.data(), kKeyRecordBufferSize, 0xEE);
    EXPECT_EQ(LoadKeymap(keymap, *state, KeymapLoadMode::kFull).state, FileState::kWrongSize);
    EXPECT_EQ(state->image, saved->image);
    EXPECT_EQ(state->records[1], saved->records[1]);
    EXPECT_EQ(state->records[2][99], saved->records[2][99]);
    EXPECT_EQ(state->records[2][100], 0xEE);
    EXPECT_EQ(state->records[254][771], 0xEE);
    EXPECT_EQ(state->records[20][rec::kKeyCode], DefaultKeyOrder[20]) << "restamped all the same";
    EXPECT_EQ(ReadAll(keymap).size(), bytes.size()) << "loading never rewrites the file";
}

TEST_F(SettingsFilesTest, AFailedSaveLeavesTheOldFileWhole)
{
    auto saved = PatternedState();
    ASSERT_TRUE(SaveKeymap(keymap, *saved));
    const auto before = ReadAll(keymap);
    auto changed = PatternedState();
    changed->image[img::kBrightness] ^= 0xFF;
    // (A folder that cannot be written to: FileSafetyTest, as an unprivileged user.)
    // A target that is a folder cannot be replaced by a file.
    const auto dirTarget = folder / "asdir.bin";
    std::filesystem::create_directory(dirTarget);
    EXPECT_FALSE(SaveKeymap(dirTarget, *changed));
    EXPECT_TRUE(std::filesystem::is_directory(dirTarget));
    // And nothing is left behind by the failed attempts.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST_F(SettingsFilesTest, ClosingSavesTheShadowsNotTheEditedState)
{
    auto state = PatternedState();
    state->TakeShadows();
    state->image[img::kLightingMode] = 99;
    state->records[7][rec::kKind] = 4;
    ASSERT_TRUE(SaveKeymapShadows(keymap, *state));
    auto loaded = std::make_unique<SettingsState>();
    LoadKeymap(keymap, *loaded, KeymapLoadMode::kFull);
    EXPECT_EQ(loaded->image, state->shadow);
    EXPECT_EQ(loaded->records, state->recordShadow);
}

TEST_F(SettingsFilesTest, ProfilesReadWholeOrAsFarAsTheyReach)
{
    auto saved = PatternedState();
    const auto profile = folder / "profile.bin";
    ASSERT_TRUE(WriteProfile(profile, saved->image, saved->records));
    auto state = std::make_unique<SettingsState>();
    EXPECT_EQ(ReadProfile(profile, state->image, state->records), 206920u);
    EXPECT_EQ(state->image, saved->image);
    EXPECT_EQ(state->records, saved->records);

    auto bytes = ReadAll(profile);
    bytes.resize(5000);
    WriteAll(profile, bytes);
    auto partial = std::make_unique<SettingsState>();
    EXPECT_EQ(ReadProfile(profile, partial->image, partial->records), 5000u);
    EXPECT_EQ(partial->image[4999], saved->image[4999]);
    EXPECT_EQ(partial->image[5000], 0);
    EXPECT_EQ(partial->records[0][0], 0);

    EXPECT_FALSE(ReadProfile(folder / "missing.bin", partial->image, partial->records).has_value());
    EXPECT_FALSE(std::filesystem::exists(folder / "missing.bin")) << "reading a profile creates nothing";
}

} // namespace
} // namespace corvane
