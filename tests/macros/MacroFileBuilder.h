#pragma once
// Builds MacroDefine.bin images byte by byte, independently of the store's own accessors, so
// tests can hand the loader and the event code files as another program would have written
// them: several macros, delays, long pauses, or deliberately broken tails.

#include "format/KeyCodeTable.h"
#include "macros/MacroStore.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace corvane::test {

class MacroFileBuilder
{
public:
    static constexpr std::size_t kRecord = 894;
    static constexpr std::size_t kRepeat = 510;
    static constexpr std::size_t kFlags = 512;
    static constexpr std::size_t kDevice = 513;
    static constexpr std::size_t kKeys = 703;

    MacroFileBuilder() : bytes_(169860, 0) {}

    // Starts the next macro; events added afterwards belong to it.
    MacroFileBuilder& Macro(const std::u16string& name, std::uint16_t repeat = 1, bool delay = false)
    {
        current_ = count_++;
        offset_ = 0;
        std::uint8_t* r = Record();
        for (std::size_t i = 0; i < name.size(); ++i) {
            r[2 * i] = static_cast<std::uint8_t>(name[i] & 0xFF);
            r[2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
        }
        r[kRepeat] = static_cast<std::uint8_t>(repeat & 0xFF);
        r[kRepeat + 1] = static_cast<std::uint8_t>(repeat >> 8);
        r[kFlags] = delay ? 1 : 0;
        return *this;
    }

    // A key or button event with the pause before it, in the form a recording would store.
    MacroFileBuilder& Press(std::uint8_t vk, std::uint16_t pause = 1) { return Event(vk, false, pause); }
    MacroFileBuilder& Release(std::uint8_t vk, std::uint16_t pause = 1) { return Event(vk, true, pause); }
    MacroFileBuilder& Tap(std::uint8_t vk) { return Press(vk).Release(vk); }

    // Raw bytes written into both arrays at the current end, key bytes taken as given.
    MacroFileBuilder& Raw(std::initializer_list<std::uint8_t> device,
                          std::initializer_list<std::uint8_t> keys)
    {
        std::uint8_t* r = Record();
        std::size_t i = offset_;
        for (std::uint8_t b : device)
            r[kDevice + i++] = b;
        i = offset_;
        for (std::uint8_t b : keys)
            r[kKeys + i++] = b;
        offset_ = i;
        return *this;
    }

    std::size_t Offset() const { return offset_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    MacroStore Store() const
    {
        MacroStore store;
        std::memcpy(store.data(), bytes_.data(), bytes_.size());
        return store;
    }
    MacroEvents Events(std::size_t record = 0) const { return Store()[record].Events(); }

    void WriteTo(const std::filesystem::path& file, std::size_t length = 169860) const
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(length));
    }

private:
    std::uint8_t* Record() { return bytes_.data() + current_ * kRecord; }

    MacroFileBuilder& Event(std::uint8_t vk, bool release, std::uint16_t pause)
    {
        const std::uint8_t usage = table_.Usage(vk);
        const std::uint8_t up = release ? 0x80 : 0x00;
        if (pause >= 127) {
            return Raw({static_cast<std::uint8_t>(up | 0x7F), usage, static_cast<std::uint8_t>(pause >> 8),
                        static_cast<std::uint8_t>(pause & 0xFF)},
                       {static_cast<std::uint8_t>(up | 0x7F), vk, static_cast<std::uint8_t>(pause >> 8),
                        static_cast<std::uint8_t>(pause & 0xFF)});
        }
        const auto code = static_cast<std::uint8_t>(up | pause);
        return Raw({code, usage}, {code, vk});
    }

    KeyCodeTable table_;
    std::vector<std::uint8_t> bytes_;
    std::size_t current_ = 0;
    std::size_t count_ = 0;
    std::size_t offset_ = 0;
};

} // namespace corvane::test
