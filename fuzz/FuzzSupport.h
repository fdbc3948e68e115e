#pragma once
// Shared by the fuzz harnesses: the input read as a stream of choices, a private scratch folder
// per process, and a check that stops the run with a readable message.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

// Unlike assert, never compiled out: a broken invariant must stop the fuzzer.
#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace corvane::fuzz {

// Hands out the input byte by byte; past the end everything reads as zero, so every input is a
// complete program of choices.
class InputReader
{
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::size_t Remaining() const { return Empty() ? 0 : size_ - at_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
    std::uint32_t U24() { return static_cast<std::uint32_t>(Byte() | Byte() << 8 | Byte() << 16); }
    bool Bit() { return (Byte() & 1) != 0; }
    // Up to n bytes, fewer at the end of the input.
    std::span<const std::uint8_t> Take(std::size_t n)
    {
        const std::size_t count = n < Remaining() ? n : Remaining();
        std::span<const std::uint8_t> part(data_ + at_, count);
        at_ += count;
        return part;
    }
    std::span<const std::uint8_t> Rest() { return Take(Remaining()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A folder of this process alone (mkdtemp), removed when the fuzzer exits.
inline const std::filesystem::path& ScratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolder(), ec);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

inline void WriteWholeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

inline std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(in.good() || bytes.empty());
    return bytes;
}

} // namespace corvane::fuzz
