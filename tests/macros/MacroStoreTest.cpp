#include "macros/MacroStore.h"

#include "MacroFileBuilder.h"
#include "macros/MacroEvents.h"
#include "text/Utf16.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

namespace corvane {
namespace {

using test::MacroFileBuilder;

constexpr std::uint8_t kA = 'A', kB = 'B', kC = 'C';

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MacroDefineFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/corvane-macros-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path File() const { return dir_ / kMacroFileName; }
    std::filesystem::path dir_;
};

// ---- Record layout as it lies in MacroDefine.bin

TEST(MacroRecordLayout, FieldsReadFromTheirFileOffsets)
{
    MacroFileBuilder file;
    file.Macro(u"First", 5, true).Press(kA).Release(kA, 300);
    file.Macro(u"Zweite \u00e4", 999).Tap(kB);
    const MacroStore store = file.Store();

    EXPECT_EQ(store[0].Name(), u"First");
    EXPECT_EQ(store[0].RepeatCount(), 5);
    EXPECT_TRUE(store[0].DelayOption());
    EXPECT_EQ(store[1].Name(), u"Zweite \u00e4");
    EXPECT_EQ(store[1].RepeatCount(), 999);
    EXPECT_FALSE(store[1].DelayOption());
    // Record 1 begins 894 bytes in; its first event lies at 894 + 513.
    EXPECT_EQ(file.Bytes()[894 + 513 + 1], 0x05); // usage of B
    EXPECT_EQ(store[1].DeviceEvents()[1], 0x05);
    EXPECT_EQ(store[1].KeyEvents()[1], kB);
    EXPECT_EQ(store.CountInUse(), 2u);
    EXPECT_EQ(store.Names(), (std::vector<std::u16string>{u"First", u"Zweite \u00e4"}));
}

TEST(MacroRecordLayout, RepeatCountIsLittleEndianInTheRecord)
{
    MacroRecord record;
    record.SetRepeatCount(5);
    EXPECT_EQ(record.bytes[510], 0x05);
    EXPECT_EQ(record.bytes[511], 0x00);
    record.SetRepeatCount(0x1234);
    EXPECT_EQ(record.bytes[510], 0x34);
    EXPECT_EQ(record.bytes[511], 0x12);
    EXPECT_EQ(record.bytes[512], 0x00); // flags untouched
}

TEST(MacroRecordNames, LongNamesAreCutAndEmptyNamesRefused)
{
    MacroRecord record;
    ASSERT_TRUE(record.SetName(std::u16string(300, u'x')));
    EXPECT_EQ(record.Name().size(), 254u);
    EXPECT_EQ(record.bytes[508], 0); // the terminator stays inside the field
    EXPECT_EQ(record.bytes[509], 0);

    // A shorter name leaves nothing of the longer one behind.
    ASSERT_TRUE(record.SetName(u"ab"));
    EXPECT_EQ(record.Name(), u"ab");
    EXPECT_EQ(record.bytes[6], 0);

    EXPECT_FALSE(record.SetName(u""));
    EXPECT_EQ(record.Name(), u"ab");
    EXPECT_TRUE(record.InUse());

    // A cut never ends in the first half of a surrogate pair.
    std::u16string emoji(253, u'y');
    emoji += u"\U0001F600";
    ASSERT_TRUE(record.SetName(emoji));
    EXPECT_EQ(record.Name(), std::u16string(253, u'y'));
}

TEST(MacroRecordNames, UnterminatedNameFieldIsNotReadPastItsEnd)
{
    MacroRecord record;
    for (std::size_t i = 0; i < 510; i += 2)
        record.bytes[i] = 'n';
    record.SetRepeatCount(0x4141); // would read as more 'A's if the walk ran on
    EXPECT_EQ(record.Name(), std::u16string(255, u'n'));
}

TEST(MacroNameText, Utf16AndUtf8ConvertBothWays)
{
    const std::u16string name = u"M\u00fcller \U0001F600";
    EXPECT_EQ(Utf16ToUtf8(name), "M\xc3\xbcller \xf0\x9f\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(name)), name);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
    EXPECT_EQ(Utf8ToUtf16("a\xff"), u"a\uFFFD");
}

// ---- Device slots

TEST(DeriveMacroSlots, SlotsCarryCountBigEndianAndTheDeviceEvents)
{
    MacroFileBuilder file;
    file.Macro(u"m0", 5).Tap(kA);
    file.Macro(u"m1", 0x0102).Press(kB).Release(kB, 300);
    file.Macro(u"m2", 1).Tap(kC);
    const MacroStore store = file.Store();
    SettingsImage image;
    image.bytes.fill(0xAA);

    DeriveMacroSlots(store, image);

    const std::uint8_t* slot0 = image.MacroSlot(0);
    EXPECT_EQ(slot0[0], 0x00);
    EXPECT_EQ(slot0[1], 0x05);
    EXPECT_EQ(slot0[2], 0x01);
    EXPECT_EQ(slot0[3], 0x04); // usage of A, not its virtual-key code
    EXPECT_EQ(slot0[4], 0x81);
    EXPECT_TRUE(
        std::equal(store[1].DeviceEvents().begin(), store[1].DeviceEvents().end(), image.MacroSlot(1) + 2));
    EXPECT_EQ(image.MacroSlot(1)[0], 0x01);
    EXPECT_EQ(image.MacroSlot(1)[1], 0x02);
    EXPECT_EQ(image.MacroSlot(2)[4], 0x81);
    // Slots behind the last macro keep their bytes, and nothing outside the slots changes.
    for (std::size_t i = 3 * 192; i < img::kMacroSlotsSize; ++i)
        ASSERT_EQ(image[img::kMacroSlots + i], 0xAA);
    EXPECT_EQ(image[img::kMacroSlots - 1], 0xAA);
    EXPECT_EQ(image[img::kMacroSlots + img::kMacroSlotsSize], 0xAA);
}

TEST(DeriveMacroSlots, EmptyStoreOrEmptyFirstRecordChangesNothing)
{
    SettingsImage image;
    image.bytes.fill(0x5C);
    const SettingsImage before = image;
    DeriveMacroSlots(MacroStore{}, image);
    EXPECT_EQ(image, before);

    // A gap ends the run: records after the first empty name are not macros.
    MacroFileBuilder file;
    file.Macro(u"m0").Tap(kA);
    MacroStore store = file.Store();
    store[2].SetName(u"stray");
    DeriveMacroSlots(store, image);
    EXPECT_NE(image.MacroSlot(0)[2], 0x5C);
    EXPECT_EQ(image.MacroSlot(2)[0], 0x5C);
}

TEST(DeriveMacroSlots, AtMostThirtyTwoSlotsFromAnOverfullStore)
{
    MacroStore store;
    for (std::size_t i = 0; i < 40; ++i) {
        store[i].SetName(u"m");
        store[i].SetRepeatCount(static_cast<std::uint16_t>(i + 1));
    }
    SettingsImage image;
    image.bytes.fill(0x77);
    DeriveMacroSlots(store, image);
    for (std::size_t i = 0; i < 32; ++i)
        EXPECT_EQ(image.MacroSlot(i)[1], i + 1);
    EXPECT_EQ(image[img::kMacroSlots + img::kMacroSlotsSize], 0x77);
}

TEST(DeriveMacroSlots, DeletingAMacroShiftsSlotsAndLeavesTheOldLastSlot)
{
    MacroFileBuilder file;
    file.Macro(u"a", 1).Tap(kA);
    file.Macro(u"b", 2).Tap(kB);
    file.Macro(u"c", 3).Tap(kC);
    MacroStore store = file.Store();
    SettingsImage image;
    DeriveMacroSlots(store, image);

    ASSERT_TRUE(DeleteRecord(store, 1));
    EXPECT_EQ(store.Names(), (std::vector<std::u16string>{u"a", u"c"}));
    DeriveMacroSlots(store, image);
    EXPECT_EQ(image.MacroSlot(1)[1], 3);
    EXPECT_EQ(image.MacroSlot(1)[3], 0x06); // usage of C
    EXPECT_EQ(image.MacroSlot(2)[1], 3);    // stale copy of the old third macro
}

TEST(DeriveMacroSlots, LongEventCutAtTheEndIsNotSent)
{
    MacroFileBuilder file;
    file.Macro(u"cut");
    for (int i = 0; i < 94; ++i)
        file.Press(kA);
    file.Raw({0xFF, 0x04}, {0xFF, kA}); // pause bytes would lie past the array
    const MacroStore store = file.Store();
    SettingsImage image;
    DeriveMacroSlots(store, image);
    EXPECT_EQ(image.MacroSlot(0)[2 + 187], 0x04);
    EXPECT_EQ(image.MacroSlot(0)[2 + 188], 0x00);
    EXPECT_EQ(image.MacroSlot(0)[2 + 189], 0x00);
    EXPECT_EQ(store[0].DeviceEvents()[188], 0xFF); // the record itself is left as it was
}

// ---- Creating and deleting records

TEST(MacroRecordList, InsertAndDeleteKeepUsedRecordsContiguous)
{
    MacroFileBuilder file;
    file.Macro(u"a").Tap(kA);
    file.Macro(u"b").Tap(kB);
    file.Macro(u"c").Tap(kC);
    MacroStore store = file.Store();

    InsertEmptyRecord(store, 3);
    EXPECT_EQ(store[3], MacroRecord{});
    store[3].SetName(u"d");
    InsertEmptyRecord(store, 1);
    store[1].SetName(u"new");
    EXPECT_EQ(store.Names(), (std::vector<std::u16string>{u"a", u"new", u"b", u"c", u"d"}));
    EXPECT_EQ(store[2].KeyEvents()[1], kB);

    ASSERT_TRUE(DeleteRecord(store, 4));
    ASSERT_TRUE(DeleteRecord(store, 0));
    EXPECT_EQ(store.Names(), (std::vector<std::u16string>{u"new", u"b", u"c"}));
    EXPECT_EQ(store[3], MacroRecord{});
    EXPECT_EQ(store[4], MacroRecord{});

    // Deleting what is not a macro must not take the last real one with it.
    EXPECT_FALSE(DeleteRecord(store, 3));
    EXPECT_EQ(store.CountInUse(), 3u);

    // The last record falls off when everything moves back.
    store[189].SetName(u"last");
    InsertEmptyRecord(store, 0);
    EXPECT_FALSE(store[189].InUse());
    EXPECT_EQ(store[1].Name(), u"new");
}

// ---- Names for new macros

TEST(NextFreeMacroName, TakesTheLowestUnusedNumber)
{
    EXPECT_EQ(NextFreeMacroName(std::vector<std::u16string>{}), u"Macro_001");
    EXPECT_EQ(NextFreeMacroName(std::vector<std::u16string>{u"Macro_001", u"Macro_003"}), u"Macro_002");
    EXPECT_EQ(NextFreeMacroName(std::vector<std::u16string>{u"A", u"B"}), u"Macro_001");
    // Exact, case-sensitive comparison.
    EXPECT_EQ(NextFreeMacroName(std::vector<std::u16string>{u"macro_001", u"Macro_1"}), u"Macro_001");

    std::vector<std::u16string> many;
    for (int n = 1; n <= 999; ++n) {
        char text[32];
        std::snprintf(text, sizeof text, "Macro_%03d", n);
        many.emplace_back(text, text + std::strlen(text));
    }
    EXPECT_EQ(NextFreeMacroName(many), u"Macro_1000");
}

// ---- Record write-back

TEST(WriteBackRecord, RewritesTheSelectedRecordFromTheDialogState)
{
    MacroFileBuilder file;
    file.Macro(u"one", 7).Tap(kA);
    file.Macro(u"two", 1).Tap(kB);
    MacroStore store = file.Store();
    MacroFileBuilder other;
    other.Macro(u"x").Press(kC).Release(kC, 300);
    const MacroEvents events = other.Events();

    WriteBackRecord(store, 1, u"renamed", false, 12, true, events);
    EXPECT_EQ(store[1].Name(), u"renamed");
    EXPECT_EQ(store[1].RepeatCount(), 1); // Loop off plays once whatever the field says
    EXPECT_EQ(store[1].Flags(), 1);
    EXPECT_EQ(store[1].Events(), events);
    EXPECT_EQ(store[1].bytes[893], 0);

    WriteBackRecord(store, 1, u"renamed", true, 12, false, events);
    EXPECT_EQ(store[1].RepeatCount(), 12);
    EXPECT_EQ(store[1].Flags(), 0);
    EXPECT_EQ(store[0].Name(), u"one"); // other records untouched
    EXPECT_EQ(store[0].RepeatCount(), 7);
}

TEST(WriteBackRecord, NoSelectionOrEmptyNameChangesNoName)
{
    MacroFileBuilder file;
    file.Macro(u"one").Tap(kA);
    MacroStore store = file.Store();
    const MacroStore before = store;
    WriteBackRecord(store, -1, u"x", true, 3, true, MacroEvents{});
    WriteBackRecord(store, 190, u"x", true, 3, true, MacroEvents{});
    EXPECT_EQ(store, before);

    WriteBackRecord(store, 0, u"", true, 3, false, file.Events());
    EXPECT_EQ(store[0].Name(), u"one");
    EXPECT_EQ(store.CountInUse(), 1u);
}

// ---- MacroDefine.bin

TEST_F(MacroDefineFile, MissingFileIsCreatedWithZeros)
{
    MacroStore store;
    store[0].SetName(u"left over");
    const FileStatus status = LoadMacroStore(File(), store);
    EXPECT_EQ(status.state, FileState::kMissing);
    EXPECT_TRUE(status.created);
    EXPECT_EQ(store, MacroStore{});
    const auto bytes = ReadAll(File());
    ASSERT_EQ(bytes.size(), 169860u);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(MacroDefineFile, LoadReadsTheFileAndSaveWritesItBack)
{
    MacroFileBuilder file;
    file.Macro(u"Long pause", 3, true).Press(kA).Release(kA, 60000).Press(kB, 0).Release(kB, 126);
    file.Macro(u"Second").Tap(kC);
    file.WriteTo(File());

    MacroStore store;
    ASSERT_EQ(LoadMacroStore(File(), store).state, FileState::kLoaded);
    EXPECT_EQ(store, file.Store());

    store[1].SetRepeatCount(4);
    ASSERT_TRUE(SaveMacroStore(File(), store));
    const auto bytes = ReadAll(File());
    ASSERT_EQ(bytes.size(), 169860u);
    EXPECT_EQ(bytes[894 + 510], 4);
    MacroStore again;
    ASSERT_EQ(LoadMacroStore(File(), again).state, FileState::kLoaded);
    EXPECT_EQ(again, store);
}

TEST_F(MacroDefineFile, ShortFileFillsTheBeginning)
{
    MacroFileBuilder file;
    file.Macro(u"m0").Tap(kA);
    file.Macro(u"m1", 9).Tap(kB);
    file.WriteTo(File(), 894 + 520); // record 1 cut inside its events

    MacroStore store;
    store[5].SetName(u"stale");
    ASSERT_EQ(LoadMacroStore(File(), store).state, FileState::kWrongSize);
    EXPECT_EQ(store[0], file.Store()[0]);
    EXPECT_EQ(store[1].RepeatCount(), 9);
    EXPECT_EQ(store[1].DeviceEvents()[1], 0x05);
    EXPECT_EQ(store[1].DeviceEvents()[7], 0); // beyond the file
    EXPECT_FALSE(store[5].InUse());
    EXPECT_EQ(ReadAll(File()).size(), 894u + 520u); // loading never rewrites an existing file
}

TEST_F(MacroDefineFile, UnusableLocationsLeaveTheStoreEmptyAndWriteNothing)
{
    MacroStore store;
    store[0].SetName(u"x");
    const auto missingFolder = dir_ / "no such folder" / kMacroFileName;
    const FileStatus status = LoadMacroStore(missingFolder, store);
    EXPECT_EQ(status.state, FileState::kMissing);
    EXPECT_FALSE(status.created);
    EXPECT_FALSE(status.Usable());
    EXPECT_EQ(store, MacroStore{});
    EXPECT_FALSE(std::filesystem::exists(missingFolder));

    // Something that is not a readable file is never replaced.
    std::filesystem::create_directory(File());
    EXPECT_EQ(LoadMacroStore(File(), store).state, FileState::kNotRegular);
    EXPECT_TRUE(std::filesystem::is_directory(File()));
}

TEST_F(MacroDefineFile, FailedSaveLeavesTheOldFileWhole)
{
    MacroFileBuilder file;
    file.Macro(u"keep me", 2).Tap(kA);
    file.WriteTo(File());
    MacroStore changed = file.Store();
    changed[0].SetName(u"changed");

    // A file-size limit makes the write fail part way, as a full disk would.
    struct rlimit old
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveMacroStore(File(), changed).Saved();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(File()), file.Bytes());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(changed[0].Name(), u"changed"); // the memory copy keeps the change
}

} // namespace
} // namespace corvane
