#include "platform/HidapiBackend.h"

#include <hidapi/hidapi.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

namespace corvane {

namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint8_t kCollectionTag = 0xA0;    // main item, tag 10
constexpr std::uint8_t kEndCollectionTag = 0xC0; // main item, tag 12

void InitialiseHidapiOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { hid_init(); });
}

// Feature reports and packets go through hidapi; input reports are read from a descriptor of our
// own on the same node, so a read can wait in poll() together with an eventfd that ends it at once.
class HidapiChannel final : public HidChannel
{
public:
    HidapiChannel(hid_device* device, int inputFd, int wakeFd)
        : device_(device), inputFd_(inputFd), wakeFd_(wakeFd)
    {
    }
    ~HidapiChannel() override
    {
        hid_close(device_);
        ::close(inputFd_);
        ::close(wakeFd_);
    }
    HidapiChannel(const HidapiChannel&) = delete;
    HidapiChannel& operator=(const HidapiChannel&) = delete;

    bool SetFeature(std::span<const std::uint8_t, 9> report) override
    {
        return hid_send_feature_report(device_, report.data(), report.size()) ==
               static_cast<int>(report.size());
    }

    bool GetFeature(std::span<std::uint8_t, 9> report) override
    {
        return hid_get_feature_report(device_, report.data(), report.size()) ==
               static_cast<int>(report.size());
    }

    bool Write(std::span<const std::uint8_t, 65> packet) override
    {
        return hid_write(device_, packet.data(), packet.size()) == static_cast<int>(packet.size());
    }

    bool Read(std::span<std::uint8_t, 65> packet) override
    {
        // Reports without an ID arrive without the leading zero; put it back. The wait is bounded
        // so a packet the keyboard never sends cannot hang the caller.
        packet[0] = 0;
        const int got = hid_read_timeout(device_, packet.data() + 1, packet.size() - 1,
                                         HidapiBackend::kPacketReadTimeoutMs);
        return got == static_cast<int>(packet.size() - 1);
    }

    int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override
    {
        pollfd fds[2] = {{inputFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int wait = timeout < std::chrono::milliseconds(0) ? -1 : static_cast<int>(timeout.count());
        int ready;
        do {
            ready = ::poll(fds, 2, wait);
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) return -1;
        if (ready == 0) return 0;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const ssize_t drained = ::read(wakeFd_, &count, sizeof count);
            return 0;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;
        const ssize_t got = ::read(inputFd_, buffer.data(), buffer.size());
        if (got < 0) return errno == EAGAIN || errno == EINTR ? 0 : -1;
        return static_cast<int>(got);
    }

    void InterruptRead() override
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }

private:
    hid_device* device_;
    int inputFd_;
    int wakeFd_;
};

} // namespace

std::optional<int> CountTopLevelCollections(std::span<const std::uint8_t> descriptor)
{
    int depth = 0;
    int topLevel = 0;
    std::size_t at = 0;
    while (at < descriptor.size()) {
        const std::uint8_t prefix = descriptor[at];
        std::size_t itemSize;
        if (prefix == kLongItemPrefix) {
            if (at + 1 >= descriptor.size()) return std::nullopt;
            itemSize = 3 + descriptor[at + 1];
        } else {
            const std::size_t dataSize = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
            itemSize = 1 + dataSize;
            const std::uint8_t tag = prefix & 0xFC;
            if (tag == kCollectionTag) {
                if (depth == 0) ++topLevel;
                ++depth;
            } else if (tag == kEndCollectionTag) {
                if (depth == 0) return std::nullopt;
                --depth;
            }
        }
        if (at + itemSize > descriptor.size()) return std::nullopt;
        at += itemSize;
    }
    if (depth != 0) return std::nullopt;
    return topLevel;
}

std::vector<std::string> BuildMatchTexts(UsbIdPair ids, int interfaceNumber,
                                         std::optional<int> collectionCount)
{
    char base[48];
    if (interfaceNumber >= 0 && interfaceNumber <= 0xFF)
        std::snprintf(base, sizeof base, "vid_%04x&pid_%04x&mi_%02x", ids.vendorId, ids.productId,
                      interfaceNumber);
    else
        std::snprintf(base, sizeof base, "vid_%04x&pid_%04x", ids.vendorId, ids.productId);

    auto withCollection = [&](int collection) {
        char text[64];
        std::snprintf(text, sizeof text, "%s&col%02d", base, collection);
        return std::string(text);
    };

    std::vector<std::string> texts;
    if (collectionCount && *collectionCount > 1) {
        for (int c = 1; c <= *collectionCount && c <= 99; ++c)
            texts.push_back(withCollection(c));
        return texts;
    }
    if (!collectionCount) {
        for (const KnownCollection& known : kKnownEventCollections)
            if (known.ids == ids && known.interfaceNumber == interfaceNumber)
                texts.push_back(withCollection(known.collection));
        if (!texts.empty()) return texts;
    }
    texts.emplace_back(base);
    return texts;
}

std::optional<std::vector<std::uint8_t>> ReadReportDescriptor(const std::filesystem::path& sysfsRoot,
                                                              const std::string& devicePath)
{
    // Only the node name is used, so a path can never lead anywhere else in sysfs.
    const std::string node = std::filesystem::path(devicePath).filename().string();
    if (node.rfind("hidraw", 0) != 0 || node.size() == 6 ||
        !std::all_of(node.begin() + 6, node.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::ifstream file(sysfsRoot / "class" / "hidraw" / node / "device" / "report_descriptor",
                       std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

HidapiBackend::HidapiBackend(std::filesystem::path sysfsRoot) : sysfsRoot_(std::move(sysfsRoot))
{
    InitialiseHidapiOnce();
}

std::vector<HidInterfaceInfo> HidapiBackend::Enumerate()
{
    std::vector<HidInterfaceInfo> list;
    hid_device_info* all = hid_enumerate(0, 0);
    // hidapi lists an interface once per usage; the collections come from the descriptor instead.
    std::set<std::string> seen;
    for (hid_device_info* info = all; info != nullptr; info = info->next) {
        if (info->path == nullptr) continue;
        const std::string path = info->path;
        if (path.size() > kMaxHidPathLength || !seen.insert(path).second) continue;
        const UsbIdPair ids{info->vendor_id, info->product_id};
        std::optional<int> collections;
        if (auto descriptor = ReadReportDescriptor(sysfsRoot_, path))
            collections = CountTopLevelCollections(*descriptor);
        for (std::string& text : BuildMatchTexts(ids, info->interface_number, collections))
            list.push_back(HidInterfaceInfo{path, ids.vendorId, ids.productId, std::move(text)});
    }
    hid_free_enumeration(all);
    return list;
}

KeyboardLock* HidapiBackend::LockFor(const std::string& path)
{
    std::lock_guard lock(locksMutex_);
    std::unique_ptr<DeviceNodeLock>& entry = locks_[path];
    if (!entry) entry = std::make_unique<DeviceNodeLock>(path);
    return entry.get();
}

std::unique_ptr<HidChannel> HidapiBackend::Open(const std::string& path, OpenFailure& failure)
{
    failure = OpenFailure{};
    const auto fail = [&failure, &path](int systemError) -> std::unique_ptr<HidChannel> {
        failure.error = OpenErrorOfErrno(systemError);
        if (failure.error == OpenError::kNone) failure.error = OpenError::kFailed;
        failure.systemError = systemError;
        failure.detail = path + ": " + std::strerror(systemError);
        return nullptr;
    };
    if (path.empty() || path.size() > kMaxHidPathLength) return fail(ENOENT);
    // Opened first by us, so the reason of a failure is the node's own errno rather than hidapi's
    // summary.
    const int inputFd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (inputFd < 0) return fail(errno);
    struct stat info
    {
    };
    if (::fstat(inputFd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        ::close(inputFd);
        return fail(ENODEV);
    }
    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        const int error = errno;
        ::close(inputFd);
        return fail(error);
    }
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        const int error = errno != 0 ? errno : EIO;
        ::close(inputFd);
        ::close(wakeFd);
        return fail(error);
    }
    return std::make_unique<HidapiChannel>(device, inputFd, wakeFd);
}

} // namespace corvane
