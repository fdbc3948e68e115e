// Files the program reads are opened without blocking and must be regular; files it cannot use
// are never written over; saves keep modes and links and clean up after themselves.

#include "SmallDisk.h"
#include "TempFolder.h"
#include "Unprivileged.h"
#include "device/Firmware.h"
#include "files/AtomicFile.h"
#include "files/FileStatus.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::RunUnprivileged;
using testing::TempFolder;
using testing::WriteAll;

std::unique_ptr<SettingsState> PatternedState(std::uint8_t seed)
{
    auto state = std::make_unique<SettingsState>();
    std::uint8_t* image = state->image.data();
    for (std::size_t i = 0; i < kSettingsImageSize; ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + seed);
    std::uint8_t* records = state->records.data();
    for (std::size_t i = 0; i < kKeyRecordBufferSize; ++i)
        records[i] = static_cast<std::uint8_t>(i * 13 + seed);
    state->TakeShadows();
    return state;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
    return bytes;
}

unsigned ModeOf(const fs::path& file)
{
    struct stat st
    {
    };
    return ::stat(file.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFF;
}

bool IsFifo(const fs::path& file)
{
    struct stat st
    {
    };
    return ::lstat(file.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// A folder the unprivileged user may write to, as the user's own data folder would be.
class FileSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0); }
    void TearDown() override { AllowUnnamedTemporaryFiles(true); }

    TempFolder folder;
};

// ---- reading

TEST_F(FileSafetyTest, EveryReaderRefusesFifosAndFoldersWithoutBlocking)
{
    const fs::path fifo = folder / "fifo.bin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const fs::path dir = folder / "dir.bin";
    fs::create_directory(dir);
    auto state = std::make_unique<SettingsState>();
    auto macros = std::make_unique<MacroStore>();
    const struct
    {
        const char* reader;
        std::function<bool(const fs::path&)> refused;
    } readers[] = {
        {"keymap, full",
         [&](const fs::path& f) {
             return LoadKeymap(f, *state, KeymapLoadMode::kFull).state == FileState::kNotRegular;
         }},
        {"keymap, records only",
         [&](const fs::path& f) {
             return LoadKeymap(f, *state, KeymapLoadMode::kRecordsOnly).state == FileState::kNotRegular;
         }},
        {"macro file",
         [&](const fs::path& f) { return LoadMacroStore(f, *macros).state == FileState::kNotRegular; }},
        {"profile",
         [&](const fs::path& f) { return !ReadProfile(f, state->image, state->records).has_value(); }},
        {"exact settings file",
         [&](const fs::path& f) {
             return ReadSettingsFileExact(f, state->image, state->records).state == FileState::kNotRegular;
         }},
        {"version file", [&](const fs::path& f) { return ReadFileVersion(f) == FirmwareVersion{}; }},
    };
    // A reader that opened the FIFO blocking would wait for a writer forever; the alarm ends the run.
    ::alarm(20);
    for (const auto& r : readers) {
        EXPECT_TRUE(r.refused(fifo)) << r.reader;
        EXPECT_TRUE(r.refused(dir)) << r.reader;
    }
    ::alarm(0);
    EXPECT_TRUE(IsFifo(fifo)) << "nothing was created in its place";
    EXPECT_TRUE(fs::is_directory(dir));
}

TEST_F(FileSafetyTest, ASettingsFileFromTheUserIsTakenOnlyWhole)
{
    const fs::path file = folder / "profile.bin";
    const auto whole = Pattern(kSettingsFileSize, 3);
    const struct
    {
        std::size_t size;
        FileState state;
    } cases[] = {
        {0, FileState::kWrongSize},
        {kSettingsImageSize, FileState::kWrongSize},
        {kSettingsFileSize - 1, FileState::kWrongSize},
        {kSettingsFileSize + 1, FileState::kWrongSize},
        {kSettingsFileSize, FileState::kLoaded},
    };
    for (const auto& c : cases) {
        auto bytes = Pattern(c.size, 3);
        WriteAll(file, bytes);
        auto state = PatternedState(99);
        const auto before = std::make_unique<SettingsState>(*state);
        const FileStatus status = ReadSettingsFileExact(file, state->image, state->records);
        EXPECT_EQ(status.state, c.state) << c.size;
        if (c.state == FileState::kLoaded) {
            EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + kSettingsImageSize, state->image.data()));
            EXPECT_TRUE(std::equal(whole.begin() + kSettingsImageSize, whole.end(), state->records.data()));
        } else {
            EXPECT_EQ(status.size, c.size);
            EXPECT_EQ(state->image, before->image) << "nothing taken from a file of " << c.size << " bytes";
            EXPECT_EQ(state->records, before->records) << c.size;
        }
    }
    auto state = PatternedState(1);
    const FileStatus missing = ReadSettingsFileExact(folder / "none.bin", state->image, state->records);
    EXPECT_EQ(missing.state, FileState::kMissing);
    EXPECT_EQ(FileStatusReason(missing, TextLanguage::kEnglish),
              (folder / "none.bin").string() + " does not exist.");
    EXPECT_FALSE(fs::exists(folder / "none.bin"));
}

// ---- never overwriting what could not be used

TEST_F(FileSafetyTest, AFileThatCouldNotBeUsedIsNeverReplaced)
{
    enum Defect { kNoReadPermission, kShort, kLong, kFolder, kFifo };
    const struct
    {
        Defect defect;
        FileState state;
    } defects[] = {
        {kNoReadPermission, FileState::kUnreadable},
        {kShort, FileState::kWrongSize},
        {kLong, FileState::kWrongSize},
        {kFolder, FileState::kNotRegular},
        {kFifo, FileState::kNotRegular},
    };
    struct Kind
    {
        const char* name;
        std::size_t size;
        std::function<FileState(const fs::path&)> load;
        std::vector<std::function<bool(const fs::path&)>> saves;
    };
    auto state = PatternedState(5);
    auto macros = std::make_unique<MacroStore>();
    const Kind kinds[] = {
        {kKeymapFileName,
         kSettingsFileSize,
         [&](const fs::path& f) { return LoadKeymap(f, *state, KeymapLoadMode::kFull).state; },
         {[&](const fs::path& f) { return SaveKeymap(f, *state).Saved(); },
          [&](const fs::path& f) { return SaveKeymapShadows(f, *state).Saved(); }}},
        {kMacroFileName,
         kMacroStoreSize,
         [&](const fs::path& f) { return LoadMacroStore(f, *macros).state; },
         {[&](const fs::path& f) { return SaveMacroStore(f, *macros).Saved(); }}},
    };
    int n = 0;
    for (const Kind& kind : kinds) {
        for (const auto& d : defects) {
            // Each case in a folder of its own, created by root (or us) as the program would find it.
            const fs::path dir = folder / std::to_string(n++);
            fs::create_directory(dir);
            ::chmod(dir.c_str(), 0777);
            const fs::path file = dir / kind.name;
            const auto content = Pattern(d.defect == kShort  ? 1000
                                         : d.defect == kLong ? kind.size + 1
                                                             : kind.size,
                                         7);
            if (d.defect == kFolder)
                fs::create_directory(file);
            else if (d.defect == kFifo)
                ::mkfifo(file.c_str(), 0666);
            else
                WriteAll(file, content);
            if (d.defect == kNoReadPermission) ::chmod(file.c_str(), 0);

            const std::string failures = RunUnprivileged([&] {
                std::string out;
                const std::string label = std::string(kind.name) + " case " + std::to_string(d.defect) + ": ";
                if (kind.load(file) != d.state) out += label + "unexpected load state\n";
                for (const auto& save : kind.saves)
                    if (save(file)) out += label + "a save reported success\n";
                return out;
            });
            EXPECT_EQ(failures, "");
            if (d.defect == kFolder)
                EXPECT_TRUE(fs::is_directory(file));
            else if (d.defect == kFifo)
                EXPECT_TRUE(IsFifo(file));
            else
                EXPECT_EQ(ReadAll(file), content) << kind.name << " case " << d.defect;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
                << "no leftovers";
        }
    }
}

TEST_F(FileSafetyTest, MissingFilesAreStillCreatedAndAFailureToCreateIsExplained)
{
    const mode_t oldMask = ::umask(022);
    const fs::path closed = folder / "closed";
    fs::create_directory(closed);
    ::chmod(closed.c_str(), 0755); // root's: the unprivileged user cannot create files in it
    const std::string failures = RunUnprivileged([&] {
        std::string out;
        auto state = PatternedState(9);
        auto macros = std::make_unique<MacroStore>();
        const FileStatus keymap = LoadKeymap(folder / kKeymapFileName, *state, KeymapLoadMode::kFull);
        if (keymap.state != FileState::kMissing || !keymap.created) out += "keymap.bin not created\n";
        const FileStatus macroFile = LoadMacroStore(folder / kMacroFileName, *macros);
        if (macroFile.state != FileState::kMissing || !macroFile.created)
            out += "MacroDefine.bin not created\n";
        if (ModeOf(folder / kKeymapFileName) != 0644) out += "new keymap.bin does not follow the umask\n";
        if (ReadAll(folder / kMacroFileName).size() != kMacroStoreSize) out += "MacroDefine.bin size\n";

        const FileStatus refused = LoadKeymap(closed / kKeymapFileName, *state, KeymapLoadMode::kFull);
        if (refused.state != FileState::kMissing || refused.created || refused.error != EACCES)
            out += "creating in a closed folder: state " + std::to_string(static_cast<int>(refused.state)) +
                   " error " + std::to_string(refused.error) + "\n";
        if (refused.Usable()) out += "a file that could not be created counts as usable\n";
        const std::string text = FileStatusText(refused, TextLanguage::kEnglish);
        if (text.find((closed / kKeymapFileName).string()) == std::string::npos ||
            text.find("permission denied") == std::string::npos)
            out += "text: " + text + "\n";
        return out;
    });
    ::umask(oldMask);
    EXPECT_EQ(failures, "");
}

TEST_F(FileSafetyTest, TheReasonNamesTheFileInBothLanguages)
{
    FileStatus status;
    status.file = "/data/keymap.bin";
    status.expected = kSettingsFileSize;
    EXPECT_EQ(FileStatusText(status, TextLanguage::kEnglish), "") << "nothing to say about a loaded file";
    status.state = FileState::kMissing;
    status.created = true;
    EXPECT_EQ(FileStatusText(status, TextLanguage::kGerman), "");

    status.created = false;
    status.state = FileState::kWrongSize;
    status.size = 1000;
    EXPECT_EQ(FileStatusText(status, TextLanguage::kEnglish),
              "/data/keymap.bin is 1000 bytes instead of 206920. The file is left as it is; changes are not "
              "saved to it.");
    EXPECT_EQ(FileStatusText(status, TextLanguage::kGerman),
              "/data/keymap.bin ist 1000 Bytes groß statt 206920. Die Datei bleibt unverändert; Änderungen "
              "werden nicht darin gespeichert.");
    const struct
    {
        FileState state;
        int error;
        unsigned type;
        const char* english;
        const char* german;
    } cases[] = {
        {FileState::kUnreadable, EACCES, 0, "cannot be read (permission denied)", "keine Berechtigung"},
        {FileState::kUnreadable, EIO, 0, "input/output error", "Ein-/Ausgabefehler"},
        {FileState::kNotRegular, 0, S_IFIFO, "not a regular file but a named pipe", "eine benannte Pipe"},
        {FileState::kNotRegular, 0, S_IFDIR, "a folder", "ein Ordner"},
        {FileState::kMissing, EROFS, 0, "could not be created (read-only file system)", "schreibgeschütztes"},
    };
    for (const auto& c : cases) {
        status.state = c.state;
        status.error = c.error;
        status.type = c.type;
        const std::string english = FileStatusText(status, TextLanguage::kEnglish);
        const std::string german = FileStatusText(status, TextLanguage::kGerman);
        EXPECT_NE(english.find("/data/keymap.bin"), std::string::npos) << english;
        EXPECT_NE(english.find(c.english), std::string::npos) << english;
        EXPECT_NE(german.find("/data/keymap.bin"), std::string::npos) << german;
        EXPECT_NE(german.find(c.german), std::string::npos) << german;
    }
}

// ---- how a save replaces a file

TEST_F(FileSafetyTest, SavesKeepTheOldModeAndNewFilesFollowTheUmask)
{
    auto state = PatternedState(2);
    const fs::path keymap = folder / kKeymapFileName;
    for (const unsigned mode : {0600u, 0640u, 0604u, 0664u}) {
        fs::remove(keymap);
        WriteAll(keymap, Pattern(kSettingsFileSize, 1));
        ::chmod(keymap.c_str(), mode);
        ASSERT_TRUE(SaveKeymap(keymap, *state));
        EXPECT_EQ(ModeOf(keymap), mode);
    }
    const struct
    {
        mode_t umask;
        unsigned mode;
    } fresh[] = {{022, 0644}, {077, 0600}, {002, 0664}, {0, 0666}};
    for (const auto& f : fresh) {
        fs::remove(keymap);
        const mode_t old = ::umask(f.umask);
        const bool saved = SaveKeymap(keymap, *state).Saved();
        ::umask(old);
        ASSERT_TRUE(saved);
        EXPECT_EQ(ModeOf(keymap), f.mode) << "umask " << f.umask;
    }
}

TEST_F(FileSafetyTest, SavingThroughASymbolicLinkReplacesTheFileItNames)
{
    auto state = PatternedState(4);
    fs::create_directories(folder / "real");
    fs::create_directories(folder / "data");
    const fs::path real = folder / "real" / kKeymapFileName;
    WriteAll(real, Pattern(kSettingsFileSize, 1));
    ::chmod(real.c_str(), 0640);
    // A relative link to a link, as dotfile managers make them.
    fs::create_symlink("../real/" + std::string(kKeymapFileName), folder / "data" / "middle.bin");
    const fs::path keymap = folder / "data" / kKeymapFileName;
    fs::create_symlink("middle.bin", keymap);

    ASSERT_TRUE(SaveKeymap(keymap, *state));
    EXPECT_TRUE(fs::is_symlink(keymap));
    EXPECT_TRUE(fs::is_symlink(folder / "data" / "middle.bin"));
    const auto bytes = ReadAll(real);
    ASSERT_EQ(bytes.size(), kSettingsFileSize);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + kSettingsImageSize, state->image.data()));
    EXPECT_EQ(ModeOf(real), 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), fs::directory_iterator()), 1);

    // A link whose file does not exist yet: the file is made where the link points.
    fs::remove(real);
    auto loaded = PatternedState(8);
    const FileStatus created = LoadKeymap(keymap, *loaded, KeymapLoadMode::kFull);
    EXPECT_EQ(created.state, FileState::kMissing);
    EXPECT_TRUE(created.created);
    EXPECT_TRUE(fs::is_symlink(keymap));
    EXPECT_EQ(ReadAll(real).size(), kSettingsFileSize);

    // A loop of links is refused, not followed forever.
    fs::create_symlink("loop-b", folder / "data" / "loop-a");
    fs::create_symlink("loop-a", folder / "data" / "loop-b");
    EXPECT_FALSE(SaveKeymap(folder / "data" / "loop-a", *state));
}

TEST_F(FileSafetyTest, AFailedSaveLeavesTheOldFileWholeAndNothingBehind)
{
    auto saved = PatternedState(6);
    const fs::path keymap = folder / kKeymapFileName;
    ASSERT_TRUE(SaveKeymap(keymap, *saved));
    ::chmod(keymap.c_str(), 0644);
    const auto before = ReadAll(keymap);
    ::chmod(folder.path().c_str(), 0755); // the unprivileged user may read but not write here
    const std::string failures = RunUnprivileged([&] {
        auto changed = PatternedState(7);
        return SaveKeymap(keymap, *changed) ? std::string("saved into a folder it cannot write\n")
                                            : std::string();
    });
    ::chmod(folder.path().c_str(), 0777);
    EXPECT_EQ(failures, "");
    EXPECT_EQ(ReadAll(keymap), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST_F(FileSafetyTest, OnlyTheProgramsOwnLeftoverTemporaryFilesAreRemoved)
{
    const struct
    {
        const char* name;
        bool removed;
    } entries[] = {
        {".keymap.bin.tmp-Ab12Cd", true},
        {".MacroDefine.bin.tmp-zz09ZZ", true},
        {".keymap.bin.tmp-Ab12C", false},   // too short
        {".keymap.bin.tmp-Ab12Cde", false}, // too long
        {".keymap.bin.tmp-Ab_2Cd", false},  // not a letter or digit
        {"keymap.bin.tmp-Ab12Cd", false},
        {"keymap.bin.Ab12Cd", false},
        {".profile.bin.tmp-Ab12Cd", false},
        {".macrodefine.bin.tmp-Ab12Cd", false},
        {"keymap.bin", false},
        {"MacroDefine.bin", false},
    };
    for (const auto& e : entries)
        WriteAll(folder / e.name, {1, 2, 3});
    // Not regular files: not something a save left.
    fs::create_directory(folder / ".keymap.bin.tmp-Dir123");
    fs::create_symlink(folder / "keymap.bin", folder / ".keymap.bin.tmp-Lnk123");

    EXPECT_EQ(RemoveStaleSaveFiles(folder.path()), 2u);
    for (const auto& e : entries)
        EXPECT_EQ(fs::exists(folder / e.name), !e.removed) << e.name;
    EXPECT_TRUE(fs::is_directory(folder / ".keymap.bin.tmp-Dir123"));
    EXPECT_TRUE(fs::is_symlink(folder / ".keymap.bin.tmp-Lnk123"));
    EXPECT_EQ(RemoveStaleSaveFiles(folder / "no such folder"), 0u);
}

// ---- files the user protected

TEST_F(FileSafetyTest, AFileTheUserProtectedIsLeftAsItIsAndTheReasonSaysWhy)
{
    const bool root = ::geteuid() == 0;
    const struct
    {
        const char* name;
        unsigned mode;
        bool othersFile; // owned by root, the unprivileged user's folder
        int error;
        const char* english;
        const char* german;
    } cases[] = {
        {"read-only", 0444, false, EACCES, "cannot be written (no write permission)",
         "keine Schreibberechtigung"},
        {"another user's", 0644, true, EACCES, "cannot be written (no write permission)",
         "keine Schreibberechtigung"},
        // Writable, but a replacement would be the user's own file.
        {"another user's, writable by all", 0666, true, EPERM, "cannot be written (owned by another user)",
         "gehört einem anderen Benutzer"},
    };
    struct Kind
    {
        const char* name;
        std::size_t size;
        std::function<FileStatus(const fs::path&)> load;
        std::function<SaveStatus(const fs::path&)> save;
    };
    auto state = PatternedState(3);
    auto macros = std::make_unique<MacroStore>();
    const Kind kinds[] = {
        {kKeymapFileName, kSettingsFileSize,
         [&](const fs::path& f) { return LoadKeymap(f, *state, KeymapLoadMode::kFull); },
         [&](const fs::path& f) { return SaveKeymap(f, *state, DamagedFile::kSetAside); }},
        {kMacroFileName, kMacroStoreSize, [&](const fs::path& f) { return LoadMacroStore(f, *macros); },
         [&](const fs::path& f) { return SaveMacroStore(f, *macros, DamagedFile::kSetAside); }},
    };
    int n = 0;
    for (const Kind& kind : kinds) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(kind.name) + ", " + c.name);
            // Only root can hand a file to another user.
            if (c.othersFile && !root) continue;
            const fs::path dir = folder / ("p" + std::to_string(n++));
            fs::create_directory(dir);
            ::chmod(dir.c_str(), 0777);
            const fs::path file = dir / kind.name;
            const auto content = Pattern(kind.size, 11);
            WriteAll(file, content);
            if (root && !c.othersFile) {
                ASSERT_EQ(::chown(file.c_str(), testing::kNobody, testing::kNobody), 0);
            }
            ::chmod(file.c_str(), c.mode);
            struct stat before
            {
            };
            ASSERT_EQ(::stat(file.c_str(), &before), 0);

            const std::string failures = RunUnprivileged([&] {
                std::string out;
                const FileStatus loaded = kind.load(file);
                if (loaded.state != FileState::kLoaded || loaded.writeError != c.error)
                    out += "load: state " + std::to_string(static_cast<int>(loaded.state)) + " write error " +
                           std::to_string(loaded.writeError) + "\n";
                if (FileStatusText(loaded, TextLanguage::kEnglish).find(c.english) == std::string::npos)
                    out += "text: " + FileStatusText(loaded, TextLanguage::kEnglish) + "\n";
                if (FileStatusText(loaded, TextLanguage::kGerman).find(c.german) == std::string::npos)
                    out += "German text: " + FileStatusText(loaded, TextLanguage::kGerman) + "\n";
                // Not even the user's own choice to replace a damaged file touches it.
                const SaveStatus saved = kind.save(file);
                if (saved.outcome != SaveOutcome::kKept) out += "a save did not keep it\n";
                if (SaveStatusText(saved, TextLanguage::kEnglish).find(c.english) == std::string::npos)
                    out += "save text: " + SaveStatusText(saved, TextLanguage::kEnglish) + "\n";
                return out;
            });
            EXPECT_EQ(failures, "");
            struct stat after
            {
            };
            ASSERT_EQ(::stat(file.c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_uid, before.st_uid);
            EXPECT_EQ(ReadAll(file), content);
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
        }
    }
}

// ---- damaged files: kept until the user chooses to replace them

std::string LocalStamp(std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

TEST_F(FileSafetyTest, ADamagedFileIsReplacedOnlyByChoiceAndItsBytesAreKeptBesideIt)
{
    const std::time_t when = 1'700'000'000;
    auto state = PatternedState(4);
    auto macros = std::make_unique<MacroStore>();
    (*macros)[0].SetName(u"Macro_001");
    struct Kind
    {
        const char* name;
        std::size_t size;
        std::function<SaveStatus(const fs::path&, DamagedFile)> save;
        std::vector<std::uint8_t> expected;
    };
    std::vector<std::uint8_t> keymapBytes(state->image.data(), state->image.data() + kSettingsImageSize);
    keymapBytes.insert(keymapBytes.end(), state->records.data(),
                       state->records.data() + kKeyRecordBufferSize);
    const std::vector<std::uint8_t> macroBytes(macros->data(), macros->data() + kMacroStoreSize);
    const Kind kinds[] = {
        {kKeymapFileName, kSettingsFileSize,
         [&](const fs::path& f, DamagedFile d) { return SaveKeymap(f, *state, d, when); }, keymapBytes},
        {kMacroFileName, kMacroStoreSize,
         [&](const fs::path& f, DamagedFile d) { return SaveMacroStore(f, *macros, d, when); }, macroBytes},
    };
    for (const Kind& kind : kinds) {
        for (const std::size_t damagedSize : {std::size_t{0}, std::size_t{1000}, kind.size + 1}) {
            SCOPED_TRACE(std::string(kind.name) + " of " + std::to_string(damagedSize) + " bytes");
            const fs::path dir = folder / (std::string(kind.name) + std::to_string(damagedSize));
            fs::create_directory(dir);
            const fs::path file = dir / kind.name;
            const auto damaged = Pattern(damagedSize, 9);
            WriteAll(file, damaged);

            const SaveStatus kept = kind.save(file, DamagedFile::kKeep);
            EXPECT_EQ(kept.outcome, SaveOutcome::kKept);
            EXPECT_TRUE(kept.Damaged());
            EXPECT_EQ(ReadAll(file), damaged);
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

            const fs::path aside = dir / (std::string(kind.name) + ".damaged-" + LocalStamp(when));
            EXPECT_EQ(DamagedFileName(file, when), aside);
            const SaveStatus replaced = kind.save(file, DamagedFile::kSetAside);
            EXPECT_TRUE(replaced.Saved());
            EXPECT_EQ(replaced.setAside, aside);
            EXPECT_EQ(ReadAll(aside), damaged);
            EXPECT_EQ(ReadAll(file), kind.expected);

            // Damaged again within the same second: the first copy stays.
            WriteAll(file, Pattern(7, 1));
            const SaveStatus again = kind.save(file, DamagedFile::kSetAside);
            EXPECT_TRUE(again.Saved());
            EXPECT_EQ(again.setAside.string(), aside.string() + "-2");
            EXPECT_EQ(ReadAll(aside), damaged);
            EXPECT_EQ(ReadAll(again.setAside), Pattern(7, 1));
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
        }
    }
    // What is not merely damaged stays whatever the choice: a folder, a FIFO, an unreadable file.
    const fs::path dir = folder / "kept";
    fs::create_directory(dir);
    ::chmod(dir.c_str(), 0777);
    fs::create_directory(dir / "keymap.bin");
    ::mkfifo((dir / "MacroDefine.bin").c_str(), 0666);
    EXPECT_EQ(SaveKeymap(dir / "keymap.bin", *state, DamagedFile::kSetAside, when).outcome,
              SaveOutcome::kKept);
    EXPECT_EQ(SaveMacroStore(dir / "MacroDefine.bin", *macros, DamagedFile::kSetAside, when).outcome,
              SaveOutcome::kKept);
    const fs::path locked = folder / "locked";
    fs::create_directory(locked);
    ::chmod(locked.c_str(), 0777);
    WriteAll(locked / "keymap.bin", Pattern(1000, 2));
    ::chmod((locked / "keymap.bin").c_str(), 0);
    EXPECT_EQ(RunUnprivileged([&] {
                  return SaveKeymap(locked / "keymap.bin", *state, DamagedFile::kSetAside, when).outcome ==
                                 SaveOutcome::kKept
                             ? std::string()
                             : std::string("an unreadable file was replaced\n");
              }),
              "");
    EXPECT_TRUE(fs::is_directory(dir / "keymap.bin"));
    EXPECT_TRUE(IsFifo(dir / "MacroDefine.bin"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

TEST_F(FileSafetyTest, ASaveThatCannotWriteTheFolderSaysWhichFileAndWhy)
{
    const struct
    {
        bool folderExists;
        const char* english;
        const char* german;
    } cases[] = {
        {true, " could not be saved (permission denied); the file is left as it was.",
         " konnte nicht gespeichert werden (keine Berechtigung); die Datei bleibt, wie sie war."},
        {false, " could not be saved (folder missing); the file is left as it was.",
         " konnte nicht gespeichert werden (Ordner fehlt); die Datei bleibt, wie sie war."},
    };
    auto state = PatternedState(2);
    for (const auto& c : cases) {
        // The user's own file in a folder they may not write; or no folder at all.
        const fs::path dir = folder / (c.folderExists ? "closed" : "gone");
        const fs::path file = dir / kKeymapFileName;
        if (c.folderExists) {
            fs::create_directory(dir);
            WriteAll(file, Pattern(kSettingsFileSize, 1));
            if (::geteuid() == 0) {
                ASSERT_EQ(::chown(file.c_str(), testing::kNobody, testing::kNobody), 0);
            }
            ::chmod(dir.c_str(), 0755);
        }
        const std::string failures = RunUnprivileged([&] {
            const SaveStatus saved = SaveKeymap(file, *state);
            std::string out;
            if (saved.outcome != SaveOutcome::kFailed) out += "not a failure\n";
            if (SaveStatusText(saved, TextLanguage::kEnglish) != file.string() + c.english)
                out += SaveStatusText(saved, TextLanguage::kEnglish) + "\n";
            if (SaveStatusText(saved, TextLanguage::kGerman) != file.string() + c.german)
                out += SaveStatusText(saved, TextLanguage::kGerman) + "\n";
            return out;
        });
        EXPECT_EQ(failures, "") << c.english;
        if (c.folderExists) {
            EXPECT_EQ(ReadAll(file), Pattern(kSettingsFileSize, 1));
        }
    }
}

// ---- a full disk

TEST_F(FileSafetyTest, ASaveOnAFullDiskFailsSaysWhyAndLeavesTheOldFileWhole)
{
    testing::SmallDisk disk(1024);
    if (!disk.Ready()) GTEST_SKIP() << "no private file system to fill: " << disk.Error();
    auto state = PatternedState(5);
    auto macros = std::make_unique<MacroStore>();
    const fs::path keymap = disk.path() / kKeymapFileName;
    const fs::path macroFile = disk.path() / kMacroFileName;
    const fs::path damaged = disk.path() / "damaged" / kKeymapFileName;
    fs::create_directory(damaged.parent_path());
    ASSERT_TRUE(SaveKeymap(keymap, *state));
    ASSERT_TRUE(SaveMacroStore(macroFile, *macros));
    WriteAll(damaged, Pattern(1000, 3));
    const auto keymapBefore = ReadAll(keymap);
    const auto macrosBefore = ReadAll(macroFile);
    disk.Fill();
    auto changed = PatternedState(6);
    (*macros)[0].SetName(u"Macro_001");
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed temporary file" : "named temporary file");
        AllowUnnamedTemporaryFiles(unnamed);
        const SaveStatus results[] = {
            SaveKeymap(keymap, *changed),
            SaveKeymapShadows(keymap, *changed),
            SaveMacroStore(macroFile, *macros),
            // Setting a damaged file aside takes no space, but its replacement does: it stays.
            SaveKeymap(damaged, *changed, DamagedFile::kSetAside),
        };
        for (const SaveStatus& result : results) {
            EXPECT_EQ(result.outcome, SaveOutcome::kFailed) << result.file;
            EXPECT_EQ(result.error, ENOSPC) << result.file;
            EXPECT_TRUE(result.setAside.empty());
            const std::string english = SaveStatusText(result, TextLanguage::kEnglish);
            const std::string german = SaveStatusText(result, TextLanguage::kGerman);
            EXPECT_EQ(english,
                      result.file.string() +
                          " could not be saved (no space left on the device); the file is left as it was.");
            EXPECT_EQ(german, result.file.string() + " konnte nicht gespeichert werden (kein Platz auf dem "
                                                     "Datenträger); die Datei bleibt, wie sie war.");
        }
        EXPECT_EQ(ReadAll(keymap), keymapBefore);
        EXPECT_EQ(ReadAll(macroFile), macrosBefore);
        EXPECT_EQ(ReadAll(damaged), Pattern(1000, 3));
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(disk.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{".filler", kMacroFileName, "damaged", kKeymapFileName}));
        EXPECT_EQ(std::distance(fs::directory_iterator(damaged.parent_path()), fs::directory_iterator()), 1);
    }
    disk.Free();
    EXPECT_TRUE(SaveKeymap(keymap, *changed));
}

// ---- interrupted saves

// The entries of the folder that a process has open, by what /proc says they are.
std::vector<std::string> OpenFilesIn(pid_t pid, const fs::path& folder)
{
    std::vector<std::string> open;
    std::error_code ec;
    const std::string prefix = folder.string() + "/";
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkError;
        const std::string target = fs::read_symlink(it->path(), linkError).string();
        if (!linkError && target.rfind(prefix, 0) == 0) open.push_back(target.substr(prefix.size()));
    }
    return open;
}

TEST_F(FileSafetyTest, ASaveKilledHalfWayLeavesOnlyTheWholeFile)
{
    const fs::path dir = folder / "data";
    fs::create_directory(dir);
    const fs::path keymap = dir / kKeymapFileName;
    auto state = PatternedState(1);
    ASSERT_TRUE(SaveKeymap(keymap, *state));
    const auto old = ReadAll(keymap);
    auto changed = PatternedState(2);
    std::vector<std::uint8_t> changedBytes(changed->image.data(), changed->image.data() + kSettingsImageSize);
    changedBytes.insert(changedBytes.end(), changed->records.data(),
                        changed->records.data() + kKeyRecordBufferSize);

    // The child saves over and over; it is stopped while it holds the file it writes, and killed
    // there. A save whose file has a name while it is written leaves that name behind.
    int namedSightings = 0;
    bool killedWhileUnnamed = false;
    for (int attempt = 0; attempt < 20 && !killedWhileUnnamed; ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                (void)SaveKeymap(keymap, *changed);
        }
        std::string writing;
        for (int look = 0; look < 200000 && writing.empty(); ++look) {
            for (const std::string& name : OpenFilesIn(child, dir))
                if (name != kKeymapFileName) writing = name;
            if (writing.empty()) continue;
            ::kill(child, SIGSTOP);
            int stopped = 0;
            ::waitpid(child, &stopped, WUNTRACED);
            // Look again while it stands still: it may have moved on.
            writing.clear();
            for (const std::string& name : OpenFilesIn(child, dir))
                if (name != kKeymapFileName) writing = name;
            if (writing.empty()) ::kill(child, SIGCONT);
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_FALSE(writing.empty()) << "the child never stood still inside a save";
        // An unnamed file keeps showing as deleted once it is linked under its temporary name:
        // only a folder without that name proves the kill came before the link.
        bool temporaryNamed = false;
        for (const auto& entry : fs::directory_iterator(dir))
            temporaryNamed = temporaryNamed || entry.path().filename() != kKeymapFileName;
        if (writing.find(" (deleted)") != std::string::npos && !temporaryNamed) {
            killedWhileUnnamed = true;
        } else {
            ++namedSightings;
            // The moment between naming and renaming: clean up and look again.
            for (const auto& entry : fs::directory_iterator(dir))
                if (entry.path().filename() != kKeymapFileName) fs::remove(entry.path());
        }
    }
    ASSERT_TRUE(killedWhileUnnamed) << "every save killed had a named temporary file (" << namedSightings
                                    << " times)";
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{kKeymapFileName});
    const auto bytes = ReadAll(keymap);
    EXPECT_TRUE(bytes == old || bytes == changedBytes) << "the file is whole, old or new";
}

// ---- temporary names

TEST_F(FileSafetyTest, TemporaryNamesFitTheFoldersLimitAndLongNamesSave)
{
    const std::string a250(250, 'a');
    const struct
    {
        std::string file;
        std::size_t nameMax;
        std::string expected;
    } names[] = {
        {"keymap.bin", 255, ".keymap.bin.tmp-Ab12Cd"},
        {a250, 255, "." + std::string(243, 'a') + ".tmp-Ab12Cd"},
        {"profile.bin", 20, ".profile..tmp-Ab12Cd"},
        {"pr\xC3\xA4"
         "file.bin",
         16, ".pr\xC3\xA4.tmp-Ab12Cd"},
        // Never half of a two-byte character.
        {"pr\xC3\xA4"
         "file.bin",
         15, ".pr.tmp-Ab12Cd"},
    };
    for (const auto& n : names) {
        const std::string name = TemporaryFileName(n.file, "Ab12Cd", n.nameMax);
        EXPECT_EQ(name, n.expected);
        EXPECT_LE(name.size(), n.nameMax);
        EXPECT_TRUE(IsTemporaryFileName(name)) << name;
    }

    auto state = PatternedState(8);
    for (const bool unnamed : {true, false}) {
        AllowUnnamedTemporaryFiles(unnamed);
        for (const std::size_t length : {250u, 255u}) {
            SCOPED_TRACE(std::to_string(length) + (unnamed ? ", unnamed" : ", named"));
            const fs::path file = folder / (std::string(length - 4, 'p') + ".bin");
            EXPECT_TRUE(WriteProfile(file, state->image, state->records));
            EXPECT_TRUE(SaveKeymap(file, *state)) << "and again over it";
            EXPECT_EQ(ReadAll(file).size(), kSettingsFileSize);
            fs::remove(file);
            EXPECT_TRUE(fs::is_empty(folder.path())) << "nothing left behind";
        }
    }
}

TEST_F(FileSafetyTest, TheProfileFolderLosesOnlyTheProgramsOwnLeftovers)
{
    const fs::path profiles = folder / kProfileFolderName;
    fs::create_directory(profiles);
    const std::string longLeftover = "." + std::string(243, 'x') + ".tmp-Zz09Aa";
    const struct
    {
        std::string name;
        bool removed;
    } entries[] = {
        {".Team profile.bin.tmp-Ab12Cd", true},
        {".mine.v2.bin.tmp-zz09ZZ", true},
        {longLeftover, true},
        {"Team profile.bin", false},
        {".hidden", false},
        {"mine.bin.tmp-Ab12Cd", false}, // not hidden: not a save's
        {".tmp-Ab12Cd", false},         // no name before the mark
        {".mine.bin.tmp-Ab12C", false},
        {".mine.bin.tmp-Ab_2Cd", false},
    };
    for (const auto& e : entries)
        WriteAll(profiles / e.name, {1, 2, 3});
    fs::create_directory(profiles / ".dir.bin.tmp-Dir123");
    WriteAll(folder / ".other.bin.tmp-Ab12Cd", {1}); // the data folder keeps to its own two files

    EXPECT_EQ(RemoveStaleSaveFiles(folder.path()), 3u);
    for (const auto& e : entries)
        EXPECT_EQ(fs::exists(profiles / e.name), !e.removed) << e.name;
    EXPECT_TRUE(fs::is_directory(profiles / ".dir.bin.tmp-Dir123"));
    EXPECT_TRUE(fs::exists(folder / ".other.bin.tmp-Ab12Cd"));
}

} // namespace
} // namespace corvane
