#include "ctl/Describe.h"

#include "ctl/Commands.h"
#include "device/KeyMarks.h"
#include "device/LightingSettings.h"
#include "files/FileStatus.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/KeyNames.h"
#include "keys/NamedFunctionTable.h"
#include "macros/MacroEvents.h"
#include "platform/Paths.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

namespace corvane::ctl {

namespace fs = std::filesystem;

namespace {

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string LightingModeName(std::uint8_t mode)
{
    switch (mode) {
    case kModeStatic:
        return "Static";
    case kModeBreathing:
        return "Breathing";
    case kModeWave:
        return "Wave";
    case kModeReactive:
        return "Reactive";
    case kModeSidewinder:
        return "Sidewinder";
    case kModeRipple:
        return "Ripple";
    case kModeSpectrum:
        return "Spectrum";
    case kModeRaindrop:
        return "Raindrop";
    case kModeVortex:
        return "Vortex";
    case kModeSpotlight:
        return "Spotlight";
    case kModeRadar:
        return "Radar";
    default:
        break;
    }
    if (const std::optional<std::size_t> map = CustomLightMapOf(mode))
        return "Lighting Profile " + std::to_string(*map + 1);
    return "unknown (" + std::to_string(mode) + ")";
}

std::string DirectionName(const LightingView& lighting)
{
    if (const std::optional<Direction> direction = lighting.GetDirection()) {
        switch (*direction) {
        case Direction::kLeft:
            return "left";
        case Direction::kRight:
            return "right";
        case Direction::kTop:
            return "top";
        case Direction::kBottom:
            return "bottom";
        }
    }
    return "unknown (" + std::to_string(lighting.DirectionValue()) + ")";
}

std::string Rgb(const std::uint8_t* rgb)
{
    // Appended rather than "#" + ...: GCC 12 at -O3 warns falsely (-Wrestrict) on literal + string.
    std::string text = "#";
    text += Hex(rgb[0], 2);
    text += Hex(rgb[1], 2);
    text += Hex(rgb[2], 2);
    return text;
}

std::string OnOff(std::uint8_t value, const char* on, const char* off)
{
    if (value == 0) return off;
    if (value == 1) return on;
    return "unknown (" + std::to_string(value) + ")";
}

std::string EntryBytes(const DeviceKeyEntry& e)
{
    return Hex(e[0], 2) + " " + Hex(e[1], 2) + " " + Hex(e[2], 2) + " " + Hex(e[3], 2);
}

std::string MacroText(std::uint8_t number, const MacroStore* macros)
{
    std::string text = "macro " + std::to_string(number);
    if (macros != nullptr && number < kMacroRecordCount) {
        const MacroRecord& record = (*macros)[number];
        text +=
            record.InUse() ? " \"" + EscapeControls(Utf16ToUtf8(record.Name())) + "\"" : " (no such macro)";
    }
    return text;
}

// What the keyboard does for an entry that no host record explains.
std::string DescribeEntry(const DeviceKeyEntry& e, const KeyCodeTable& codes, const MacroStore* macros)
{
    if (const NamedFunction* f = FindNamedFunction(std::span<const std::uint8_t, 4>(e)))
        return "function \"" + std::string(f->name) + "\"";
    switch (e[0]) {
    case kKeyboardForm: {
        std::vector<std::string> names;
        for (int i = 1; i <= 3; ++i) {
            if (e[i] == 0) continue;
            // Name the usage by the first key code that sends it.
            std::string name = "usage 0x" + Hex(e[i], 2);
            for (int code = 1; code < 256; ++code) {
                if (codes.Usage(static_cast<std::uint8_t>(code)) == e[i]) {
                    name = KeyCodeName(static_cast<std::uint8_t>(code), codes);
                    break;
                }
            }
            names.push_back(name);
        }
        if (names.empty()) return "sends nothing";
        std::string text = names.size() == 1 ? "sends " : "sends ";
        for (std::size_t i = 0; i < names.size(); ++i)
            text += (i ? " + " : "") + names[i];
        return text;
    }
    case kConsumerForm:
        return "sends consumer usage 0x" + Hex(static_cast<unsigned>(e[2] | e[3] << 8), 4);
    case kMacroForm:
        return "plays " + MacroText(e[2], macros);
    case kHostActionForm:
        return "reports key code " + std::to_string(e[2]) + " to the host, which has no launch for it";
    case kFnForm:
        return "Fn";
    default:
        return "device entry " + EntryBytes(e);
    }
}

std::string DescribeRecord(std::size_t slot, const KeyRecord& r, const DeviceKeyEntry& entry,
                           const KeyCodeTable& codes, const MacroStore* macros)
{
    const std::uint8_t* data = r.Data();
    switch (r.Kind()) {
    case KeyFunctionKind::kSingleKey:
        if (r.Count() == 1 && data[0] != 0 && data[0] != DefaultKeyOrder[slot])
            return "single key " + KeyCodeName(data[0], codes);
        break;
    case KeyFunctionKind::kCombination: {
        std::string text = "combination ";
        for (std::size_t i = 0; i < 3 && data[i] != 0; ++i)
            text += (i ? " + " : "") + KeyCodeName(data[i], codes);
        return text;
    }
    case KeyFunctionKind::kMacro:
        return MacroText(data[2], macros);
    case KeyFunctionKind::kNamedFunction: {
        if (const NamedFunction* f = FindNamedFunction(std::span<const std::uint8_t, 4>(data, 4)))
            return "function \"" + std::string(f->name) + "\"";
        return "function with unknown code " + EntryBytes({data[0], data[1], data[2], data[3]});
    }
    case KeyFunctionKind::kPlayMusic:
        return "play music " + EscapeControls(Utf16ToUtf8(r.LaunchPath()));
    case KeyFunctionKind::kStartProgram:
        return "start program " + EscapeControls(Utf16ToUtf8(r.LaunchPath()));
    case KeyFunctionKind::kOpenFile:
        return "open file " + EscapeControls(Utf16ToUtf8(r.LaunchPath()));
    case KeyFunctionKind::kOpenFolder:
        return "open folder " + EscapeControls(Utf16ToUtf8(r.LaunchPath()));
    default:
        return "unknown kind " + std::to_string(static_cast<unsigned>(r.Kind()));
    }
    // No host function: whatever the keyboard's own entry says, when it is not the factory one.
    if (entry != DefaultDeviceKeyTable()[DeviceKeyIndex(slot)]) return DescribeEntry(entry, codes, macros);
    return {};
}

bool Within(std::size_t available, std::size_t offset, std::size_t size)
{
    return offset + size <= available;
}

// Reads up to `size` bytes; returns how many, or -1 when the file cannot be read. Never blocks:
// a FIFO or device given by name is refused, not opened for a read that would wait forever.
long ReadFileInto(const fs::path& file, std::uint8_t* target, std::size_t size, std::string& error)
{
    std::size_t n = 0;
    const FileStatus status = ReadRegularFile(file, size, {target, size}, n);
    switch (status.state) {
    case FileState::kLoaded:
    case FileState::kWrongSize:
        return static_cast<long>(n);
    case FileState::kNotRegular:
        error = status.type == S_IFDIR ? "is a folder" : "is not a regular file";
        return -1;
    case FileState::kMissing:
    case FileState::kUnreadable:
        break;
    }
    error = std::strerror(status.error);
    return -1;
}

} // namespace

std::string EscapeControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    auto escape = [&out](unsigned value, const char* form) {
        char code[8];
        std::snprintf(code, sizeof code, form, value);
        out += code;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            escape(byte, "\\x%02x");
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080-U+009F: terminals act on these (CSI, OSC) just as on ESC sequences.
            escape(static_cast<unsigned char>(text[++i]), "\\u%04x");
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void DescribeSettings(const SettingsImage& image, const KeyRecordBuffer& records, std::size_t available,
                      const MacroStore* macros, const KeyCodeTable& codes, std::ostream& out)
{
    auto field = [&](std::size_t offset, std::size_t size, const char* name, const std::string& value) {
        if (Within(available, offset, size)) out << name << ": " << value << "\n";
    };
    const LightingView lighting(image);
    field(img::kLightingMode, 1, "Lighting mode", LightingModeName(lighting.Mode()));
    field(img::kSpeed, 1, "Speed", std::to_string(lighting.Speed()));
    field(img::kBrightness, 1, "Brightness", std::to_string(lighting.Brightness()));
    if (Within(available, img::kColour, 1)) {
        const std::uint8_t colour = lighting.ColourSlot();
        std::string text;
        if (colour >= 1 && colour <= img::kPaletteEntries) {
            text = "palette entry " + std::to_string(colour);
            if (Within(available, img::kPalette, img::kPaletteSize))
                text += " (" + Rgb(image.PaletteEntry(colour - 1)) + ")";
        } else if (colour == kMultiColourSlot) {
            text = "multi-colour";
        } else {
            text = "unknown (" + std::to_string(colour) + ")";
        }
        out << "Colour: " << text << "\n";
    }
    field(img::kDirection, 1, "Direction", DirectionName(lighting));
    if (Within(available, img::kPalette, img::kPaletteSize)) {
        out << "Palette:";
        for (std::size_t i = 0; i < img::kPaletteEntries; ++i)
            out << " " << i + 1 << " " << Rgb(image.PaletteEntry(i));
        out << "\n";
    }
    field(img::kGameMode, 1, "Game mode", OnOff(lighting.GameModeValue(), "on", "off"));
    field(img::kWindowsKeyLock, 1, "Windows-key lock",
          OnOff(lighting.WindowsKeyLockValue(), "locked", "free"));
    if (Within(available, img::kResponseTime, 1)) {
        // The value the keyboard has or gets, and the slider position that stands for it.
        const int stored = lighting.ResponseTime();
        const int slider = std::min(stored, static_cast<int>(img::kMaxResponseTime));
        out << "Response time: " << slider + 1 << " (slider " << slider;
        if (stored != slider) out << "; the file holds " << stored << ", beyond the slider";
        out << ")\n";
    }
    field(img::kReportRate, 1, "Report rate", std::to_string(lighting.ReportRate()));

    if (!Within(available, 0, kSettingsImageSize)) {
        out << "Keys: not in the file\n";
        return;
    }
    std::vector<std::string> disabled;
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot)
        if (!IsKeyEnabled(image, DeviceKeyIndex(slot))) disabled.push_back(SlotName(slot, codes));
    out << "Disabled keys:";
    if (disabled.empty()) out << " none";
    for (std::size_t i = 0; i < disabled.size(); ++i)
        out << (i ? ", " : " ") << disabled[i];
    out << "\n";

    const std::size_t recordsInFile =
        std::min(kKeyRecordCount, (available - kSettingsImageSize) / kKeyRecordSize);
    if (recordsInFile < kKeyRecordCount)
        out << "Key records: " << recordsInFile << " of " << kKeyRecordCount << " in the file\n";

    auto marks = std::make_unique<KeyMarks>();
    RecomputeKeyMarks(image, records, *marks);
    out << "Customised keys:";
    std::vector<std::string> lines;
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        const std::size_t k = DeviceKeyIndex(slot);
        const bool enabled = IsKeyEnabled(image, k);
        const DeviceKeyEntry entry = GetDeviceKeyEntry(image, k);
        const bool ownEntry = entry == DefaultDeviceKeyTable()[k];
        if ((*marks)[slot] == 0 && enabled && ownEntry) continue;
        std::string what = DescribeRecord(slot, records[slot], entry, codes, macros);
        if (!enabled) what += what.empty() ? "disabled" : ", disabled";
        if (what.empty()) continue;
        lines.push_back("  " + SlotName(slot, codes) + ": " + what);
    }
    out << (lines.empty() ? " none\n" : "\n");
    for (const std::string& line : lines)
        out << line << "\n";
}

void DescribeMacros(const MacroStore& store, std::size_t available, const KeyCodeTable& codes,
                    std::ostream& out)
{
    bool any = false;
    for (std::size_t i = 0; i < kMacroRecordCount && i * kMacroRecordSize < available; ++i) {
        const MacroRecord& record = store[i];
        if (!record.InUse()) continue;
        any = true;
        out << "Macro " << i << " \"" << EscapeControls(Utf16ToUtf8(record.Name())) << "\", repeat "
            << record.RepeatCount() << (record.DelayOption() ? ", delays recorded" : "") << "\n";
        const std::vector<EventLine> lines = RenderMacroLines(record, codes);
        if (lines.empty()) out << "    (no events)\n";
        for (const EventLine& line : lines)
            out << "    " << line.text << "\n";
    }
    if (!any) out << "No macros\n";
}

int DescribeFile(const fs::path& file, std::ostream& out, std::ostream& err)
{
    const KeyCodeTable& codes = StandardKeyCodeTable();
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    const bool macroFile =
        ec ? strcasecmp(file.filename().c_str(), kMacroFileName) == 0
           : (size == kMacroStoreSize ||
              (size != kSettingsFileSize && strcasecmp(file.filename().c_str(), kMacroFileName) == 0));
    const std::size_t expected = macroFile ? kMacroStoreSize : kSettingsFileSize;
    std::vector<std::uint8_t> bytes(expected);
    std::string error;
    const long n = ReadFileInto(file, bytes.data(), bytes.size(), error);
    if (n < 0) {
        err << "corvanectl: cannot read " << EscapeControls(file.string()) << ": " << error << "\n";
        return kExitFile;
    }
    if (static_cast<std::size_t>(n) != expected || size != expected)
        err << "warning: " << EscapeControls(file.string()) << " is " << size << " bytes, expected "
            << expected << "; describing what is there\n";

    if (macroFile) {
        auto store = std::make_unique<MacroStore>();
        std::copy(bytes.begin(), bytes.end(), store->data());
        out << "Macro file " << EscapeControls(file.string()) << "\n";
        DescribeMacros(*store, static_cast<std::size_t>(n), codes, out);
        return 0;
    }

    auto image = std::make_unique<SettingsImage>();
    auto records = std::make_unique<KeyRecordBuffer>();
    std::copy_n(bytes.begin(), kSettingsImageSize, image->data());
    std::copy_n(bytes.begin() + kSettingsImageSize, kKeyRecordBufferSize, records->data());
    // The program itself restamps the key codes on every load; describe what it would see.
    RestampDefaultKeyOrder(*records);

    // Macro names come from the MacroDefine.bin beside the file, when there is one.
    std::unique_ptr<MacroStore> macros;
    const fs::path macroFilePath = file.parent_path() / kMacroFileName;
    if (fs::is_regular_file(macroFilePath, ec)) {
        macros = std::make_unique<MacroStore>();
        std::string ignored;
        if (ReadFileInto(macroFilePath, macros->data(), kMacroStoreSize, ignored) < 0) macros.reset();
    }
    out << "Settings file " << EscapeControls(file.string()) << "\n";
    DescribeSettings(*image, *records, static_cast<std::size_t>(n), macros.get(), codes, out);
    return 0;
}

namespace {

int RunDescribe(CommandContext& context)
{
    std::vector<fs::path> files;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        // Keyboard options given before the command reach every command; describe needs none.
        if (arg == "--device-ids") ++i;
        if (arg.starts_with("--")) continue;
        files.emplace_back(arg);
    }
    if (files.empty()) {
        // Without a file: the settings of the data folder.
        const fs::path folder = context.dataDir ? *context.dataDir : DefaultDataFolder();
        for (const char* name : {kKeymapFileName, kMacroFileName}) {
            std::error_code ec;
            if (fs::exists(folder / name, ec)) files.push_back(folder / name);
        }
        if (files.empty()) {
            context.err << "corvanectl: no settings files in " << EscapeControls(folder.string()) << "\n";
            return kExitFile;
        }
    }
    int status = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) context.out << "\n";
        status = std::max(status, DescribeFile(files[i], context.out, context.err));
    }
    return status;
}

const CommandRegistrar kDescribe{{"describe", RunDescribe, "[FILE...]",
                                  "print keymap.bin, a profile or MacroDefine.bin readably "
                                  "(default: the files of the data folder)"}};

} // namespace

} // namespace corvane::ctl
