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

std::string MacroText(std::uint8_t number, const MacroStore* macros, TextFilter filter)
{
    std::string text = "macro " + std::to_string(number);
    if (macros != nullptr && number < kMacroRecordCount) {
        const MacroRecord& record = (*macros)[number];
        text += record.InUse() ? " \"" + filter(Utf16ToUtf8(record.Name())) + "\"" : " (no such macro)";
    }
    return text;
}

// What the keyboard does for an entry that no host record explains.
std::string DescribeEntry(const DeviceKeyEntry& e, const KeyCodeTable& codes, const MacroStore* macros,
                          TextFilter filter)
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
        return "plays " + MacroText(e[2], macros, filter);
    case kHostActionForm:
        return "reports key code " + std::to_string(e[2]) + " to the host, which has no launch for it";
    case kFnForm:
        return "Fn";
    default:
        return "device entry " + EntryBytes(e);
    }
}

std::string DescribeRecord(std::size_t slot, const KeyRecord& r, const DeviceKeyEntry& entry,
                           const KeyCodeTable& codes, const MacroStore* macros, TextFilter filter)
{
    const std::uint8_t* data = r.Data();
    switch (r.Kind()) {
    case KeyFunctionKind::kSingleKey:
        if (r.Count() == 1 && data[0] != 0 && data[0] != DefaultKeyOrder[slot])
            return "single key " + DistinctKeyCodeName(data[0], codes);
        break;
    case KeyFunctionKind::kCombination: {
        std::string text = "combination ";
        for (std::size_t i = 0; i < 3 && data[i] != 0; ++i)
            text += (i ? " + " : "") + DistinctKeyCodeName(data[i], codes);
        return text;
    }
    case KeyFunctionKind::kMacro:
        return MacroText(data[2], macros, filter);
    case KeyFunctionKind::kNamedFunction: {
        if (const NamedFunction* f = FindNamedFunction(std::span<const std::uint8_t, 4>(data, 4)))
            return "function \"" + std::string(f->name) + "\"";
        return "function with unknown code " + EntryBytes({data[0], data[1], data[2], data[3]});
    }
    case KeyFunctionKind::kPlayMusic:
        return "play music " + filter(Utf16ToUtf8(r.LaunchPath()));
    case KeyFunctionKind::kStartProgram:
        return "start program " + filter(Utf16ToUtf8(r.LaunchPath()));
    case KeyFunctionKind::kOpenFile:
        return "open file " + filter(Utf16ToUtf8(r.LaunchPath()));
    case KeyFunctionKind::kOpenFolder:
        return "open folder " + filter(Utf16ToUtf8(r.LaunchPath()));
    default:
        return "unknown kind " + std::to_string(static_cast<unsigned>(r.Kind()));
    }
    // No host function: whatever the keyboard's own entry says, when it is not the factory one.
    if (entry != DefaultDeviceKeyTable()[DeviceKeyIndex(slot)])
        return DescribeEntry(entry, codes, macros, filter);
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

std::string DescribeKey(std::size_t slot, const SettingsImage& image, const KeyRecordBuffer& records,
                        const MacroStore* macros, const KeyCodeTable& codes, TextFilter filter)
{
    const std::size_t k = DeviceKeyIndex(slot);
    std::string what =
        DescribeRecord(slot, records[slot], GetDeviceKeyEntry(image, k), codes, macros, filter);
    if (!IsKeyEnabled(image, k)) what += what.empty() ? "disabled" : ", disabled";
    return what;
}

std::string KeepText(std::string_view text)
{
    return std::string(text);
}

SettingsDescription CollectSettings(const SettingsImage& image, const KeyRecordBuffer& records,
                                    std::size_t available, const MacroStore* macros,
                                    const KeyCodeTable& codes, TextFilter filter)
{
    SettingsDescription d;
    const LightingView lighting(image);
    if (Within(available, img::kLightingMode, 1)) {
        d.lightingModeValue = lighting.Mode();
        d.lightingMode = LightingModeName(lighting.Mode());
    }
    if (Within(available, img::kSpeed, 1)) d.speed = lighting.Speed();
    if (Within(available, img::kBrightness, 1)) d.brightness = lighting.Brightness();
    if (Within(available, img::kColour, 1)) {
        SettingsDescription::Colour colour;
        colour.value = lighting.ColourSlot();
        if (colour.value >= 1 && colour.value <= img::kPaletteEntries) {
            colour.kind = "palette";
            if (Within(available, img::kPalette, img::kPaletteSize))
                colour.rgb = Rgb(image.PaletteEntry(colour.value - 1u));
        } else if (colour.value == kMultiColourSlot) {
            colour.kind = "multi";
        }
        d.colour = colour;
    }
    if (Within(available, img::kDirection, 1)) {
        d.directionValue = lighting.DirectionValue();
        d.direction = DirectionName(lighting);
    }
    if (Within(available, img::kPalette, img::kPaletteSize))
        for (std::size_t i = 0; i < img::kPaletteEntries; ++i)
            d.palette.push_back(Rgb(image.PaletteEntry(i)));
    if (Within(available, img::kGameMode, 1)) {
        d.gameModeValue = lighting.GameModeValue();
        d.gameMode = OnOff(lighting.GameModeValue(), "on", "off");
    }
    if (Within(available, img::kWindowsKeyLock, 1)) {
        d.windowsKeyLockValue = lighting.WindowsKeyLockValue();
        d.windowsKeyLock = OnOff(lighting.WindowsKeyLockValue(), "locked", "free");
    }
    if (Within(available, img::kResponseTime, 1)) d.responseTimeStored = lighting.ResponseTime();
    if (Within(available, img::kReportRate, 1)) d.reportRate = lighting.ReportRate();

    d.keysInFile = Within(available, 0, kSettingsImageSize);
    if (!d.keysInFile) return d;
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot)
        if (!IsKeyEnabled(image, DeviceKeyIndex(slot))) d.disabledKeys.push_back(SlotName(slot, codes));
    d.recordsInFile = std::min(kKeyRecordCount, (available - kSettingsImageSize) / kKeyRecordSize);

    auto marks = std::make_unique<KeyMarks>();
    RecomputeKeyMarks(image, records, *marks);
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        const std::size_t k = DeviceKeyIndex(slot);
        const bool enabled = IsKeyEnabled(image, k);
        const DeviceKeyEntry entry = GetDeviceKeyEntry(image, k);
        const bool ownEntry = entry == DefaultDeviceKeyTable()[k];
        if ((*marks)[slot] == 0 && enabled && ownEntry) continue;
        const std::string what = DescribeKey(slot, image, records, macros, codes, filter);
        if (what.empty()) continue;
        d.customisedKeys.push_back({SlotName(slot, codes), what});
    }
    return d;
}

void PrintSettings(const SettingsDescription& d, std::ostream& out)
{
    const auto field = [&out](const char* name, const auto& value) {
        if (value) out << name << ": " << *value << "\n";
    };
    field("Lighting mode", d.lightingMode);
    field("Speed", d.speed);
    field("Brightness", d.brightness);
    if (d.colour) {
        out << "Colour: ";
        if (d.colour->kind == std::string_view("palette"))
            out << "palette entry " << int{d.colour->value}
                << (d.colour->rgb ? " (" + *d.colour->rgb + ")" : "");
        else if (d.colour->kind == std::string_view("multi"))
            out << "multi-colour";
        else
            out << "unknown (" << int{d.colour->value} << ")";
        out << "\n";
    }
    field("Direction", d.direction);
    if (!d.palette.empty()) {
        out << "Palette:";
        for (std::size_t i = 0; i < d.palette.size(); ++i)
            out << " " << i + 1 << " " << d.palette[i];
        out << "\n";
    }
    field("Game mode", d.gameMode);
    field("Windows-key lock", d.windowsKeyLock);
    if (d.responseTimeStored) {
        // The value the keyboard has or gets, and the slider position that stands for it.
        const int stored = *d.responseTimeStored;
        const int slider = d.ResponseTimeSlider();
        out << "Response time: " << slider + 1 << " (slider " << slider;
        if (stored != slider) out << "; the file holds " << stored << ", beyond the slider";
        out << ")\n";
    }
    field("Report rate", d.reportRate);

    if (!d.keysInFile) {
        out << "Keys: not in the file\n";
        return;
    }
    out << "Disabled keys:";
    if (d.disabledKeys.empty()) out << " none";
    for (std::size_t i = 0; i < d.disabledKeys.size(); ++i)
        out << (i ? ", " : " ") << d.disabledKeys[i];
    out << "\n";
    if (d.recordsInFile < kKeyRecordCount)
        out << "Key records: " << d.recordsInFile << " of " << kKeyRecordCount << " in the file\n";
    out << "Customised keys:" << (d.customisedKeys.empty() ? " none\n" : "\n");
    for (const auto& key : d.customisedKeys)
        out << "  " << key.key << ": " << key.function << "\n";
}

void WriteSettingsJson(const SettingsDescription& d, JsonWriter& json)
{
    if (d.lightingMode)
        json.Member("lighting_mode", *d.lightingMode).Member("lighting_mode_value", *d.lightingModeValue);
    if (d.speed) json.Member("speed", *d.speed);
    if (d.brightness) json.Member("brightness", *d.brightness);
    if (d.colour) {
        json.Member("colour", d.colour->kind).Member("colour_value", d.colour->value);
        if (d.colour->rgb) json.Member("colour_rgb", *d.colour->rgb);
    }
    if (d.direction) json.Member("direction", *d.direction).Member("direction_value", *d.directionValue);
    if (!d.palette.empty()) {
        json.Key("palette").BeginArray();
        for (const std::string& rgb : d.palette)
            json.String(rgb);
        json.EndArray();
    }
    if (d.gameMode) json.Member("game_mode", *d.gameMode).Member("game_mode_value", *d.gameModeValue);
    if (d.windowsKeyLock)
        json.Member("windows_key_lock", *d.windowsKeyLock)
            .Member("windows_key_lock_value", *d.windowsKeyLockValue);
    if (d.responseTimeStored)
        json.Member("response_time", d.ResponseTimeSlider() + 1)
            .Member("response_time_value", *d.responseTimeStored);
    if (d.reportRate) json.Member("report_rate_value", *d.reportRate);
    json.Member("keys_in_file", d.keysInFile);
    if (!d.keysInFile) return;
    json.Key("disabled_keys").BeginArray();
    for (const std::string& key : d.disabledKeys)
        json.String(key);
    json.EndArray();
    json.Member("key_records_in_file", d.recordsInFile);
    json.Key("customised_keys").BeginArray();
    for (const auto& key : d.customisedKeys)
        json.BeginObject().Member("key", key.key).Member("function", key.function).EndObject();
    json.EndArray();
}

void DescribeSettings(const SettingsImage& image, const KeyRecordBuffer& records, std::size_t available,
                      const MacroStore* macros, const KeyCodeTable& codes, std::ostream& out)
{
    PrintSettings(CollectSettings(image, records, available, macros, codes, EscapeControls), out);
}

std::vector<MacroDescription> CollectMacros(const MacroStore& store, std::size_t available,
                                            const KeyCodeTable& codes)
{
    std::vector<MacroDescription> macros;
    const std::size_t withSlots = MacrosWithSlots(store);
    for (std::size_t i = 0; i < kMacroRecordCount && i * kMacroRecordSize < available; ++i) {
        const MacroRecord& record = store[i];
        if (!record.InUse()) continue;
        MacroDescription macro;
        macro.number = i;
        macro.name = Utf16ToUtf8(record.Name());
        macro.repeat = record.RepeatCount();
        macro.delays = record.DelayOption();
        macro.events = ParseEvents(record.Events()).size();
        macro.slot = i < withSlots;
        for (const EventLine& line : RenderMacroLines(record, codes))
            macro.lines.push_back(line.text);
        macros.push_back(std::move(macro));
    }
    return macros;
}

void PrintMacro(const MacroDescription& macro, std::ostream& out)
{
    out << "Macro " << macro.number << " \"" << EscapeControls(macro.name) << "\", repeat " << macro.repeat
        << (macro.delays ? ", delays recorded" : "") << "\n";
    if (macro.lines.empty()) out << "    (no events)\n";
    for (const std::string& line : macro.lines)
        out << "    " << line << "\n";
}

void WriteMacroJson(const MacroDescription& macro, JsonWriter& json, bool withLines)
{
    json.BeginObject()
        .Member("number", macro.number)
        .Member("name", macro.name)
        .Member("repeat", macro.repeat)
        .Member("delays", macro.delays)
        .Member("events", macro.events)
        .Member("slot", macro.slot);
    if (withLines) {
        json.Key("lines").BeginArray();
        for (const std::string& line : macro.lines)
            json.String(line);
        json.EndArray();
    }
    json.EndObject();
}

void DescribeMacros(const MacroStore& store, std::size_t available, const KeyCodeTable& codes,
                    std::ostream& out)
{
    const std::vector<MacroDescription> macros = CollectMacros(store, available, codes);
    for (const MacroDescription& macro : macros)
        PrintMacro(macro, out);
    if (macros.empty()) out << "No macros\n";
}

int DescribeFile(const fs::path& file, std::ostream& out, std::ostream& err, JsonWriter* json)
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
    if (json != nullptr) json->BeginObject().Member("file", file.string());
    if (n < 0) {
        err << "corvanectl: cannot read " << EscapeControls(file.string()) << ": " << error << "\n";
        if (json != nullptr) json->Member("error", error).EndObject();
        return kExitFile;
    }
    // A file of another size is no settings file; what there is is still worth seeing.
    const bool whole = static_cast<std::size_t>(n) == expected && size == expected;
    if (!whole)
        err << "corvanectl: " << EscapeControls(file.string()) << " is " << size << " bytes, expected "
            << expected << ": not a settings file; describing what is there\n";
    const int status = whole ? 0 : kExitFile;
    if (json != nullptr)
        json->Member("kind", macroFile ? "macros" : "settings")
            .Member("size", static_cast<std::uint64_t>(size))
            .Member("expected_size", expected);

    if (macroFile) {
        auto store = std::make_unique<MacroStore>();
        std::copy(bytes.begin(), bytes.end(), store->data());
        if (json == nullptr) {
            out << "Macro file " << EscapeControls(file.string()) << "\n";
            DescribeMacros(*store, static_cast<std::size_t>(n), codes, out);
            return status;
        }
        json->Key("macros").BeginArray();
        for (const MacroDescription& macro : CollectMacros(*store, static_cast<std::size_t>(n), codes))
            WriteMacroJson(macro, *json, true);
        json->EndArray().EndObject();
        return status;
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
    if (json == nullptr) {
        out << "Settings file " << EscapeControls(file.string()) << "\n";
        DescribeSettings(*image, *records, static_cast<std::size_t>(n), macros.get(), codes, out);
        return status;
    }
    WriteSettingsJson(
        CollectSettings(*image, *records, static_cast<std::size_t>(n), macros.get(), codes, KeepText), *json);
    json->EndObject();
    return status;
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
    std::optional<JsonWriter> json;
    if (context.json) {
        json.emplace(context.out);
        json->BeginObject().Key("files").BeginArray();
    }
    int status = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0 && !json) context.out << "\n";
        status = std::max(status, DescribeFile(files[i], context.out, context.err, json ? &*json : nullptr));
    }
    if (json) {
        json->EndArray().EndObject();
        json->Finish();
    }
    return status;
}

const CommandRegistrar kDescribe{
    {"describe", RunDescribe, "[FILE...]", "print keymap.bin, a profile or MacroDefine.bin readably"}};

} // namespace

} // namespace corvane::ctl
