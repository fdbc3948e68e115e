// The profile folder's operations over real files: import, export, rename, restarts, reading a
// settings file handed in, and the launch-key question, with files, folders, links and FIFOs of
// random names and contents put in by "the user" between them. After every operation nothing the
// program did not write itself may be changed or gone: someone else's file is where it was, or
// in earlier/ as it was (the same inode), or it is what the user asked for (an export's target,
// the renamed profile). Only the copy the program wrote may go, and nothing new appears but the
// current profile, the program's record, earlier/ and the export.
//
// Input: a settings fill byte, then up to twelve operations, each an opcode byte and its
// arguments (names, contents and choices are read from the input as they are needed).

#include "FuzzSupport.h"

#include "store/ProfileFolder.h"
#include "store/SettingsFiles.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::fuzz;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxOperations = 12;
constexpr std::size_t kMacroFileSize = 169860;

// FUZZ_TRACE=1 prints each operation, to read a failing input.
void Trace(const char* what, const std::filesystem::path& path, int outcome = -1)
{
    static const bool on = std::getenv("FUZZ_TRACE") != nullptr;
    if (on) std::fprintf(stderr, "%s %s -> %d\n", what, path.c_str(), outcome);
}

std::uint64_t HashBytes(const std::uint8_t* data, std::size_t size)
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(data), size));
}

// A whole profile hashes as its two parts, so a file compares with the settings in memory.
std::uint64_t HashParts(const std::uint8_t* image, const std::uint8_t* records)
{
    return HashBytes(image, kSettingsImageSize) * 31 + HashBytes(records, kKeyRecordBufferSize);
}

std::uint64_t FileHash(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() == kSettingsFileSize) return HashParts(bytes.data(), bytes.data() + kSettingsImageSize);
    return HashBytes(bytes.data(), bytes.size()) ^ bytes.size();
}

// What lies at a path: its kind, inode and, for a file, its content's hash; for a link, where it
// points. A FIFO is never opened.
struct Entry
{
    char kind = 0; // 'f' file, 'd' folder, 'l' link, 'p' FIFO, 'o' other
    ino_t inode = 0;
    std::uint64_t hash = 0;
    std::string link;
    bool operator==(const Entry&) const = default;
};
using Tree = std::map<fs::path, Entry>;

std::optional<Entry> Look(const fs::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    Entry e;
    e.inode = st.st_ino;
    if (S_ISREG(st.st_mode)) {
        e.kind = 'f';
        e.hash = FileHash(ReadWholeFile(path));
    } else if (S_ISDIR(st.st_mode)) {
        e.kind = 'd';
    } else if (S_ISLNK(st.st_mode)) {
        e.kind = 'l';
        std::error_code ec;
        e.link = fs::read_symlink(path, ec).string();
    } else {
        e.kind = S_ISFIFO(st.st_mode) ? 'p' : 'o';
    }
    return e;
}

Tree Walk(const fs::path& root)
{
    Tree tree;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (auto e = Look(it->path())) tree[it->path()] = *e;
    }
    FUZZ_CHECK(!ec);
    return tree;
}

// The file a chain of links finally names, as a save writes through them (folders on the way
// may be links too).
fs::path Resolve(fs::path path)
{
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code folderError;
        const fs::path folder = fs::weakly_canonical(path.parent_path(), folderError);
        if (!folderError) path = folder / path.filename();
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::error_code ec;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// A folder to put something in, through links as the user's tools would; a loop is none.
bool IsFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec) && !ec;
}

bool Same(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    return a == b || (fs::equivalent(a, b, ec) && !ec);
}

struct Settings
{
    std::unique_ptr<SettingsImage> image = std::make_unique<SettingsImage>();
    std::unique_ptr<KeyRecordBuffer> records = std::make_unique<KeyRecordBuffer>();
    std::uint64_t Hash() const { return HashParts(image->data(), records->data()); }
};

// A file's content: whole profiles (where launch keys hide) made from a fill byte and patches,
// a few raw bytes, or a size next to the profile's.
std::vector<std::uint8_t> Content(InputReader& in)
{
    const std::uint8_t shape = in.Byte();
    switch (shape % 4) {
    case 0:
    case 1: {
        std::vector<std::uint8_t> bytes(kSettingsFileSize, in.Byte());
        for (int patches = in.Byte() % 4; patches > 0; --patches) {
            const std::size_t offset = in.U24() % bytes.size();
            const auto patch = in.Take(in.Byte() % 32);
            std::copy_n(patch.begin(), std::min(patch.size(), bytes.size() - offset),
                        bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        return bytes;
    }
    case 2: {
        const auto raw = in.Take(in.Byte() % 64);
        return {raw.begin(), raw.end()};
    }
    default:
        return std::vector<std::uint8_t>(kSettingsFileSize + (in.Byte() % 5) - 2, shape);
    }
}

// A file name: mostly short and of a few letters, so that names meet; now and then near the
// length limit, with dots, or one the program itself uses.
std::string Name(InputReader& in)
{
    static const char* const kSpecial[] = {
        ".",         "..",        ".bin",        "earlier", kProfileRecordName, "keymap.bin",  "a.bin",
        "a.bin.bin", "my.binary", "team.v2.bin", "A.BIN",   "a (2).bin",        ".hidden.bin", "...",
    };
    const std::uint8_t kind = in.Byte();
    if (kind < 40) return kSpecial[kind % std::size(kSpecial)];
    std::string name;
    if (kind < 60) {
        name.assign(240 + in.Byte() % 20, 'L');
    } else {
        for (std::size_t n = 1 + in.Byte() % 6; n > 0; --n) {
            const std::uint8_t c = in.Byte();
            // No "/" and no NUL: those cannot be in a name.
            name.push_back(c == '/' || c == 0 ? '_' : static_cast<char>(c % 3 == 0 ? 'a' + c % 4 : c));
        }
    }
    if (kind & 1) name += ".bin";
    return name;
}

// What an operation may do besides keeping the folder's one profile.
struct Allowed
{
    std::vector<fs::path> written; // an export's target, and the file its links lead to
    std::optional<fs::path> copy;  // the current profile's file an import or export makes
    std::optional<fs::path> renamedFrom;
    std::optional<fs::path> renamedTo;
    std::optional<std::uint64_t> current; // the content the one profile has when done
};

class Run
{
public:
    explicit Run(InputReader& in) : in_(in)
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
        for (const fs::path& p : {data_, profiles_, program_, user_})
            fs::create_directories(p);
        WriteWholeFile(data_ / kKeymapFileName, std::vector<std::uint8_t>(kSettingsFileSize, 0x11));
        WriteWholeFile(data_ / "MacroDefine.bin", std::vector<std::uint8_t>(kMacroFileSize, 0x22));
        WriteWholeFile(program_ / "VER.bin",
                       std::vector<std::uint8_t>{'V', '0', '0', '0', '0', '1', '.', '2'});
        protected_ = {data_ / kKeymapFileName, data_ / "MacroDefine.bin", program_ / "VER.bin"};
        const std::uint8_t fill = in_.Byte();
        settings_.image->bytes.fill(fill);
        std::fill_n(settings_.records->data(), kKeyRecordBufferSize, static_cast<std::uint8_t>(fill ^ 0x5A));
        Restart();
    }

    void Step()
    {
        switch (in_.Byte() % 10) {
        case 0:
        case 1:
            return Export();
        case 2:
        case 3:
            return Import();
        case 4:
            return Rename();
        case 5:
            return UserWrites();
        case 6:
            return UserMakesOther();
        case 7:
            return ReadExact();
        case 8:
            return Restart();
        default:
            return ChangeSettings();
        }
    }

private:
    // Where a chosen or user-made file goes.
    fs::path Place()
    {
        const fs::path folders[] = {user_, profiles_, profiles_ / kEarlierFolderName, data_, program_};
        return folders[in_.Byte() % std::size(folders)];
    }
    // A file to choose: anything that exists (the program's own files included), or a new name.
    fs::path Chosen()
    {
        if (in_.Bit()) {
            const Tree tree = Walk(root_);
            if (!tree.empty()) {
                auto it = tree.begin();
                std::advance(it, in_.Byte() % tree.size());
                return it->first;
            }
        }
        return Place() / Name(in_);
    }

    void Restart()
    {
        folder_ = std::make_unique<ProfileFolder>(profiles_);
        folder_->SetProgramFiles(protected_);
        folder_->Scan();
    }

    bool IsProtected(const fs::path& chosen) const
    {
        return std::any_of(protected_.begin(), protected_.end(),
                           [&](const fs::path& p) { return Same(chosen, p); });
    }

    fs::path CopyOf(const fs::path& chosen) const { return ProfilePathFor(profiles_, ProfileNameOf(chosen)); }

    void Export()
    {
        const fs::path chosen = Chosen();
        const bool protectedTarget = IsProtected(chosen);
        const fs::path resolved = Resolve(chosen);
        const Tree before = Walk(root_);
        const ProfileResult result = folder_->Export(chosen, *settings_.image, *settings_.records);
        Trace("export", chosen, static_cast<int>(result.outcome));
        if (protectedTarget) FUZZ_CHECK(result.outcome == ProfileOutcome::kOwnFile);
        Allowed allowed;
        const bool refused =
            result.outcome == ProfileOutcome::kOwnFile || result.outcome == ProfileOutcome::kBadName;
        const bool chosenWritten =
            !refused && !(result.outcome == ProfileOutcome::kWriteFailed && result.file == chosen);
        if (chosenWritten) {
            // The chosen file holds the settings, where it is or moved aside from the folder.
            bool holds = false;
            for (const fs::path& where : result.moved) {
                const auto moved = Look(where);
                holds = holds || (moved && moved->kind == 'f' && moved->hash == settings_.Hash());
            }
            const auto e = Look(resolved);
            FUZZ_CHECK(holds || (e && e->kind == 'f' && e->hash == settings_.Hash()));
            allowed.written = {chosen, resolved};
            allowed.copy = CopyOf(chosen);
            allowed.current = settings_.Hash();
        }
        After(before, result, allowed);
    }

    void Import()
    {
        const fs::path chosen = Chosen();
        const Tree before = Walk(root_);
        const ProfileCandidate candidate = ProfileFolder::ReadForImport(chosen);
        CheckLaunchQuestion(candidate);
        Settings taken;
        taken.image->bytes.fill(0x77);
        std::fill_n(taken.records->data(), kKeyRecordBufferSize, std::uint8_t{0x66});
        const std::uint64_t untouched = taken.Hash();
        const ProfileResult result = folder_->Import(candidate, *taken.image, *taken.records);
        Trace("import", chosen, static_cast<int>(result.outcome));
        Allowed allowed;
        if (result.settingsTaken) {
            FUZZ_CHECK(candidate.Whole());
            FUZZ_CHECK(*taken.image == *candidate.image && *taken.records == *candidate.records);
            allowed.copy = CopyOf(chosen);
            allowed.current = taken.Hash();
        } else {
            FUZZ_CHECK(taken.Hash() == untouched);
            FUZZ_CHECK(result.outcome != ProfileOutcome::kDone);
        }
        After(before, result, allowed);
    }

    void Rename()
    {
        folder_->Scan();
        const std::vector<ProfileEntry> entries = folder_->Entries();
        const std::size_t index = in_.Byte() % (entries.size() + 1);
        const std::string name = Name(in_);
        const Tree before = Walk(root_);
        const ProfileResult result = folder_->Rename(index, name);
        Trace(("rename " + std::to_string(index)).c_str(), name, static_cast<int>(result.outcome));
        Allowed allowed;
        if (index < entries.size() && IsUsableProfileName(name)) {
            allowed.renamedFrom = entries[index].path;
            allowed.renamedTo = ProfilePathFor(profiles_, name);
            const auto it = before.find(entries[index].path);
            if (it != before.end() && it->second.kind == 'f') allowed.current = it->second.hash;
        } else {
            FUZZ_CHECK(result.outcome != ProfileOutcome::kDone);
        }
        After(before, result, allowed);
    }

    // The user puts a file somewhere or changes one, the program's own copy and its record
    // included: a damaged record must never make the program delete anything.
    void UserWrites()
    {
        const fs::path target = in_.Bit() ? Chosen() : Place() / Name(in_);
        const std::vector<std::uint8_t> bytes = Content(in_);
        struct stat st
        {
        };
        if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return;
        if (IsProtected(target) || !IsFolder(target.parent_path())) return;
        // A name too long for the file system is simply not made.
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out) return;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        FUZZ_CHECK(out.good());
        Trace("user writes", target);
        if (ownCopy_ && target == ownCopy_->first && FileHash(bytes) != ownCopy_->second) ownCopy_.reset();
    }

    // A folder, a link or a FIFO where a profile might be.
    void UserMakesOther()
    {
        const std::uint8_t kind = in_.Byte();
        const fs::path target = Place() / Name(in_);
        if (!IsFolder(target.parent_path()) || Look(target)) return;
        Trace(kind % 3 == 0   ? "user makes a folder"
              : kind % 3 == 1 ? "user makes a link"
                              : "user makes a FIFO",
              target);
        switch (kind % 3) {
        case 0:
            ::mkdir(target.c_str(), 0700);
            break;
        case 1: {
            const fs::path to = Chosen();
            Trace("  to", to);
            (void)!::symlink(to.c_str(), target.c_str());
            break;
        }
        default:
            ::mkfifo(target.c_str(), 0600);
            break;
        }
    }

    // A file handed in is taken only whole; nothing else ever reaches the buffers.
    void ReadExact()
    {
        const fs::path chosen = Chosen();
        Settings s;
        s.image->bytes.fill(0x31);
        std::fill_n(s.records->data(), kKeyRecordBufferSize, std::uint8_t{0x32});
        const std::uint64_t untouched = s.Hash();
        const FileStatus status = ReadSettingsFileExact(chosen, *s.image, *s.records);
        struct stat st
        {
        };
        const bool whole = ::stat(chosen.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                           static_cast<std::size_t>(st.st_size) == kSettingsFileSize;
        FUZZ_CHECK((status.state == FileState::kLoaded) == whole);
        if (whole) {
            const auto bytes = ReadWholeFile(chosen);
            FUZZ_CHECK(std::memcmp(bytes.data(), s.image->data(), kSettingsImageSize) == 0);
            FUZZ_CHECK(
                std::memcmp(bytes.data() + kSettingsImageSize, s.records->data(), kKeyRecordBufferSize) == 0);
        } else {
            FUZZ_CHECK(s.Hash() == untouched);
        }
    }

    void ChangeSettings()
    {
        const std::size_t offset = in_.U24() % kSettingsFileSize;
        const auto patch = in_.Take(in_.Byte() % 64);
        for (std::size_t i = 0; i < patch.size() && offset + i < kSettingsFileSize; ++i) {
            const std::size_t at = offset + i;
            if (at < kSettingsImageSize)
                settings_.image->data()[at] = patch[i];
            else
                settings_.records->data()[at - kSettingsImageSize] = patch[i];
        }
    }

    static void CheckLaunchQuestion(const ProfileCandidate& candidate)
    {
        if (!candidate.Whole()) {
            FUZZ_CHECK(candidate.launches.empty());
            return;
        }
        for (std::size_t i = 0; i < candidate.launches.size(); ++i) {
            const LaunchTarget& t = candidate.launches[i];
            FUZZ_CHECK(i == 0 || t.position > candidate.launches[i - 1].position);
            FUZZ_CHECK(IsLaunchKind((*candidate.records)[t.position].Kind()));
            FUZZ_CHECK(!t.path.empty());
        }
        for (TextLanguage language : {TextLanguage::kEnglish, TextLanguage::kGerman}) {
            const std::string text = LaunchWarningText(candidate.launches, language);
            // Nothing from the file adds lines or steers a terminal: one line per listed key.
            std::size_t lines = 0;
            for (char c : text) {
                FUZZ_CHECK(c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F));
                lines += c == '\n';
            }
            FUZZ_CHECK(lines <= 4 + std::min<std::size_t>(candidate.launches.size(), 21));
        }
    }

    // The check after every operation.
    void After(const Tree& before, const ProfileResult& result, const Allowed& allowed)
    {
        const Tree after = Walk(root_);
        const fs::path earlier = profiles_ / kEarlierFolderName;
        const fs::path record = profiles_ / kProfileRecordName;
        const auto listed = [](const std::vector<fs::path>& v, const fs::path& p) {
            return std::find(v.begin(), v.end(), p) != v.end();
        };
        const auto isOwn = [&](const fs::path& path, const Entry& e) {
            return ownCopy_ && path == ownCopy_->first && e.kind == 'f' && e.hash == ownCopy_->second;
        };

        // What arrived in earlier/, to match what left the profile folder.
        std::vector<Entry> arrived;
        for (const auto& [path, e] : after)
            if (path.parent_path() == earlier && !before.count(path)) arrived.push_back(e);
        for (const fs::path& moved : result.moved)
            FUZZ_CHECK(moved.parent_path() == earlier && after.count(moved) == 1);

        for (const auto& [path, e] : before) {
            const auto now = after.find(path);
            if (now != after.end() && now->second == e) continue;
            if (path == record || isOwn(path, e)) continue;
            if (listed(allowed.written, path)) {
                if (now != after.end() && now->second.kind == 'f') continue;
                // Written, then moved aside from the folder.
                const auto it = std::find_if(arrived.begin(), arrived.end(), [&](const Entry& a) {
                    return a.kind == 'f' && allowed.current && a.hash == *allowed.current;
                });
                if (it != arrived.end()) {
                    arrived.erase(it);
                    continue;
                }
            }
            // Renamed at the user's word: the same file under the new name.
            if (allowed.renamedFrom && path == *allowed.renamedFrom) {
                const auto to = after.find(*allowed.renamedTo);
                if (to != after.end() && to->second == e) continue;
            }
            // Moved aside: only from the profile folder, and exactly as it was.
            const auto there = std::find(arrived.begin(), arrived.end(), e);
            if (path.parent_path() != profiles_ || e.kind == 'd' || there == arrived.end()) {
                std::fprintf(stderr, "lost or changed: %s\n", path.c_str());
                std::abort();
            }
            arrived.erase(there);
        }

        // Nothing new but where the program writes.
        for (const auto& [path, e] : after) {
            if (before.count(path)) continue;
            const bool expected = path == record || path == earlier || path.parent_path() == earlier ||
                                  listed(allowed.written, path) || (allowed.copy && path == *allowed.copy) ||
                                  (allowed.renamedTo && path == *allowed.renamedTo);
            if (!expected) {
                std::fprintf(stderr, "unexpected: %s\n", path.c_str());
                std::abort();
            }
        }

        // Done: the folder holds exactly one profile, with the content expected.
        folder_->Scan();
        if (result.outcome == ProfileOutcome::kDone) {
            FUZZ_CHECK(result.moved.empty() || !ProfileResultText(result, TextLanguage::kGerman).empty());
            FUZZ_CHECK(folder_->Entries().size() == 1);
            const auto e = after.find(folder_->Entries()[0].path);
            FUZZ_CHECK(e != after.end());
            if (allowed.current && e->second.kind == 'f') FUZZ_CHECK(e->second.hash == *allowed.current);
        } else {
            FUZZ_CHECK(!ProfileResultText(result, TextLanguage::kEnglish).empty());
        }
        for (const ProfileEntry& entry : folder_->Entries())
            FUZZ_CHECK(!entry.name.empty());

        // The program's own copy, as this check knows it: the file it wrote, unchanged since, and
        // renamed with it.
        bool ownRenamed = false;
        if (allowed.renamedFrom && allowed.renamedTo) {
            const auto was = before.find(*allowed.renamedFrom);
            const auto now = after.find(*allowed.renamedTo);
            ownRenamed = was != before.end() && isOwn(*allowed.renamedFrom, was->second) &&
                         now != after.end() && now->second == was->second;
        }
        if (ownRenamed) ownCopy_->first = *allowed.renamedTo;
        if (ownCopy_) {
            const auto e = after.find(ownCopy_->first);
            if (e == after.end() || e->second.kind != 'f' || e->second.hash != ownCopy_->second)
                ownCopy_.reset();
        }
        // A new file where the copy goes, with the settings' content, is the program's copy.
        if (allowed.copy && allowed.current && !Same(*allowed.copy, folder_->LastProfilePath())) {
            const auto e = after.find(*allowed.copy);
            const auto was = before.find(*allowed.copy);
            if (e != after.end() && e->second.kind == 'f' && e->second.hash == *allowed.current &&
                (was == before.end() || was->second.inode != e->second.inode))
                ownCopy_ = {*allowed.copy, *allowed.current};
        }
    }

    InputReader& in_;
    const fs::path root_ = ScratchFolder() / "run";
    const fs::path data_ = root_ / "data";
    const fs::path profiles_ = data_ / kProfileFolderName;
    const fs::path program_ = root_ / "program";
    const fs::path user_ = root_ / "user";
    std::vector<fs::path> protected_;
    Settings settings_;
    std::unique_ptr<ProfileFolder> folder_;
    std::optional<std::pair<fs::path, std::uint64_t>> ownCopy_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    Run run(in);
    for (std::size_t n = 0; n < kMaxOperations && !in.Empty(); ++n)
        run.Step();
    return 0;
}
