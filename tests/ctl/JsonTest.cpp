// corvanectl --json: every output is one valid JSON document holding what the text holds, whatever
// bytes the files give it.

#include "ctl/Json.h"
#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "macros/MacroEvents.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

namespace corvane {
namespace {

// A strict reader of one JSON document: true when `text` is exactly one value and a line break,
// with no raw control character and only valid UTF-8 in its strings.
class Checker
{
public:
    explicit Checker(const std::string& text) : s_(text) {}
    bool Document() { return Value() && s_.substr(i_) == "\n"; }

private:
    bool Eat(char c) { return i_ < s_.size() && s_[i_] == c ? (++i_, true) : false; }
    bool Literal(const char* word)
    {
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }
    bool Value()
    {
        if (i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '{') return Items('}', true);
        if (c == '[') return Items(']', false);
        if (c == '"') return String();
        if (c == '-' || (c >= '0' && c <= '9')) {
            Eat('-');
            const std::size_t start = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')
                ++i_;
            return i_ > start && (s_[start] != '0' || i_ == start + 1);
        }
        return Literal("true") || Literal("false") || Literal("null");
    }
    bool Items(char close, bool members)
    {
        ++i_;
        if (Eat(close)) return true;
        do {
            if (members && !(String() && Eat(':'))) return false;
            if (!Value()) return false;
        } while (Eat(','));
        return Eat(close);
    }
    bool String()
    {
        if (!Eat('"')) return false;
        while (i_ < s_.size()) {
            const auto b = static_cast<unsigned char>(s_[i_++]);
            if (b == '"') return true;
            if (b < 0x20) return false;
            if (b == '\\') {
                if (i_ >= s_.size()) return false;
                const char e = s_[i_++];
                if (e == 'u') {
                    if (s_.find_first_not_of("0123456789abcdefABCDEF", i_) < i_ + 4) return false;
                    i_ += 4;
                } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
                    return false;
                }
            } else if (b >= 0x80) {
                const std::size_t more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
                if (b < 0xC2 || b > 0xF4) return false;
                for (std::size_t k = 0; k < more; ++k, ++i_)
                    if (i_ >= s_.size() || (static_cast<unsigned char>(s_[i_]) & 0xC0) != 0x80) return false;
            }
        }
        return false;
    }
    const std::string& s_;
    std::size_t i_ = 0;
};

TEST(CtlJson, EveryJsonOutputIsOneValidDocumentWithTheTextsData)
{
    testing::TempFolder dir;
    auto macros = std::make_unique<MacroStore>();
    // A terminal escape, a tab, a quote, a backslash, DEL, a C1 control and a lone surrogate.
    (*macros)[0].SetName(u"\x1b[2J\t\"q\"\\\x7f\u009b\xd800!");
    MacroEvents events;
    WriteEvent(events, WriteEvent(events, 0, false, 1, 0x04, 'A'), true, 300, 0x04, 'A');
    (*macros)[0].SetEvents(events);
    (*macros)[0].SetRepeatCount(5);
    (*macros)[1].SetName(u"Zwei");
    ASSERT_TRUE(SaveMacroStore(dir / "MacroDefine.bin", *macros));
    auto state = std::make_unique<SettingsState>();
    state->image[img::kBrightness] = 35;
    ASSERT_TRUE(SaveKeymap(dir / "keymap.bin", *state));
    std::filesystem::create_directory(dir / "Configure");
    std::ofstream(dir / "Configure" / "b\xff\xc0\x80.bin") << "x";
    std::ofstream(dir / "short.bin") << "x";

    const std::string name = R"("\u001b[2J\t\"q\"\\\u007f\u009b)"
                             "\xef\xbf\xbd"
                             R"(!")";
    struct Case
    {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> holds; // parts of the document
    };
    const Case cases[] = {
        {{"macro", "list"},
         0,
         {R"({"macros":[{"number":0,"name":)" + name +
          R"(,"repeat":5,"delays":false,"events":2,"slot":true},{"number":1,"name":"Zwei","repeat":0,)"
          R"("delays":false,"events":0,"slot":true}]})"}},
        {{"macro", "show", "Zwei"}, 0, {R"({"number":1,"name":"Zwei",)", R"("lines":[]})"}},
        {{"describe", (dir / "MacroDefine.bin").string()},
         0,
         {R"({"files":[{"file":)", R"("kind":"macros","size":169860,"expected_size":169860,"macros":[)",
          R"("lines":["A  dn","300 ms","A  up"])", name}},
        {{"describe"}, 0, {R"("kind":"settings")", R"("brightness":35,)", R"("customised_keys":[)"}},
        {{"describe", (dir / "short.bin").string(), (dir / "none.bin").string()},
         3,
         {R"("size":1,"expected_size":206920,"keys_in_file":false})", R"("error":")"}},
        {{"profile", "list"},
         0,
         {R"({"profiles":[{"name":"b\ufffd\ufffd\ufffd","path":)", R"("current":true}]})"}},
        {{"read"}, 0, {R"({"lighting_mode":")", R"("response_time":)", R"("key_records_in_file":255,)"}},
        {{"info"},
         0,
         {R"({"keyboard":"3f1c:0101","vendor_id":16156,"product_id":257,"path":")", R"("firmware_major":)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        VirtualClock clock;
        KeyboardEmulator emulator(clock);
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--json", "--data-dir", dir.path().string()});
        std::ostringstream out, err;
        EXPECT_EQ(ctl::RunCorvanectl(args, out, err, &emulator, &clock), c.code) << err.str();
        EXPECT_TRUE(Checker(out.str()).Document()) << out.str();
        for (const std::string& part : c.holds)
            EXPECT_NE(out.str().find(part), std::string::npos) << part << "\nin\n" << out.str();
    }
    // Bytes that are no UTF-8 (overlong, surrogate, cut short, beyond U+10FFFF) each become U+FFFD.
    EXPECT_EQ(ctl::JsonString("a\xc0\xaf"
                              "b\xed\xa0\x80"
                              "c\xe2\x82"
                              "d\xf5\x80"
                              "e\xf4\x90\x80\x80"),
              R"("a\ufffd\ufffdb\ufffd\ufffd\ufffdc\ufffd\ufffdd\ufffd\ufffde\ufffd\ufffd\ufffd\ufffd")");
}

} // namespace
} // namespace corvane
