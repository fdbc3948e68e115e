#include "format/KeyRecord.h"
#include "device/SettingsState.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace corvane {
namespace {

TEST(KeyRecordLayout, SizesAndOffsetsMatchTheFiles)
{
    EXPECT_EQ(sizeof(KeyRecord), 772u);
    EXPECT_EQ(sizeof(KeyRecordBuffer), 196860u);
    EXPECT_EQ(sizeof(KeyMarks), 255u);
    EXPECT_EQ(rec::kKind, 1u);
    EXPECT_EQ(rec::kCount, 257u);
    EXPECT_EQ(rec::kLaunchPath, 260u);
    // Record p sits at 772 p in the buffer, with nothing between records.
    KeyRecordBuffer buffer;
    EXPECT_EQ(buffer[3].data() - buffer.data(), 3 * 772);
    EXPECT_EQ(buffer[254].data() - buffer.data(), 254 * 772);
}

TEST(KeyRecordLaunchPath, StoredAsLittleEndianUtf16WithTerminator)
{
    KeyRecord r;
    r.bytes.fill(0xAA);
    r.SetLaunchPath(u"C:\\\u00e9");
    EXPECT_EQ(r[260], 'C');
    EXPECT_EQ(r[261], 0);
    EXPECT_EQ(r[262], ':');
    EXPECT_EQ(r[266], 0xE9);
    EXPECT_EQ(r[267], 0x00);
    EXPECT_EQ(r[268], 0);
    EXPECT_EQ(r[269], 0);
    EXPECT_EQ(r[771], 0) << "the rest of the field is cleared";
    EXPECT_EQ(r[259], 0xAA) << "bytes before the field are untouched";
    EXPECT_EQ(r.LaunchPath(), u"C:\\\u00e9");
}

TEST(KeyRecordLaunchPath, LongPathsKeep255UnitsAndAnUnterminatedFieldIsNotOverread)
{
    KeyRecord r;
    r.SetLaunchPath(std::u16string(300, u'x'));
    EXPECT_EQ(r.LaunchPath().size(), 255u);
    EXPECT_EQ(r[770], 0);
    EXPECT_EQ(r[771], 0);
    // A file may hold a field with no terminator at all.
    for (std::size_t i = rec::kLaunchPath; i < kKeyRecordSize; ++i)
        r[i] = 'y';
    EXPECT_EQ(r.LaunchPath().size(), 255u);
}

TEST(SettingsState, TakeShadowsCopiesImageAndRecords)
{
    auto state = std::make_unique<SettingsState>();
    state->image[img::kBrightness] = 33;
    state->records[4][rec::kKind] = 2;
    state->TakeShadows();
    EXPECT_EQ(state->shadow[img::kBrightness], 33);
    EXPECT_EQ(state->recordShadow[4][rec::kKind], 2);
}

} // namespace
} // namespace corvane
