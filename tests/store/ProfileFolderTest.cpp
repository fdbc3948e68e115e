#include "store/ProfileFolder.h"

#include "TempFolder.h"
#include "Unprivileged.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::RunUnprivileged;
using testing::TempFolder;
using testing::WriteAll;

std::vector<std::uint8_t> Profile(std::uint8_t seed, std::size_t size = kSettingsFileSize)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
    return bytes;
}

struct Buffers
{
    std::unique_ptr<SettingsImage> image = std::make_unique<SettingsImage>();
    std::unique_ptr<KeyRecordBuffer> records = std::make_unique<KeyRecordBuffer>();

    explicit Buffers(std::uint8_t seed)
    {
        const std::vector<std::uint8_t> bytes = Profile(seed);
        std::copy_n(bytes.begin(), kSettingsImageSize, image->data());
        std::copy_n(bytes.begin() + kSettingsImageSize, kKeyRecordBufferSize, records->data());
    }
    std::vector<std::uint8_t> Bytes() const
    {
        std::vector<std::uint8_t> bytes(image->data(), image->data() + kSettingsImageSize);
        bytes.insert(bytes.end(), records->data(), records->data() + kKeyRecordBufferSize);
        return bytes;
    }
};

class ProfileFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp.path().empty());
        fs::create_directory(profiles);
        fs::create_directory(elsewhere);
    }

    // The names of everything in the profile folder, sorted.
    std::vector<std::string> FolderContent() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(profiles))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> Listed(const ProfileFolder& folder) const
    {
        std::vector<std::string> names;
        for (const ProfileEntry& e : folder.Entries())
            names.push_back(e.name);
        return names;
    }
    using Names = std::vector<std::string>;

    TempFolder temp;
    fs::path profiles = temp / "Configure";
    fs::path elsewhere = temp / "elsewhere";
};

TEST(ProfileNames, ListedNamesAndTheirFiles)
{
    struct Case
    {
        const char* chosen;
        const char* listed;
    };
    const Case cases[] = {
        {"/home/u/game.bin", "game"},
        {"/home/u/my.profile.bin", "my"}, // two dots: only the part before the first
        {"/home/u/plain", "plain"},
        {"/home/u/.hidden.bin", ".hidden"},
        {"/a.b/c.bin", "c"}, // dots in folders do not count
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProfileNameOf(c.chosen), c.listed) << c.chosen;

    const fs::path folder = "/d/Configure";
    EXPECT_EQ(ProfilePathFor(folder, "game"), "/d/Configure/game.bin");
    EXPECT_EQ(ProfilePathFor(folder, "game.bin"), "/d/Configure/game.bin") << "no second suffix";
    EXPECT_EQ(ProfilePathFor(folder, "GAME.BIN"), "/d/Configure/GAME.BIN");
    EXPECT_EQ(ProfilePathFor(folder, "a.binary"), "/d/Configure/a.binary.bin")
        << "a name merely holding \".bin\" would not be found as a profile again";

    for (const char* bad : {"", ".", "..", "a/b", "../up", "/abs"})
        EXPECT_FALSE(IsUsableProfileName(bad)) << bad;
    for (const char* good : {"game", "my profile", "x.y", "Über"})
        EXPECT_TRUE(IsUsableProfileName(good)) << good;
    EXPECT_FALSE(IsUsableProfileName(std::string("a\0b", 3)));
}

TEST_F(ProfileFolderTest, ScanListsBinFilesOnlyWithEveryBinRemoved)
{
    WriteAll(profiles / "b.bin", Profile(1));
    WriteAll(profiles / "a.bin.bin", Profile(2));
    WriteAll(profiles / "notes.txt", {1, 2, 3});
    fs::create_directory(profiles / "folder.bin");
    ProfileFolder folder(profiles);
    folder.Scan();
    EXPECT_EQ(Listed(folder), (Names{"a", "b"}));
    ASSERT_EQ(folder.Entries().size(), 2u);
    EXPECT_EQ(folder.Entries()[0].path, profiles / "a.bin.bin");

    ProfileFolder missing(temp / "nowhere");
    missing.Scan();
    EXPECT_TRUE(missing.Entries().empty());
}

TEST_F(ProfileFolderTest, ExportLeavesOneCopyUnderTheChosenName)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> before; // files in the profile folder beforehand
        std::string chosen;              // relative to temp
        std::string listed;
    };
    const Case cases[] = {
        {"into an empty folder", {}, "elsewhere/game.bin", "game"},
        {"two dots in the name", {"old.bin"}, "elsewhere/my.best.bin", "my"},
        {"several old profiles go", {"a.bin", "b.bin"}, "elsewhere/new.bin", "new"},
        {"over the current profile itself", {"cur.bin", "other.bin"}, "Configure/cur.bin", "cur"},
        {"to another file of the folder", {"cur.bin"}, "Configure/x.y.bin", "x"},
    };
    std::uint8_t seed = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(profiles);
        fs::create_directory(profiles);
        for (const std::string& f : c.before)
            WriteAll(profiles / f, Profile(seed++));
        WriteAll(profiles / "readme.txt", {7});
        ProfileFolder folder(profiles);
        folder.Scan();
        const Buffers settings(seed++);
        const fs::path chosen = temp / c.chosen;

        const ProfileResult result = folder.Export(chosen, *settings.image, *settings.records);
        EXPECT_TRUE(result.Done()) << ProfileResultText(result, TextLanguage::kEnglish);
        // A file chosen inside the folder under another name gives way to the listed name.
        if (chosen.parent_path() != profiles || chosen == profiles / (c.listed + ".bin")) {
            EXPECT_EQ(ReadAll(chosen), settings.Bytes());
        }
        EXPECT_EQ(folder.LastProfilePath(), chosen);
        EXPECT_EQ(Listed(folder), Names{c.listed});
        Names expected{c.listed + ".bin", "readme.txt"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FolderContent(), expected) << "other files stay";
        EXPECT_EQ(ReadAll(profiles / (c.listed + ".bin")), settings.Bytes());
    }
}

TEST_F(ProfileFolderTest, ExportThatCannotWriteChangesNothing)
{
    WriteAll(profiles / "cur.bin", Profile(1));
    ProfileFolder folder(profiles);
    folder.Scan();
    const Buffers settings(2);
    const ProfileResult result =
        folder.Export(temp / "no-such-folder" / "x.bin", *settings.image, *settings.records);
    EXPECT_EQ(result.outcome, ProfileOutcome::kWriteFailed);
    EXPECT_NE(ProfileResultText(result, TextLanguage::kGerman).find("konnte nicht geschrieben werden"),
              std::string::npos);
    EXPECT_TRUE(folder.LastProfilePath().empty()) << "a file never written is not remembered";
    EXPECT_EQ(FolderContent(), Names{"cur.bin"});
    EXPECT_EQ(ReadAll(profiles / "cur.bin"), Profile(1));
}

TEST_F(ProfileFolderTest, ImportTakesOnlyWholeProfiles)
{
    struct Case
    {
        const char* name;
        std::size_t size;
    };
    const Case cases[] = {{"empty", 0},
                          {"only the settings image", kSettingsImageSize},
                          {"one byte short", kSettingsFileSize - 1},
                          {"one byte long", kSettingsFileSize + 1},
                          {"a macro file", 169860}};
    WriteAll(profiles / "cur.bin", Profile(1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path chosen = elsewhere / "foreign.bin";
        WriteAll(chosen, Profile(9, c.size));
        ProfileFolder folder(profiles);
        folder.Scan();
        Buffers settings(3);
        const std::vector<std::uint8_t> before = settings.Bytes();

        const ProfileCandidate candidate = ProfileFolder::ReadForImport(chosen);
        EXPECT_FALSE(candidate.Whole());
        const ProfileResult result = folder.Import(candidate, *settings.image, *settings.records);
        EXPECT_EQ(result.outcome, ProfileOutcome::kRefused);
        EXPECT_FALSE(result.settingsTaken);
        EXPECT_EQ(settings.Bytes(), before) << "not one byte of a partial profile is taken";
        EXPECT_TRUE(folder.LastProfilePath().empty());
        EXPECT_EQ(FolderContent(), Names{"cur.bin"});
        const std::string english = ProfileResultText(result, TextLanguage::kEnglish);
        const std::string german = ProfileResultText(result, TextLanguage::kGerman);
        EXPECT_NE(english.find(std::to_string(c.size) + " bytes instead of 206920"), std::string::npos)
            << english;
        EXPECT_NE(german.find(std::to_string(c.size) + " Bytes groß statt 206920"), std::string::npos)
            << german;
    }
    // Neither a folder nor a missing file is taken.
    for (const fs::path& chosen : {elsewhere, elsewhere / "missing.bin"}) {
        Buffers settings(3);
        ProfileFolder folder(profiles);
        const ProfileResult result =
            folder.Import(ProfileFolder::ReadForImport(chosen), *settings.image, *settings.records);
        EXPECT_EQ(result.outcome, ProfileOutcome::kRefused) << chosen;
        EXPECT_EQ(settings.Bytes(), Buffers(3).Bytes());
    }
}

TEST_F(ProfileFolderTest, ImportTakesTheChosenFileWhereverItLies)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> before;
        std::string chosen; // relative to temp; written with seed 50 unless it is in `before`
        std::string listed;
    };
    const Case cases[] = {
        {"from elsewhere", {"cur.bin"}, "elsewhere/game.bin", "game"},
        {"the current profile file itself", {"cur.bin"}, "Configure/cur.bin", "cur"},
        {"another file of the folder", {"cur.bin", "zz.bin"}, "Configure/zz.bin", "zz"},
        {"a file of the folder with two dots", {"cur.bin", "x.y.bin"}, "Configure/x.y.bin", "x"},
        {"into an empty folder", {}, "elsewhere/first.bin", "first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(profiles);
        fs::create_directory(profiles);
        std::uint8_t seed = 20;
        for (const std::string& f : c.before)
            WriteAll(profiles / f, Profile(seed++));
        const fs::path chosen = temp / c.chosen;
        if (!fs::exists(chosen)) WriteAll(chosen, Profile(50));
        const std::vector<std::uint8_t> chosenBytes = ReadAll(chosen);
        ProfileFolder folder(profiles);
        folder.Scan();
        Buffers settings(3);

        const ProfileCandidate candidate = ProfileFolder::ReadForImport(chosen);
        ASSERT_TRUE(candidate.Whole());
        const ProfileResult result = folder.Import(candidate, *settings.image, *settings.records);
        EXPECT_TRUE(result.Done()) << ProfileResultText(result, TextLanguage::kEnglish);
        EXPECT_TRUE(result.settingsTaken);
        EXPECT_EQ(settings.Bytes(), chosenBytes) << "the settings are the chosen file's";
        EXPECT_EQ(folder.LastProfilePath(), chosen);
        EXPECT_EQ(FolderContent(), Names{c.listed + ".bin"});
        EXPECT_EQ(ReadAll(profiles / (c.listed + ".bin")), chosenBytes);
        EXPECT_EQ(Listed(folder), Names{c.listed});
    }
}

TEST_F(ProfileFolderTest, AFolderThatCannotTakeTheCopyKeepsItsProfile)
{
    WriteAll(profiles / "cur.bin", Profile(1));
    const fs::path chosen = elsewhere / "game.bin";
    WriteAll(chosen, Profile(5));
    ::chmod(temp.path().c_str(), 0755);
    ::chmod(elsewhere.c_str(), 0755);
    ::chmod(chosen.c_str(), 0644);
    ::chmod(profiles.c_str(), 0555); // nobody may write here
    const std::string failures = RunUnprivileged([&] {
        std::string out;
        ProfileFolder folder(profiles);
        folder.Scan();
        Buffers settings(3);
        const ProfileResult result =
            folder.Import(ProfileFolder::ReadForImport(chosen), *settings.image, *settings.records);
        if (result.outcome != ProfileOutcome::kWriteFailed) out += "the failed copy was not reported\n";
        if (!result.settingsTaken || settings.Bytes() != Profile(5)) out += "the settings were not taken\n";
        if (ProfileResultText(result, TextLanguage::kEnglish).find("permission denied") == std::string::npos)
            out += "the reason is missing: " + ProfileResultText(result, TextLanguage::kEnglish) + "\n";
        return out;
    });
    ::chmod(profiles.c_str(), 0755);
    EXPECT_EQ(failures, "");
    EXPECT_EQ(FolderContent(), Names{"cur.bin"}) << "the folder is never left empty";
    EXPECT_EQ(ReadAll(profiles / "cur.bin"), Profile(1));
}

TEST_F(ProfileFolderTest, RenameRenamesTheListedProfile)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> before;
        bool exportFirst;
        std::size_t index;
        std::string newName;
        std::string file; // the one file left
    };
    const Case cases[] = {
        {"before any import or export", {"cur.bin"}, false, 0, "renamed", "renamed.bin"},
        {"after an export", {"cur.bin"}, true, 0, "second", "second.bin"},
        {"a name ending in .bin", {"cur.bin"}, false, 0, "named.bin", "named.bin"},
        {"a name with dots", {"cur.bin"}, false, 0, "v1.2", "v1.2.bin"},
        {"the second of two files", {"a.bin", "b.bin"}, false, 1, "c", "c.bin"},
        {"onto another profile's name", {"a.bin", "b.bin"}, false, 0, "b", "b.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(profiles);
        fs::create_directory(profiles);
        std::uint8_t seed = 30;
        for (const std::string& f : c.before)
            WriteAll(profiles / f, Profile(seed++));
        ProfileFolder folder(profiles);
        folder.Scan();
        std::vector<std::uint8_t> expected = ReadAll(folder.Entries()[c.index].path);
        if (c.exportFirst) {
            const Buffers settings(77);
            ASSERT_TRUE(folder.Export(elsewhere / "exported.bin", *settings.image, *settings.records).Done());
            expected = settings.Bytes();
        }
        const ProfileResult result = folder.Rename(c.index, c.newName);
        EXPECT_TRUE(result.Done()) << ProfileResultText(result, TextLanguage::kEnglish);
        EXPECT_EQ(FolderContent(), Names{c.file});
        EXPECT_EQ(ReadAll(profiles / c.file), expected) << "renamed, not emptied or replaced";
        ASSERT_EQ(folder.Entries().size(), 1u);
        EXPECT_EQ(folder.Entries()[0].path, profiles / c.file);
    }
}

TEST_F(ProfileFolderTest, RenameRefusesNamesOutsideTheFolder)
{
    WriteAll(profiles / "cur.bin", Profile(1));
    for (const char* bad : {"", "..", "../escaped", "sub/name"}) {
        ProfileFolder folder(profiles);
        folder.Scan();
        const ProfileResult result = folder.Rename(0, bad);
        EXPECT_EQ(result.outcome, ProfileOutcome::kBadName) << bad;
        EXPECT_FALSE(ProfileResultText(result, TextLanguage::kGerman).empty());
        EXPECT_EQ(FolderContent(), Names{"cur.bin"}) << bad;
        EXPECT_EQ(Listed(folder), Names{"cur"}) << "the list shows the file as it is";
    }
    EXPECT_FALSE(fs::exists(temp / "escaped.bin"));

    fs::remove(profiles / "cur.bin");
    ProfileFolder empty(profiles);
    empty.Scan();
    EXPECT_EQ(empty.Rename(0, "x").outcome, ProfileOutcome::kNothingToRename);
}

TEST_F(ProfileFolderTest, ARenameThatFailsKeepsTheProfile)
{
    WriteAll(profiles / "cur.bin", Profile(1));
    fs::create_directory(profiles / "taken.bin");
    WriteAll(profiles / "taken.bin" / "inside", {1});
    ProfileFolder folder(profiles);
    folder.Scan();
    const ProfileResult result = folder.Rename(0, "taken");
    EXPECT_EQ(result.outcome, ProfileOutcome::kRenameFailed);
    EXPECT_EQ(ReadAll(profiles / "cur.bin"), Profile(1));
    EXPECT_EQ(Listed(folder), Names{"cur"});
}

KeyRecordBuffer
RecordsWith(std::initializer_list<std::tuple<std::size_t, KeyFunctionKind, std::u16string>> keys)
{
    KeyRecordBuffer records;
    for (const auto& [position, kind, path] : keys) {
        records[position].SetKind(kind);
        records[position][rec::kKeyCode] = 0x70; // F1
        records[position].SetLaunchPath(path);
    }
    return records;
}

TEST(LaunchTargets, ListsEveryKeyThatStartsSomething)
{
    const auto records = std::make_unique<KeyRecordBuffer>(
        RecordsWith({{3, KeyFunctionKind::kStartProgram, u"/usr/bin/evil"},
                     {5, KeyFunctionKind::kPlayMusic, u"/m/song.mp3"},
                     {7, KeyFunctionKind::kOpenFile, u"/d/notes.txt"},
                     {9, KeyFunctionKind::kOpenFolder, u"/d"},
                     {11, KeyFunctionKind::kNamedFunction, u"/not/a/launch"},
                     {12, KeyFunctionKind::kDefault, u"/not/a/launch"},
                     {13, KeyFunctionKind::kStartProgram, u""},
                     {200, KeyFunctionKind::kStartProgram, u"/beyond/the/keys"}}));
    const std::vector<LaunchTarget> targets = LaunchTargets(*records);
    std::vector<std::string> paths;
    for (const LaunchTarget& t : targets)
        paths.push_back(t.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/usr/bin/evil", "/m/song.mp3", "/d/notes.txt", "/d",
                                               "/beyond/the/keys"}));

    const std::string english = LaunchWarningText(targets, TextLanguage::kEnglish);
    const std::string german = LaunchWarningText(targets, TextLanguage::kGerman);
    EXPECT_NE(english.find("Startup: /usr/bin/evil"), std::string::npos) << english;
    EXPECT_NE(english.find("Key F1"), std::string::npos) << english;
    EXPECT_NE(german.find("Autostart: /usr/bin/evil"), std::string::npos) << german;
    EXPECT_NE(german.find("Ordner öffnen: /d\n"), std::string::npos) << german;
    EXPECT_EQ(english.find("/not/a/launch"), std::string::npos);
}

TEST(LaunchTargets, TheQuestionCannotBeShapedByThePaths)
{
    KeyRecordBuffer records;
    for (std::size_t p = 0; p < 30; ++p) {
        records[p].SetKind(KeyFunctionKind::kStartProgram);
        records[p].SetLaunchPath(u"/bin/x" + Utf8ToUtf16(std::to_string(p)) + u"\nOK to continue");
    }
    const std::string text = LaunchWarningText(LaunchTargets(records), TextLanguage::kEnglish);
    EXPECT_EQ(text.find("\nOK to continue"), std::string::npos) << "control characters are shown as ?";
    EXPECT_NE(text.find("/bin/x0?OK to continue"), std::string::npos);
    EXPECT_EQ(text.find("/bin/x20?"), std::string::npos) << "only the first twenty are listed";
    EXPECT_NE(text.find("... and 10 more"), std::string::npos);
}

} // namespace
} // namespace corvane
