// corvanectl set NAME=VALUE...: the lighting and performance panel from the command line. Every
// value is checked before the keyboard is touched; the change then goes through the panel's own
// rules (the effect first, then the rest), so the settings end as the panel's clicks leave them.

#include "ctl/Commands.h"
#include "ctl/Session.h"
#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "text/Letters.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ctl {

namespace {

enum class Name : std::uint8_t {
    kEffect,
    kSpeed,
    kBrightness,
    kColour,
    kPalette,
    kDirection,
    kGameMode,
    kWindowsKeyLock,
    kResponseTime,
    kReportRate,
};

struct Setting
{
    Name name;
    std::string label;        // the name as printed, "palette.3"
    std::string shown;        // the value as printed
    int value = 0;            // effect code, slider position, colour square, palette entry, direction, on (1)
    std::uint32_t colour = 0; // palette.N: 0x00BBGGRR
};

constexpr std::array<std::pair<std::string_view, Name>, 9> kNames{{
    {"effect", Name::kEffect},
    {"speed", Name::kSpeed},
    {"brightness", Name::kBrightness},
    {"colour", Name::kColour},
    {"direction", Name::kDirection},
    {"game-mode", Name::kGameMode},
    {"win-lock", Name::kWindowsKeyLock},
    {"response-time", Name::kResponseTime},
    {"report-rate", Name::kReportRate},
}};
constexpr std::string_view kPalettePrefix = "palette.";
constexpr std::array<int, 4> kReportRates = {125, 250, 500, 1000};

std::optional<int> Number(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

std::optional<bool> OnOff(std::string_view text)
{
    if (SameLetters(text, "on")) return true;
    if (SameLetters(text, "off")) return false;
    return std::nullopt;
}

std::optional<std::uint32_t> Colour(std::string_view text)
{
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    unsigned rgb = 0;
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (error != std::errc{} || end != text.data() + 7) return std::nullopt;
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

std::string EffectName(std::uint8_t code)
{
    if (const auto row = EffectRowOfCode(code)) return kLightingEffects[*row].english;
    return "effect " + std::to_string(code);
}

// Fills the value of `setting` from `text`; the problem when it is not a value of that name.
std::optional<std::string> ParseValue(Setting& setting, std::string_view text)
{
    const auto set = [&](std::optional<int> value, std::string shown) -> std::optional<std::string> {
        if (!value) return "a bad value";
        setting.value = *value;
        setting.shown = std::move(shown);
        return std::nullopt;
    };
    switch (setting.name) {
    case Name::kEffect: {
        if (const auto number = Number(text, 0, 255)) {
            if (!EffectRowOfCode(static_cast<std::uint8_t>(*number)))
                return "an effect the keyboard's list does not offer (1-6, 8, 10-13, 51-55)";
            return set(number, EffectName(static_cast<std::uint8_t>(*number)));
        }
        const auto code = EffectCodeOfName(text);
        if (!code) return "no effect of that name";
        return set(*code, EffectName(*code));
    }
    case Name::kSpeed:
        if (!Number(text, 0, 9)) return "not a number 0-9";
        return set(Number(text, 0, 9), std::string(text));
    case Name::kBrightness:
        if (!Number(text, 0, 50)) return "not a number 0-50";
        return set(Number(text, 0, 50), std::string(text));
    case Name::kColour:
        if (SameLetters(text, "multi")) return set(kMultiColourSlot - 1, "multi");
        if (const auto slot = Number(text, 1, static_cast<int>(img::kPaletteEntries)))
            return set(*slot - 1, std::string(text));
        return "not 1-7 or multi";
    case Name::kPalette: {
        const auto colour = Colour(text);
        if (!colour) return "not a colour #RRGGBB";
        setting.colour = *colour;
        char shown[8];
        std::snprintf(shown, sizeof shown, "#%02X%02X%02X", *colour & 0xFF, *colour >> 8 & 0xFF,
                      *colour >> 16 & 0xFF);
        setting.shown = shown;
        return std::nullopt;
    }
    case Name::kDirection: {
        static constexpr std::array<std::pair<std::string_view, Direction>, 4> kDirections{
            {{"up", Direction::kTop},
             {"down", Direction::kBottom},
             {"left", Direction::kLeft},
             {"right", Direction::kRight}}};
        for (const auto& [word, direction] : kDirections)
            if (SameLetters(text, word)) return set(static_cast<int>(direction), std::string(word));
        return "not up, down, left or right";
    }
    case Name::kGameMode:
    case Name::kWindowsKeyLock: {
        const auto on = OnOff(text);
        if (!on) return "not on or off";
        return set(*on ? 1 : 0, *on ? "on" : "off");
    }
    case Name::kResponseTime: {
        // The keyboard counts 1-10; the field holds the slider's position, one less.
        const auto count = Number(text, 1, 10);
        if (!count) return "not a number 1-10";
        return set(count ? std::optional<int>(*count - 1) : std::nullopt, std::string(text));
    }
    case Name::kReportRate:
        for (std::size_t i = 0; i < kReportRates.size(); ++i)
            if (Number(text, 0, 100000) == kReportRates[i])
                return set(static_cast<int>(i), std::string(text));
        return "not 125, 250, 500 or 1000";
    }
    return "a bad value";
}

// The settings of the command line, or the exit code after saying what is wrong.
std::optional<std::vector<Setting>> ParseSettings(CommandContext& context)
{
    const auto refuse = [&](const std::string& problem) {
        context.err << "corvanectl: set: " << problem << "; nothing was changed\n";
        return std::nullopt;
    };
    if (context.args.empty()) {
        context.err << "usage: corvanectl set NAME=VALUE...\n";
        return std::nullopt;
    }
    std::vector<Setting> settings;
    for (const std::string& arg : context.args) {
        const std::size_t equals = arg.find('=');
        if (equals == std::string::npos) return refuse("'" + arg + "' is not NAME=VALUE");
        const std::string_view name = std::string_view(arg).substr(0, equals);
        const std::string_view text = std::string_view(arg).substr(equals + 1);
        Setting setting{};
        bool known = false;
        for (const auto& [word, which] : kNames) {
            if (!SameLetters(name, word)) continue;
            setting.name = which;
            setting.label = word;
            known = true;
        }
        if (!known && name.size() > kPalettePrefix.size() &&
            SameLetters(name.substr(0, kPalettePrefix.size()), kPalettePrefix)) {
            const auto entry =
                Number(name.substr(kPalettePrefix.size()), 1, static_cast<int>(img::kPaletteEntries));
            if (!entry) return refuse("'" + std::string(name) + "': the palette has entries 1-7");
            setting.name = Name::kPalette;
            setting.label = "palette." + std::to_string(*entry);
            setting.value = *entry - 1;
            known = true;
        }
        if (!known) return refuse("unknown setting '" + std::string(name) + "'");
        for (const Setting& earlier : settings)
            if (earlier.label == setting.label) return refuse(setting.label + " is given twice");
        if (const auto problem = ParseValue(setting, text))
            return refuse(setting.label + "=" + std::string(text) + ": " + *problem);
        settings.push_back(std::move(setting));
    }
    return settings;
}

// Why the colour squares do not take a choice, for the mode the keyboard is about to have.
std::string ColourRefusal(ColourSquareAnswer answer, std::uint8_t mode)
{
    const std::string effect = EffectName(mode);
    switch (answer) {
    case ColourSquareAnswer::kCustomProfile:
        return effect + " colours the keys one by one and takes no colour";
    case ColourSquareAnswer::kAllColoursOnly:
        return effect + " runs through every colour and takes only colour=multi";
    case ColourSquareAnswer::kNoMultiColour:
        return effect + " shows one colour and takes colour=1-7, not multi";
    default:
        return "no such colour square";
    }
}

int ApplySettings(CommandContext& context, const std::vector<Setting>& settings, SettingsImage& image)
{
    LightingSettings lighting(image);
    // The effect decides which colours the squares take, so it goes first, as in the panel.
    for (const Setting& s : settings)
        if (s.name == Name::kEffect) lighting.ChooseEffect(static_cast<std::uint8_t>(s.value));
    for (const Setting& s : settings) {
        switch (s.name) {
        case Name::kEffect:
            break;
        case Name::kSpeed:
            StoreSliderPosition(image, SliderField::kSpeed, s.value);
            break;
        case Name::kBrightness:
            StoreSliderPosition(image, SliderField::kBrightness, s.value);
            break;
        case Name::kResponseTime:
            StoreSliderPosition(image, SliderField::kResponseTime, s.value);
            break;
        case Name::kReportRate:
            StoreSliderPosition(image, SliderField::kReportRate, s.value);
            break;
        case Name::kColour:
            if (const ColourSquareAnswer answer = lighting.ClickColourSquare(s.value);
                answer != ColourSquareAnswer::kSelected) {
                context.err << "corvanectl: set: colour=" << s.shown << ": "
                            << ColourRefusal(answer, lighting.Mode()) << "; nothing was changed\n";
                return kExitUsage;
            }
            break;
        case Name::kPalette:
            lighting.SetPaletteColour(static_cast<std::size_t>(s.value), s.colour);
            break;
        case Name::kDirection:
            lighting.SetDirection(static_cast<Direction>(s.value));
            break;
        // The switches toggle; at most two clicks bring any stored value to the one asked for.
        case Name::kGameMode:
            while (lighting.GameModeValue() != s.value)
                lighting.ToggleGameMode();
            break;
        case Name::kWindowsKeyLock:
            while (lighting.WindowsKeyLockValue() != s.value)
                lighting.ToggleWindowsKeyLock();
            break;
        }
    }
    // The panel settles the colour slot before it is shown, so the window's Apply sends it so.
    if (!lighting.IsCustomProfile()) lighting.SettleColourSlot();
    return 0;
}

int RunSet(CommandContext& context)
{
    // For completion and scripts: the effect names, as the list shows them in English.
    if (context.args.size() == 1 && context.args[0] == "--list-effects") {
        for (const LightingEffect& effect : kLightingEffects)
            context.out << effect.english << "\n";
        return 0;
    }
    const auto settings = ParseSettings(context);
    if (!settings) return kExitUsage;
    std::string doing = "setting";
    std::string done = "set";
    for (const Setting& s : *settings) {
        doing += (&s == &settings->front() ? " " : ", ") + s.label;
        done += " " + s.label + "=" + s.shown;
    }
    const int code = RunChange(context, doing, [&](ChangeTarget& target) {
        return ApplySettings(context, *settings, target.state.image);
    });
    if (code == 0) context.out << done << "\n";
    return code;
}

const CommandRegistrar kSet{{"set", RunSet, "NAME=VALUE...",
                             "change lighting and performance settings (effect, speed, brightness, ...)"}};

} // namespace

} // namespace corvane::ctl
