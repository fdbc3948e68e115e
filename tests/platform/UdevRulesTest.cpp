#include "device/DeviceIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

// No udevadm here, so the rule file is parsed and run by a small model of udev's rule
// evaluation: match keys (==, !=, values with "|" alternatives), IMPORT, GOTO/LABEL and TAG+=.

struct Key
{
    std::string name; // "ENV{ID_MODEL_ID}", "SUBSYSTEM", ...
    std::string op;
    std::string value;
};
using Rule = std::vector<Key>;

std::vector<Rule> ParseRules(std::string& error)
{
    // Not from __FILE__: a compiler cache may make it relative to the build folder.
    const auto file = std::filesystem::path(CORVANE_SOURCE_DIR) / "dist/linux/60-corvane-keyboard.rules";
    std::ifstream in(file);
    if (!in) {
        error = "cannot open " + file.string();
        return {};
    }
    const std::regex keyPattern(R"re(^([A-Z_]+(\{[A-Za-z0-9_]+\})?)(==|!=|\+=|=|:=)"([^"]*)"(, |$))re");
    std::vector<Rule> rules;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        Rule rule;
        std::string rest = line;
        std::smatch m;
        while (!rest.empty()) {
            if (!std::regex_search(rest, m, keyPattern)) {
                error = "line " + std::to_string(number) + " does not parse at: " + rest;
                return {};
            }
            rule.push_back({m[1], m[3], m[4]});
            rest = m.suffix();
        }
        rules.push_back(rule);
    }
    return rules;
}

bool MatchesPattern(const std::string& actual, const std::string& pattern)
{
    std::stringstream alternatives(pattern);
    std::string one;
    while (std::getline(alternatives, one, '|'))
        if (one == actual) return true;
    return false;
}

struct Device
{
    std::string action = "add";
    std::string subsystem = "hidraw";
    // What usb_id would find on the node's own interface and its USB device.
    std::string interfaceNumber, vendorId, modelId;
};

// Runs the rules for a device; returns the TAG+= values, or an error text.
std::vector<std::string> Evaluate(const std::vector<Rule>& rules, const Device& device, std::string& error)
{
    std::map<std::string, std::string> env;
    std::vector<std::string> tags;
    std::string jumpTo;
    for (const Rule& rule : rules) {
        if (!jumpTo.empty()) {
            if (rule.size() == 1 && rule[0].name == "LABEL" && rule[0].value == jumpTo) jumpTo.clear();
            continue;
        }
        bool matched = true;
        std::vector<const Key*> actions;
        for (const Key& key : rule) {
            if (key.op == "==" || key.op == "!=") {
                std::string actual;
                if (key.name == "ACTION")
                    actual = device.action;
                else if (key.name == "SUBSYSTEM")
                    actual = device.subsystem;
                else if (key.name.starts_with("ENV{"))
                    actual = env[key.name.substr(4, key.name.size() - 5)];
                else {
                    error = "unexpected match key " + key.name;
                    return {};
                }
                matched = matched && (MatchesPattern(actual, key.value) == (key.op == "=="));
            } else {
                actions.push_back(&key);
            }
        }
        if (!matched) continue;
        for (const Key* key : actions) {
            if (key->name == "IMPORT{builtin}" && key->value == "usb_id") {
                env["ID_USB_INTERFACE_NUM"] = device.interfaceNumber;
                env["ID_VENDOR_ID"] = device.vendorId;
                env["ID_MODEL_ID"] = device.modelId;
            } else if (key->name == "GOTO") {
                jumpTo = key->value;
            } else if (key->name == "TAG" && key->op == "+=") {
                tags.push_back(key->value);
            } else if (key->name != "LABEL") {
                error = "unexpected action " + key->name;
                return {};
            }
        }
    }
    if (!jumpTo.empty()) error = "GOTO without its LABEL: " + jumpTo;
    return tags;
}

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

TEST(UdevRulesTest, OnlyTheConfigurationInterfacesOfAnAcceptedKeyboardAreOpened)
{
    std::string error;
    const std::vector<Rule> rules = ParseRules(error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_FALSE(rules.empty());
    const std::vector<std::string> opened{"uaccess"};
    for (const UsbIdPair& ids : kAcceptedDeviceIds) {
        const std::string vid = Hex4(ids.vendorId), pid = Hex4(ids.productId);
        const struct
        {
            Device device;
            bool open;
        } cases[] = {
            {{"add", "hidraw", "03", vid, pid}, true},
            {{"add", "hidraw", "01", vid, pid}, true},
            {{"change", "hidraw", "01", vid, pid}, true},
            {{"add", "hidraw", "00", vid, pid}, false}, // keystrokes
            {{"add", "hidraw", "02", vid, pid}, false},
            {{"add", "hidraw", "", vid, pid}, false},
            {{"remove", "hidraw", "03", vid, pid}, false},
            {{"add", "input", "03", vid, pid}, false},
            {{"add", "hidraw", "03", "1234", pid}, false},
            {{"add", "hidraw", "03", vid, "9999"}, false},
        };
        for (const auto& c : cases) {
            const std::vector<std::string> tags = Evaluate(rules, c.device, error);
            ASSERT_TRUE(error.empty()) << error;
            EXPECT_EQ(tags, c.open ? opened : std::vector<std::string>{})
                << vid << ":" << pid << " interface " << c.device.interfaceNumber << " " << c.device.action
                << " " << c.device.subsystem;
        }
    }
    // An ID pair the program does not accept is never opened.
    EXPECT_TRUE(Evaluate(rules, {"add", "hidraw", "03", "3f2d", "0101"}, error).empty());
}

TEST(UdevRulesTest, NothingIsMatchedOnDevicesFurtherUpTheTree)
{
    std::string error;
    for (const Rule& rule : ParseRules(error))
        for (const Key& key : rule) {
            // ATTRS, KERNELS, DRIVERS and SUBSYSTEMS match any ancestor; MODE would bypass uaccess.
            EXPECT_FALSE(key.name.starts_with("ATTRS") || key.name == "KERNELS" || key.name == "DRIVERS" ||
                         key.name == "SUBSYSTEMS" || key.name == "MODE" || key.name == "GROUP")
                << key.name;
        }
    EXPECT_TRUE(error.empty()) << error;
}

} // namespace
} // namespace corvane
