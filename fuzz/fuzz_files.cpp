// keymap.bin, profiles and MacroDefine.bin through the real file-reading path.
//
// Input: byte 0 picks the file (bit 0: macro file, else keymap) and its shape (bit 1: sparse).
// Raw: the rest of the input is the file. Sparse, so that small inputs reach deep into the
// 200 KB files: a fill byte, a 24-bit length (up to a little past the full size), then patches of
// (24-bit offset, length byte, bytes).

#include "FuzzSupport.h"

#include "ctl/Commands.h"
#include "ctl/Describe.h"
#include "format/KeyCodeTable.h"
#include "format/KeyRecord.h"
#include "format/SettingsImage.h"
#include "macros/MacroEvents.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>

using namespace corvane;
using namespace corvane::fuzz;

namespace {

// A file of any other size is still read as far as it reaches, but told apart.
FileState SizeState(std::size_t size, std::size_t expected)
{
    return size == expected ? FileState::kLoaded : FileState::kWrongSize;
}

constexpr std::uint8_t kImagePattern = 0xA5;
constexpr std::uint8_t kRecordPattern = 0x3C;

std::vector<std::uint8_t> BuildFile(InputReader& in, bool sparse, std::size_t fullSize)
{
    if (!sparse) {
        auto rest = in.Rest();
        return {rest.begin(), rest.end()};
    }
    const std::uint8_t fill = in.Byte();
    const std::size_t length = in.U24() % (fullSize + 17);
    std::vector<std::uint8_t> file(length, fill);
    while (!in.Empty() && !file.empty()) {
        const std::size_t offset = in.U24() % file.size();
        const auto patch = in.Take(in.Byte());
        const std::size_t n = std::min(patch.size(), file.size() - offset);
        std::copy_n(patch.begin(), n, file.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return file;
}

void CheckDescribe(const std::filesystem::path& file)
{
    std::ostringstream out;
    std::ostringstream err;
    // Any size is described; one that is no settings file's says so with exit code 3.
    const int code = ctl::DescribeFile(file, out, err);
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    const bool whole = !ec && (size == kSettingsFileSize || size == kMacroStoreSize);
    FUZZ_CHECK(code == (whole ? 0 : ctl::kExitFile));
    FUZZ_CHECK(!out.str().empty());
}

void FuzzKeymap(const std::vector<std::uint8_t>& bytes)
{
    const std::filesystem::path file = ScratchFolder() / kKeymapFileName;
    WriteWholeFile(file, bytes);
    const std::size_t n = bytes.size();

    // What a load must give: the file as far as it reaches over the old content; the records only
    // when the image part is complete; then the default key order stamped in.
    auto expectImage = std::make_unique<SettingsImage>();
    auto expectRecords = std::make_unique<KeyRecordBuffer>();
    expectImage->bytes.fill(kImagePattern);
    std::fill_n(expectRecords->data(), kKeyRecordBufferSize, kRecordPattern);
    std::copy_n(bytes.begin(), std::min(n, kSettingsImageSize), expectImage->data());
    if (n > kSettingsImageSize)
        std::copy_n(bytes.begin() + kSettingsImageSize, std::min(n, kSettingsFileSize) - kSettingsImageSize,
                    expectRecords->data());
    auto expectRawRecords = std::make_unique<KeyRecordBuffer>(*expectRecords);
    RestampDefaultKeyOrder(*expectRecords);

    auto image = std::make_unique<SettingsImage>();
    auto records = std::make_unique<KeyRecordBuffer>();
    image->bytes.fill(kImagePattern);
    std::fill_n(records->data(), kKeyRecordBufferSize, kRecordPattern);
    FUZZ_CHECK(LoadKeymap(file, *image, *records, KeymapLoadMode::kFull).state ==
               SizeState(n, kSettingsFileSize));
    FUZZ_CHECK(*image == *expectImage);
    FUZZ_CHECK(*records == *expectRecords);

    // Records only: the image is not touched, and the records come only from a whole file; from
    // any other the records in memory stay (apart from the stamped key order).
    auto untouched = std::make_unique<SettingsImage>();
    untouched->bytes.fill(kImagePattern);
    auto records2 = std::make_unique<KeyRecordBuffer>();
    std::fill_n(records2->data(), kKeyRecordBufferSize, kRecordPattern);
    FUZZ_CHECK(LoadKeymap(file, *untouched, *records2, KeymapLoadMode::kRecordsOnly).state ==
               SizeState(n, kSettingsFileSize));
    FUZZ_CHECK(std::all_of(untouched->bytes.begin(), untouched->bytes.end(),
                           [](std::uint8_t b) { return b == kImagePattern; }));
    auto keptRecords = std::make_unique<KeyRecordBuffer>();
    std::fill_n(keptRecords->data(), kKeyRecordBufferSize, kRecordPattern);
    RestampDefaultKeyOrder(*keptRecords);
    FUZZ_CHECK(*records2 == (n == kSettingsFileSize ? *expectRecords : *keptRecords));

    // A profile is read the same way, without the restamp, and says how much it read.
    auto profileImage = std::make_unique<SettingsImage>();
    auto profileRecords = std::make_unique<KeyRecordBuffer>();
    profileImage->bytes.fill(kImagePattern);
    std::fill_n(profileRecords->data(), kKeyRecordBufferSize, kRecordPattern);
    const auto read = ReadProfile(file, *profileImage, *profileRecords);
    FUZZ_CHECK(read && *read == std::min(n, kSettingsFileSize));
    FUZZ_CHECK(*profileImage == *expectImage);
    FUZZ_CHECK(*profileRecords == *expectRawRecords);

    CheckDescribe(file);

    // Save and load again: the same bytes, and the file is exactly the two buffers.
    const std::filesystem::path saved = ScratchFolder() / "saved.bin";
    FUZZ_CHECK(SaveKeymap(saved, *image, *records));
    const auto savedBytes = ReadWholeFile(saved);
    FUZZ_CHECK(savedBytes.size() == kSettingsFileSize);
    FUZZ_CHECK(std::memcmp(savedBytes.data(), image->data(), kSettingsImageSize) == 0);
    FUZZ_CHECK(std::memcmp(savedBytes.data() + kSettingsImageSize, records->data(), kKeyRecordBufferSize) ==
               0);
    auto again = std::make_unique<SettingsImage>();
    auto againRecords = std::make_unique<KeyRecordBuffer>();
    FUZZ_CHECK(LoadKeymap(saved, *again, *againRecords, KeymapLoadMode::kFull).state == FileState::kLoaded);
    FUZZ_CHECK(*again == *image);
    FUZZ_CHECK(*againRecords == *records);
    CheckDescribe(saved);
}

void FuzzMacroFile(const std::vector<std::uint8_t>& bytes)
{
    const std::filesystem::path file = ScratchFolder() / kMacroFileName;
    WriteWholeFile(file, bytes);
    const std::size_t n = bytes.size();

    auto store = std::make_unique<MacroStore>();
    std::fill_n(store->data(), kMacroStoreSize, std::uint8_t{0x77}); // a load starts from empty
    FUZZ_CHECK(LoadMacroStore(file, *store).state == SizeState(n, kMacroStoreSize));
    const std::size_t used = std::min(n, kMacroStoreSize);
    FUZZ_CHECK(std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(used), store->data()));
    FUZZ_CHECK(std::all_of(store->data() + used, store->data() + kMacroStoreSize,
                           [](std::uint8_t b) { return b == 0; }));

    const KeyCodeTable& codes = StandardKeyCodeTable();
    const std::size_t inUse = store->CountInUse();
    const auto names = store->Names();
    FUZZ_CHECK(names.size() == inUse);
    for (std::size_t i = 0; i < inUse; ++i) {
        FUZZ_CHECK(!names[i].empty() && names[i].size() <= kMacroNameUnits);
        const MacroEvents events = (*store)[i].Events();
        const auto lines = RenderMacroLines((*store)[i], codes);
        FUZZ_CHECK(lines.size() == CountLines(events));
        FUZZ_CHECK(EndOfData(events) <= kMacroEventArraySize);
    }
    FUZZ_CHECK(std::find(names.begin(), names.end(), NextFreeMacroName(names)) == names.end());

    // The slots take the macros in use and nothing else; none ends in a long event cut in half.
    auto image = std::make_unique<SettingsImage>();
    image->bytes.fill(kImagePattern);
    DeriveMacroSlots(*store, *image);
    const std::size_t slotsUsed = std::min(inUse, kMaxMacros);
    for (std::size_t i = 0; i < kSettingsImageSize; ++i) {
        const bool inDerivedSlot =
            i >= img::kMacroSlots && i < img::kMacroSlots + slotsUsed * img::kMacroSlotSize;
        if (!inDerivedSlot) FUZZ_CHECK((*image)[i] == kImagePattern);
    }
    for (std::size_t i = 0; i < slotsUsed; ++i) {
        const std::uint8_t* slot = image->MacroSlot(i);
        FUZZ_CHECK((slot[0] << 8 | slot[1]) == (*store)[i].RepeatCount());
        MacroEvents sent;
        std::copy_n(slot + 2, kMacroEventArraySize, sent.deviceEvents.begin());
        FUZZ_CHECK(!DropCutEvent(sent));
    }

    CheckDescribe(file);

    const std::filesystem::path saved = ScratchFolder() / "saved" / kMacroFileName;
    std::filesystem::create_directories(saved.parent_path());
    FUZZ_CHECK(SaveMacroStore(saved, *store));
    const auto savedBytes = ReadWholeFile(saved);
    FUZZ_CHECK(savedBytes.size() == kMacroStoreSize);
    FUZZ_CHECK(std::memcmp(savedBytes.data(), store->data(), kMacroStoreSize) == 0);
    auto again = std::make_unique<MacroStore>();
    FUZZ_CHECK(LoadMacroStore(saved, *again).state == FileState::kLoaded);
    FUZZ_CHECK(*again == *store);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    const std::uint8_t shape = in.Byte();
    const bool macroFile = (shape & 1) != 0;
    const bool sparse = (shape & 2) != 0;
    const auto bytes = BuildFile(in, sparse, macroFile ? kMacroStoreSize : kSettingsFileSize);
    if (macroFile)
        FuzzMacroFile(bytes);
    else
        FuzzKeymap(bytes);
    return 0;
}
