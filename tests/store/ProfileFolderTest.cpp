#include "store/ProfileFolder.h"

#include "TempFolder.h"
#include "Unprivileged.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

    // The names of everything in the profile folder but the program's record, sorted.
    std::vector<std::string> FolderContent() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(profiles))
            if (entry.path().filename() != kProfileRecordName)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> Earlier() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(profiles / kEarlierFolderName, ec), end; !ec && it != end; ++it)
            names.push_back(it->path().filename().string());
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
    // The profile folder and a folder elsewhere, both there and empty, for each case of a table.
    void EmptyFolders()
    {
        for (const fs::path& f : {profiles, elsewhere}) {
            fs::remove_all(f);
            fs::create_directory(f);
        }
    }

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
    // Two dots: only the part before the first; never a hidden file in the folder; dots in
    // folders do not count.
    const Case cases[] = {
        {"/home/u/game.bin", "game"}, {"/home/u/my.profile.bin", "my"},
        {"/home/u/plain", "plain"},   {"/home/u/.hidden.bin", "hidden"},
        {"/home/u/..a.b.bin", "a"},   {"/home/u/.bin", "bin"},
        {"/home/u/...", ""},          {"/a.b/c.bin", "c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProfileNameOf(c.chosen), c.listed) << c.chosen;

    const fs::path folder = "/d/Configure";
    EXPECT_EQ(ProfilePathFor(folder, "game"), "/d/Configure/game.bin");
    EXPECT_EQ(ProfilePathFor(folder, "game.bin"), "/d/Configure/game.bin") << "no second suffix";
    EXPECT_EQ(ProfilePathFor(folder, "GAME.BIN"), "/d/Configure/GAME.BIN");
    EXPECT_EQ(ProfilePathFor(folder, "a.binary"), "/d/Configure/a.binary.bin")
        << "a name merely holding \".bin\" would not be found as a profile again";

    for (const char* bad : {"", ".", "..", "a/b", "../up", "/abs", ".bin", ".hidden"})
        EXPECT_FALSE(IsUsableProfileName(bad)) << bad;
    for (const char* good : {"game", "my profile", "x.y", "Über"})
        EXPECT_TRUE(IsUsableProfileName(good)) << good;
    EXPECT_FALSE(IsUsableProfileName(std::string("a\0b", 3)));

    // Only a final ".bin" goes, so a listed name leads back to its file.
    struct Listed
    {
        const char* file;
        const char* name;
        bool leadsBack; // a name that ends in ".bin" itself is taken as it is
    };
    const Listed listed[] = {{"my.binary.bin", "my.binary", true},
                             {"v1.2.bin", "v1.2", true},
                             {".bin", ".bin", true},
                             {"a.bin.bin", "a.bin", false},
                             {"X.BIN", "X", false}};
    for (const Listed& l : listed) {
        EXPECT_EQ(ListedProfileName(l.file), l.name) << l.file;
        EXPECT_EQ(ProfilePathFor(folder, ListedProfileName(l.file)).filename() == l.file, l.leadsBack)
            << l.file;
    }

    // Numbered names for a name that is taken stay within 255 bytes, whole characters only.
    EXPECT_EQ(NumberedName("a.bin", 2), "a (2).bin");
    EXPECT_EQ(NumberedName("notes", 10), "notes (10)");
    std::string umlauts;
    while (umlauts.size() < 250)
        umlauts += "ü";
    for (const std::string& longName : {std::string(251, 'x') + ".bin", umlauts + ".bin"}) {
        const std::string numbered = NumberedName(longName, 123);
        EXPECT_LE(numbered.size(), 255u);
        EXPECT_TRUE(numbered.ends_with(" (123).bin")) << numbered;
        EXPECT_EQ(Utf8ToUtf16(numbered).find(u'\uFFFD'), std::u16string::npos) << "no character cut in half";
    }
}

TEST_F(ProfileFolderTest, ScanListsBinFilesOnlyWithTheFinalBinRemoved)
{
    WriteAll(profiles / "b.bin", Profile(1));
    WriteAll(profiles / "a.bin.bin", Profile(2));
    WriteAll(profiles / "my.binary.bin", Profile(3));
    WriteAll(profiles / "notes.txt", {1, 2, 3});
    fs::create_directory(profiles / "folder.bin");
    ProfileFolder folder(profiles);
    folder.Scan();
    EXPECT_EQ(Listed(folder), (Names{"a.bin", "b", "my.binary"}));
    ASSERT_EQ(folder.Entries().size(), 3u);
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
        std::vector<std::string> before; // files in the profile folder beforehand, not the program's
        std::string chosen;              // relative to temp
        std::string listed;
        Names earlier; // what was moved out of the way
    };
    const Case cases[] = {
        {"into an empty folder", {}, "elsewhere/game.bin", "game", {}},
        {"two dots in the name", {"old.bin"}, "elsewhere/my.best.bin", "my", {"old.bin"}},
        {"several old profiles are kept aside",
         {"a.bin", "b.bin"},
         "elsewhere/new.bin",
         "new",
         {"a.bin", "b.bin"}},
        {"to another file of the folder", {"cur.bin"}, "Configure/x.y.bin", "x", {"cur.bin", "x.y.bin"}},
        {"onto a file of the folder", {"cur.bin", "mine.bin"}, "Configure/mine.bin", "mine", {"cur.bin"}},
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
        // A file chosen inside the folder under another name is kept aside for the listed name.
        const fs::path exported =
            fs::exists(chosen) ? chosen : profiles / kEarlierFolderName / chosen.filename();
        EXPECT_EQ(ReadAll(exported), settings.Bytes());
        EXPECT_EQ(folder.LastProfilePath(), chosen);
        EXPECT_EQ(Listed(folder), Names{c.listed});
        Names expected{c.listed + ".bin", "readme.txt"};
        if (!c.earlier.empty()) expected.push_back(kEarlierFolderName);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FolderContent(), expected) << "other files stay";
        EXPECT_EQ(Earlier(), c.earlier);
        EXPECT_EQ(result.moved.size(), c.earlier.size());
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
        std::vector<std::string> before; // not the program's
        std::string chosen;              // relative to temp; written with seed 50 unless it is in `before`
        std::string listed;
        Names earlier;
    };
    const Case cases[] = {
        {"from elsewhere", {"cur.bin"}, "elsewhere/game.bin", "game", {"cur.bin"}},
        {"the current profile file itself", {"cur.bin"}, "Configure/cur.bin", "cur", {}},
        {"another file of the folder", {"cur.bin", "zz.bin"}, "Configure/zz.bin", "zz", {"cur.bin"}},
        {"a file of the folder with two dots",
         {"cur.bin", "x.y.bin"},
         "Configure/x.y.bin",
         "x",
         {"cur.bin", "x.y.bin"}},
        {"into an empty folder", {}, "elsewhere/first.bin", "first", {}},
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
        Names expected{c.listed + ".bin"};
        if (!c.earlier.empty()) expected.push_back(kEarlierFolderName);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FolderContent(), expected);
        EXPECT_EQ(Earlier(), c.earlier);
        for (const std::string& f : c.earlier)
            EXPECT_EQ(ReadAll(profiles / kEarlierFolderName / f).size(), kSettingsFileSize) << f;
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
        std::string file; // the one profile left
        Names earlier;
    };
    const Case cases[] = {
        {"before any import or export", {"cur.bin"}, false, 0, "renamed", "renamed.bin", {}},
        {"after an export", {"cur.bin"}, true, 0, "second", "second.bin", {"cur.bin"}},
        {"a name ending in .bin", {"cur.bin"}, false, 0, "named.bin", "named.bin", {}},
        {"a name with dots", {"cur.bin"}, false, 0, "v1.2", "v1.2.bin", {}},
        {"the second of two files", {"a.bin", "b.bin"}, false, 1, "c", "c.bin", {"a.bin"}},
        {"onto another profile's name", {"a.bin", "b.bin"}, false, 0, "b", "b.bin", {"b.bin"}},
        {"a name of 250 bytes",
         {"cur.bin"},
         false,
         0,
         std::string(250, 'n'),
         std::string(250, 'n') + ".bin",
         {}},
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
        Names files{c.file};
        if (!c.earlier.empty()) files.push_back(kEarlierFolderName);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(FolderContent(), files);
        EXPECT_EQ(Earlier(), c.earlier) << "what was not the program's is kept aside";
        EXPECT_EQ(ReadAll(profiles / c.file), expected) << "renamed, not emptied or replaced";
        ASSERT_EQ(folder.Entries().size(), 1u);
        EXPECT_EQ(folder.Entries()[0].path, profiles / c.file);
    }
}

TEST_F(ProfileFolderTest, RenameRefusesNamesOutsideTheFolder)
{
    WriteAll(profiles / "cur.bin", Profile(1));
    for (const char* bad : {"", "..", "../escaped", "sub/name", ".bin", ".hidden"}) {
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

// Only the copy the program wrote itself goes; whatever else lies in the folder is moved to
// earlier/, unchanged, and the user is told once.
TEST_F(ProfileFolderTest, FilesTheProgramDidNotWriteAreKeptAside)
{
    enum class Op { kExport, kImport, kRename, kRestart, kEditCurrent };
    struct Step
    {
        Op op;
        std::string target = {}; // export / import: relative to temp; rename: the new name
        std::uint8_t seed = 0;   // export: the settings; import: the file when it does not exist
    };
    struct File
    {
        std::string name;
        std::uint8_t seed;
        std::size_t size = kSettingsFileSize; // anything at all may lie there
    };
    using Content = std::vector<File>;
    struct Case
    {
        const char* name;
        Content before; // in the profile folder
        std::vector<Step> steps;
        Content after;   // the profile folder's files afterwards
        Content earlier; // earlier/ afterwards
        std::size_t movedByLast;
    };
    Content many;
    for (int i = 0; i < 500; ++i)
        many.push_back({"p" + std::to_string(1000 + i) + ".bin", static_cast<std::uint8_t>(i), 100});
    Content manyAside(many.begin() + 1, many.end());

    const Case cases[] = {
        {"500 files, one rename", many, {{Op::kRename, "kept"}}, {{"kept.bin", 0, 100}}, manyAside, 499},
        {"an export into the folder, then one elsewhere",
         {},
         {{Op::kExport, "Configure/mine.bin", 1}, {Op::kExport, "elsewhere/next.bin", 2}},
         {{"next.bin", 2}},
         {{"mine.bin", 1}},
         1},
        {"an export to a name with two dots in the folder",
         {},
         {{Op::kExport, "Configure/team.v2.bin", 3}},
         {{"team.bin", 3}},
         {{"team.v2.bin", 3}},
         1},
        {"the program's own copy goes",
         {},
         {{Op::kExport, "elsewhere/a.bin", 4}, {Op::kExport, "elsewhere/b.bin", 5}},
         {{"b.bin", 5}},
         {},
         0},
        {"and is still known after a restart",
         {},
         {{Op::kExport, "elsewhere/a.bin", 4}, {Op::kRestart}, {Op::kImport, "elsewhere/c.bin", 6}},
         {{"c.bin", 6}},
         {},
         0},
        {"its own copy renamed, then replaced",
         {},
         {{Op::kExport, "elsewhere/a.bin", 4}, {Op::kRename, "named"}, {Op::kExport, "elsewhere/b.bin", 5}},
         {{"b.bin", 5}},
         {},
         0},
        {"its own copy changed by someone is no longer its own",
         {},
         {{Op::kExport, "elsewhere/a.bin", 4},
          {Op::kEditCurrent, "", 9},
          {Op::kExport, "elsewhere/b.bin", 5}},
         {{"b.bin", 5}},
         {{"a.bin", 9}},
         1},
        {"a file under the new profile's name",
         {{"game.bin", 7}},
         {{Op::kExport, "elsewhere/game.bin", 8}},
         {{"game.bin", 8}},
         {{"game.bin", 7}},
         1},
        {"names taken in earlier/ get numbers",
         {{"a.bin", 10}},
         {{Op::kExport, "elsewhere/x.bin", 11},
          {Op::kExport, "Configure/a.bin", 12},
          {Op::kExport, "elsewhere/y.bin", 13}},
         {{"y.bin", 13}},
         {{"a.bin", 10}, {"a (2).bin", 12}},
         1},
        {"a rename onto another file's name",
         {{"a.bin", 14}, {"b.bin", 15}},
         {{Op::kRename, "b"}},
         {{"b.bin", 14}},
         {{"b.bin", 15}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmptyFolders();
        for (const File& f : c.before)
            WriteAll(profiles / f.name, Profile(f.seed, f.size));
        auto folder = std::make_unique<ProfileFolder>(profiles);
        folder->Scan();
        ProfileResult last;
        for (const Step& step : c.steps) {
            switch (step.op) {
            case Op::kExport: {
                const Buffers settings(step.seed);
                last = folder->Export(temp / step.target, *settings.image, *settings.records);
                break;
            }
            case Op::kImport: {
                if (!fs::exists(temp / step.target)) WriteAll(temp / step.target, Profile(step.seed));
                Buffers settings(0);
                last = folder->Import(ProfileFolder::ReadForImport(temp / step.target), *settings.image,
                                      *settings.records);
                break;
            }
            case Op::kRename:
                last = folder->Rename(0, step.target);
                break;
            case Op::kRestart:
                folder = std::make_unique<ProfileFolder>(profiles);
                folder->Scan();
                break;
            case Op::kEditCurrent:
                WriteAll(folder->Entries().at(0).path, Profile(step.seed));
                break;
            }
            ASSERT_TRUE(last.Done()) << ProfileResultText(last, TextLanguage::kEnglish);
        }
        Names expected;
        for (const File& f : c.after) {
            expected.push_back(f.name);
            EXPECT_EQ(ReadAll(profiles / f.name), Profile(f.seed, f.size)) << f.name;
        }
        if (!c.earlier.empty()) expected.push_back(kEarlierFolderName);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FolderContent(), expected);
        Names aside;
        for (const File& f : c.earlier) {
            aside.push_back(f.name);
            EXPECT_EQ(ReadAll(profiles / kEarlierFolderName / f.name), Profile(f.seed, f.size))
                << f.name << " unchanged";
        }
        std::sort(aside.begin(), aside.end());
        EXPECT_EQ(Earlier(), aside);
        ASSERT_EQ(last.moved.size(), c.movedByLast);

        // Told once, in one message, in either language.
        const std::string english = ProfileResultText(last, TextLanguage::kEnglish);
        const std::string german = ProfileResultText(last, TextLanguage::kGerman);
        if (c.movedByLast == 0) {
            EXPECT_EQ(english, "");
        } else {
            const std::string where = "\"" + (profiles / kEarlierFolderName).string() + "\"";
            EXPECT_NE(english.find("did not write"), std::string::npos) << english;
            EXPECT_NE(english.find(where), std::string::npos) << english;
            EXPECT_NE(german.find("verschoben statt gelöscht"), std::string::npos) << german;
            EXPECT_NE(english.find(last.moved.front().filename().string()), std::string::npos) << english;
        }
        if (c.movedByLast > 10) {
            EXPECT_NE(english.find("499 files"), std::string::npos) << english;
            EXPECT_NE(english.find("... and 489 more"), std::string::npos) << english;
            EXPECT_NE(german.find("... und 489 weitere"), std::string::npos) << german;
        }
    }
}

TEST_F(ProfileFolderTest, WhatCannotBeMovedAsideStaysAndIsReported)
{
    WriteAll(profiles / "theirs.bin", Profile(1));
    WriteAll(profiles / kEarlierFolderName, {1, 2, 3}); // a file where the folder would go
    ProfileFolder folder(profiles);
    folder.Scan();
    const Buffers settings(2);
    const ProfileResult result = folder.Export(elsewhere / "new.bin", *settings.image, *settings.records);
    EXPECT_EQ(result.outcome, ProfileOutcome::kMoveFailed);
    EXPECT_EQ(result.file, profiles / "theirs.bin");
    EXPECT_EQ(ReadAll(profiles / "theirs.bin"), Profile(1)) << "never deleted instead";
    EXPECT_EQ(ReadAll(profiles / "new.bin"), settings.Bytes());
    EXPECT_EQ(ReadAll(profiles / kEarlierFolderName), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_NE(ProfileResultText(result, TextLanguage::kEnglish).find("could not be moved to"),
              std::string::npos);
    EXPECT_NE(ProfileResultText(result, TextLanguage::kGerman).find("bleibt im Profilordner"),
              std::string::npos);
}

// What the program remembers about its copy lies in the folder too, where anyone may put
// something in its place: it is never written through, and never makes the program delete.
TEST_F(ProfileFolderTest, TheRecordOfTheProgramsCopyCannotBeTurnedAgainstIt)
{
    struct Case
    {
        const char* name;
        std::function<void(const fs::path& record)> put;
    };
    const Case cases[] = {
        {"a link to a file elsewhere",
         [&](const fs::path& record) { fs::create_symlink(elsewhere / "victim.txt", record); }},
        {"a link to where no file is yet",
         [&](const fs::path& record) { fs::create_symlink(elsewhere / "new.txt", record); }},
        {"a folder", [&](const fs::path& record) { fs::create_directory(record); }},
        {"garbage",
         [&](const fs::path& record) {
             WriteAll(record, {'o', 'w', 'n', ' ', 'z', '\n', 'b'});
         }},
        {"another file named as the copy",
         [&](const fs::path& record) {
             WriteAll(record, {'u', 's', 'e', 'r', '\n', 'b', '.', 'b', 'i', 'n'});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmptyFolders();
        WriteAll(elsewhere / "victim.txt", {1, 2, 3});
        ProfileFolder folder(profiles);
        const Buffers first(1);
        ASSERT_TRUE(folder.Export(elsewhere / "a.bin", *first.image, *first.records).Done());
        fs::remove(profiles / kProfileRecordName);
        c.put(profiles / kProfileRecordName);
        WriteAll(profiles / "b.bin", Profile(9)); // someone else's

        const Buffers second(2);
        const ProfileResult result = folder.Export(elsewhere / "c.bin", *second.image, *second.records);
        EXPECT_TRUE(result.Done()) << ProfileResultText(result, TextLanguage::kEnglish);
        EXPECT_EQ(ReadAll(elsewhere / "victim.txt"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_FALSE(fs::exists(elsewhere / "new.txt"));
        EXPECT_EQ(ReadAll(profiles / "c.bin"), second.Bytes());
        EXPECT_EQ(ReadAll(profiles / kEarlierFolderName / "b.bin"), Profile(9)) << "kept, never deleted";
        // The copy it can no longer be sure of is kept aside too.
        EXPECT_EQ(ReadAll(profiles / kEarlierFolderName / "a.bin"), first.Bytes());
    }
}

TEST_F(ProfileFolderTest, ExportNeverReplacesTheProgramsOwnFiles)
{
    const fs::path data = temp.path();
    const fs::path program = temp / "program";
    fs::create_directory(program);
    const std::vector<std::uint8_t> macros(169860, 0x4D);
    const std::vector<std::uint8_t> version{'V', '0', '0', '1', '.', '0', '2', '0', '0', '0', '0', '0'};
    WriteAll(data / "keymap.bin", Profile(1));
    WriteAll(data / "MacroDefine.bin", macros);
    WriteAll(program / "VER.bin", version);
    WriteAll(profiles / "cur.bin", Profile(2));
    fs::create_symlink(data / "MacroDefine.bin", elsewhere / "link.bin");

    struct Case
    {
        const char* name;
        fs::path chosen;
        bool exportFirst; // the current profile is then the program's own copy "first.bin"
    };
    const Case cases[] = {
        {"keymap.bin", data / "keymap.bin", false},
        {"MacroDefine.bin", data / "MacroDefine.bin", false},
        {"VER.bin", program / "VER.bin", false},
        {"keymap.bin spelt another way", profiles / ".." / "keymap.bin", false},
        {"a link to MacroDefine.bin", elsewhere / "link.bin", false},
        {"the current profile, found in the folder", profiles / "cur.bin", false},
        {"the current profile the program wrote", profiles / "first.bin", true},
        {"the program's record", profiles / kProfileRecordName, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileFolder folder(profiles);
        folder.SetProgramFiles({data / "keymap.bin", data / "MacroDefine.bin", program / "VER.bin"});
        folder.Scan();
        if (c.exportFirst) {
            const Buffers first(3);
            ASSERT_TRUE(folder.Export(elsewhere / "first.bin", *first.image, *first.records).Done());
        }
        const std::vector<std::uint8_t> before = ReadAll(c.chosen);
        const Names folderBefore = FolderContent();
        const Buffers settings(4);
        const ProfileResult result = folder.Export(c.chosen, *settings.image, *settings.records);
        EXPECT_EQ(result.outcome, ProfileOutcome::kOwnFile);
        EXPECT_EQ(ReadAll(c.chosen), before) << "not one byte written";
        EXPECT_EQ(FolderContent(), folderBefore);
        EXPECT_NE(ProfileResultText(result, TextLanguage::kEnglish).find("is one of the program's own files"),
                  std::string::npos);
        EXPECT_NE(
            ProfileResultText(result, TextLanguage::kGerman).find("ist eine Datei des Programms selbst"),
            std::string::npos);
    }
    EXPECT_EQ(ReadAll(data / "keymap.bin"), Profile(1));
    EXPECT_EQ(ReadAll(data / "MacroDefine.bin"), macros);
    EXPECT_EQ(ReadAll(program / "VER.bin"), version);

    // Files of those names elsewhere are ordinary export targets.
    ProfileFolder folder(profiles);
    folder.SetProgramFiles({data / "keymap.bin", data / "MacroDefine.bin", program / "VER.bin"});
    const Buffers settings(5);
    EXPECT_TRUE(folder.Export(elsewhere / "keymap.bin", *settings.image, *settings.records).Done());
    EXPECT_EQ(ReadAll(elsewhere / "keymap.bin"), settings.Bytes());
}

TEST_F(ProfileFolderTest, NamesAtTheEdges)
{
    const std::string longName(250, 'L');
    struct Case
    {
        const char* name;
        std::string chosenFile; // in elsewhere/
        bool viaImport;
        ProfileOutcome outcome;
        std::string current; // the profile folder's file afterwards; empty: none
    };
    const Case cases[] = {
        {"export, 250 bytes", longName + ".bin", false, ProfileOutcome::kDone, longName + ".bin"},
        {"import, 250 bytes", longName + ".bin", true, ProfileOutcome::kDone, longName + ".bin"},
        {"export, 251 bytes and an extension", std::string(251, 'M') + ".bin", false, ProfileOutcome::kDone,
         std::string(251, 'M') + ".bin"},
        {"export, a hidden file", ".team.bin", false, ProfileOutcome::kDone, "team.bin"},
        {"import, a hidden file", ".team.v2.bin", true, ProfileOutcome::kDone, "team.bin"},
        {"export, nothing but the extension", ".bin", false, ProfileOutcome::kDone, "bin.bin"},
        {"export, nothing but dots", "....", false, ProfileOutcome::kBadName, ""},
        {"import, nothing but dots", "...", true, ProfileOutcome::kBadName, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(profiles);
        fs::remove_all(elsewhere);
        fs::create_directory(elsewhere);
        const fs::path chosen = elsewhere / c.chosenFile;
        if (c.viaImport) WriteAll(chosen, Profile(6));
        ProfileFolder folder(profiles);
        Buffers settings(7);
        const ProfileResult result = c.viaImport ? folder.Import(ProfileFolder::ReadForImport(chosen),
                                                                 *settings.image, *settings.records)
                                                 : folder.Export(chosen, *settings.image, *settings.records);
        EXPECT_EQ(result.outcome, c.outcome) << ProfileResultText(result, TextLanguage::kEnglish);
        const std::vector<std::uint8_t> chosenBytes = c.viaImport         ? Profile(6)
                                                      : c.current.empty() ? std::vector<std::uint8_t>{}
                                                                          : Profile(7);
        EXPECT_EQ(ReadAll(chosen), chosenBytes);
        EXPECT_EQ(result.settingsTaken, c.viaImport && !c.current.empty());
        if (c.current.empty()) {
            EXPECT_FALSE(fs::exists(profiles) && !fs::is_empty(profiles));
            EXPECT_NE(ProfileResultText(result, TextLanguage::kEnglish).find("start with \".\""),
                      std::string::npos);
            EXPECT_NE(ProfileResultText(result, TextLanguage::kGerman).find("mit \".\" beginnen"),
                      std::string::npos);
            continue;
        }
        EXPECT_EQ(FolderContent(), Names{c.current});
        EXPECT_EQ(ReadAll(profiles / c.current), c.viaImport ? Profile(6) : Profile(7));
        for (const auto& entry : fs::directory_iterator(elsewhere))
            EXPECT_EQ(entry.path(), chosen) << "no temporary file left";
    }
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
