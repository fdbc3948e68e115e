// The start-up read of the keyboard's settings against a keyboard that answers anything.
//
// A fake channel hands out the input as replies: each transfer takes a control byte (low nibble
// 0xF: the transfer fails, after scribbling on the buffer; bit 4: the reply is one repeated byte,
// else bytes from the input). The first input byte chooses the read (plain or start-up form), a
// cancel point, and whether every transfer fails.

#include "FuzzSupport.h"

#include "ctl/Describe.h"
#include "device/Clock.h"
#include "device/KeyMarks.h"
#include "device/Protocol.h"
#include "device/Synchronisation.h"
#include "format/KeyCodeTable.h"
#include "store/SettingsFiles.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <sstream>

using namespace corvane;
using namespace corvane::fuzz;

namespace {

class NoClock final : public Clock
{
public:
    void Pause(std::chrono::milliseconds) override {}
    std::chrono::steady_clock::time_point Now() const override { return {}; }
};

class FuzzChannel final : public HidChannel
{
public:
    FuzzChannel(InputReader& in, bool allFail, std::size_t cancelAfter, std::atomic<bool>& cancel)
        : in_(in), allFail_(allFail), cancelAfter_(cancelAfter), cancel_(cancel)
    {
    }

    bool SetFeature(std::span<const std::uint8_t, 9> frame) override
    {
        FUZZ_CHECK(frame[0] == 0);
        FUZZ_CHECK(frame[8] == FrameChecksum(CommandFrame{frame[0], frame[1], frame[2], frame[3], frame[4],
                                                          frame[5], frame[6], frame[7], frame[8]}));
        return Transfer({});
    }
    bool GetFeature(std::span<std::uint8_t, 9> report) override { return Transfer(report); }
    bool Write(std::span<const std::uint8_t, 65>) override { return Transfer({}); }
    bool Read(std::span<std::uint8_t, 65> packet) override { return Transfer(packet); }
    int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds) override
    {
        if (!Transfer(buffer)) return -1;
        return static_cast<int>(buffer.size());
    }
    void InterruptRead() override {}

    bool anyFailed = false;
    std::size_t transfers = 0;

private:
    bool Transfer(std::span<std::uint8_t> buffer)
    {
        if (++transfers == cancelAfter_) cancel_ = true;
        const std::uint8_t control = in_.Byte();
        const bool fail = allFail_ || (control & 0x0F) == 0x0F;
        if ((control & 0x10) != 0) {
            std::fill(buffer.begin(), buffer.end(), in_.Byte());
        } else {
            const auto bytes = in_.Take(buffer.size());
            std::fill(std::copy(bytes.begin(), bytes.end(), buffer.begin()), buffer.end(), std::uint8_t{0});
        }
        if (fail) anyFailed = true;
        return !fail;
    }

    InputReader& in_;
    bool allFail_;
    std::size_t cancelAfter_;
    std::atomic<bool>& cancel_;
};

constexpr std::uint8_t kImagePattern = 0x5A;
constexpr std::uint8_t kMarkPattern = 0x42;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    const std::uint8_t mode = in.Byte();
    const bool startupForm = (mode & 1) != 0;
    const bool allFail = (mode & 2) != 0;
    // 0: never cancelled; otherwise cancelled during transfer n.
    const std::size_t cancelAfter = (mode & 4) != 0 ? in.Byte() : 0;

    std::atomic<bool> cancel{false};
    NoClock clock;
    FuzzChannel channel(in, allFail, cancelAfter, cancel);
    CommandProtocol protocol(channel, clock);

    auto image = std::make_unique<SettingsImage>();
    image->bytes.fill(kImagePattern);
    const auto before = std::make_unique<SettingsImage>(*image);
    FirmwareVersion version{};
    bool ok;
    if (startupForm)
        ok = ReadAllSettingsAtStartup(protocol, *image, version, cancel);
    else
        ok = ReadAllSettings(protocol, *image);

    // Success means every transfer went through and, at start-up, nobody cancelled.
    FUZZ_CHECK(!(ok && channel.anyFailed));
    if (!startupForm || cancelAfter == 0) FUZZ_CHECK(ok == !channel.anyFailed);
    if (startupForm && cancel) FUZZ_CHECK(!ok);
    FUZZ_CHECK(channel.transfers > 0);

    // Replies land only in the regions the keyboard holds.
    auto outside = std::make_unique<SettingsImage>(*before);
    CopyDeviceRegions(*image, *outside);
    FUZZ_CHECK(*outside == *image);
    // A failed transfer stores nothing.
    if (allFail) FUZZ_CHECK(*image == *before);

    auto records = std::make_unique<KeyRecordBuffer>();
    RestampDefaultKeyOrder(*records);
    KeyMarks marks;
    marks.marks.fill(kMarkPattern);
    RecomputeKeyMarks(*image, *records, marks);
    for (std::size_t p = 0; p < kKeyMarkCount; ++p) {
        if (p < kMarkedPositionCount)
            FUZZ_CHECK(marks[p] == 0 || marks[p] == 1);
        else
            FUZZ_CHECK(marks[p] == kMarkPattern);
    }
    FUZZ_CHECK(marks[100] == 0);

    std::ostringstream out;
    ctl::DescribeSettings(*image, *records, kSettingsFileSize, nullptr, StandardKeyCodeTable(), out);
    FUZZ_CHECK(!out.str().empty());
    return 0;
}
