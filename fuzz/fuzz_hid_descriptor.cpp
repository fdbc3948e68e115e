// The report-descriptor parser and the match texts built from its count.
//
// Input: vendor and product ID (2 x 16 bit), an interface number byte (0xFF = unknown, otherwise
// interpreted as signed so negatives occur), a node-name byte, then the descriptor.

#include "FuzzSupport.h"

#include "platform/HidapiBackend.h"

#include <cstdio>
#include <set>

using namespace corvane;
using namespace corvane::fuzz;

namespace {

std::vector<std::uint8_t> Joined(std::initializer_list<std::span<const std::uint8_t>> parts)
{
    std::vector<std::uint8_t> all;
    for (auto part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

void CheckCounts(std::span<const std::uint8_t> descriptor)
{
    const std::optional<int> count = CountTopLevelCollections(descriptor);
    static constexpr std::uint8_t kOpen[] = {0xA1, 0x01};
    static constexpr std::uint8_t kClose[] = {0xC0};
    static constexpr std::uint8_t kEmptyCollection[] = {0xA1, 0x01, 0xC0};
    if (count) {
        FUZZ_CHECK(*count >= 0);
        // Well-formed descriptors compose: two in a row hold both sets of collections, one
        // wrapped in a collection is a single one, and a stray end spoils it.
        FUZZ_CHECK(CountTopLevelCollections(Joined({descriptor, descriptor})) == 2 * *count);
        FUZZ_CHECK(CountTopLevelCollections(Joined({kOpen, descriptor, kClose})) == 1);
        FUZZ_CHECK(CountTopLevelCollections(Joined({descriptor, kEmptyCollection})) == *count + 1);
        FUZZ_CHECK(!CountTopLevelCollections(Joined({descriptor, kClose})));
        FUZZ_CHECK(!CountTopLevelCollections(Joined({kOpen, descriptor})));
    } else {
        // Nothing placed in front of a malformed descriptor makes it whole again unless it
        // opens collections, and nothing short makes its unbalanced ends balance.
        FUZZ_CHECK(!CountTopLevelCollections(Joined({kEmptyCollection, descriptor})));
    }
}

void CheckMatchTexts(UsbIdPair ids, int interfaceNumber, std::optional<int> count)
{
    const auto texts = BuildMatchTexts(ids, interfaceNumber, count);
    FUZZ_CHECK(!texts.empty());
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "vid_%04x&pid_%04x", ids.vendorId, ids.productId);
    const bool knownInterface = interfaceNumber >= 0 && interfaceNumber <= 0xFF;
    std::set<std::string> distinct;
    for (const std::string& text : texts) {
        FUZZ_CHECK(text.rfind(prefix, 0) == 0);
        FUZZ_CHECK((text.find("&mi_") != std::string::npos) == knownInterface);
        FUZZ_CHECK(text.size() < 64);
        distinct.insert(text);
    }
    FUZZ_CHECK(distinct.size() == texts.size());
    if (count && *count > 1) {
        FUZZ_CHECK(texts.size() == static_cast<std::size_t>(std::min(*count, 99)));
        FUZZ_CHECK(texts.front().ends_with("&col01"));
    } else if (count) {
        FUZZ_CHECK(texts.size() == 1 && texts.front().find("&col") == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    const UsbIdPair ids{in.U16(), in.U16()};
    const std::uint8_t interfaceByte = in.Byte();
    const int interfaceNumber = interfaceByte == 0xFF ? -1 : static_cast<std::int8_t>(interfaceByte) * 3;
    const std::uint8_t nodeByte = in.Byte();
    const auto descriptor = in.Rest();

    CheckCounts(descriptor);
    const std::optional<int> count = CountTopLevelCollections(descriptor);
    CheckMatchTexts(ids, interfaceNumber, count);
    CheckMatchTexts(ids, interfaceNumber, std::nullopt);

    // Through sysfs as the backend reads it: only hidrawN names lead to a descriptor.
    const std::filesystem::path node = ScratchFolder() / "class" / "hidraw" / "hidraw7" / "device";
    std::filesystem::create_directories(node);
    WriteWholeFile(node / "report_descriptor", descriptor);
    const auto read = ReadReportDescriptor(ScratchFolder(), "/dev/hidraw7");
    if (descriptor.empty()) {
        FUZZ_CHECK(!read);
    } else {
        FUZZ_CHECK(read && read->size() == descriptor.size() &&
                   std::equal(read->begin(), read->end(), descriptor.begin()));
    }
    static const char* const kOddNames[] = {"/dev/hidraw",     "/dev/hidraw7x",   "../hidraw7",
                                            "/dev/hidraw-7",   "hidraw7/../../x", "",
                                            "/dev/usb/hiddev7"};
    const char* odd = kOddNames[nodeByte % std::size(kOddNames)];
    const auto oddRead = ReadReportDescriptor(ScratchFolder(), odd);
    if (std::string_view(odd) == "../hidraw7")
        FUZZ_CHECK(oddRead.has_value() == !descriptor.empty());
    else
        FUZZ_CHECK(!oddRead);
    return 0;
}
