#include "keys/NamedFunctionTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace corvane {
namespace {

TEST(NamedFunctionTable, TreeOrderWithCategoriesTogether)
{
    EXPECT_EQ(NamedFunctionTable.front().name, "Search");
    EXPECT_EQ(NamedFunctionTable.back().name, "Close window");
    // Each category's members form one unbroken run, in the order the tree lists the categories.
    std::vector<std::string_view> runs;
    for (const NamedFunction& f : NamedFunctionTable)
        if (!f.category.empty() && (runs.empty() || runs.back() != f.category)) runs.push_back(f.category);
    EXPECT_EQ(runs, (std::vector<std::string_view>(kNamedFunctionCategories.begin(),
                                                   kNamedFunctionCategories.end())));
    std::set<std::string_view> names;
    for (const NamedFunction& f : NamedFunctionTable)
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
}

TEST(NamedFunctionTable, LookupByNameIsExact)
{
    const NamedFunction* f = FindNamedFunction(std::string_view("Media Player"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->code, (std::array<std::uint8_t, 4>{0x03, 0x00, 0x83, 0x01}));
    EXPECT_EQ(f->category, "Media");
    EXPECT_EQ(FindNamedFunction(std::string_view("media player")), nullptr);
    EXPECT_EQ(FindNamedFunction(std::string_view("Media")), nullptr) << "categories are not functions";
    EXPECT_EQ(FindNamedFunction(std::string_view("")), nullptr);
}

TEST(NamedFunctionTable, LookupByCodeComparesAllFourBytes)
{
    const std::array<std::uint8_t, 4> maximize = {0x00, 0xE2, 0x2C, 0x1B};
    const std::array<std::uint8_t, 4> minimize = {0x00, 0xE2, 0x2C, 0x11};
    const std::array<std::uint8_t, 4> almost = {0x00, 0xE2, 0x2C, 0x00};
    EXPECT_EQ(FindNamedFunction(std::span<const std::uint8_t, 4>(maximize))->name, "Maximize window");
    EXPECT_EQ(FindNamedFunction(std::span<const std::uint8_t, 4>(minimize))->name, "Minimize window");
    EXPECT_EQ(FindNamedFunction(std::span<const std::uint8_t, 4>(almost)), nullptr);
    const std::array<std::uint8_t, 4> stop = {0x03, 0x00, 0xB7, 0x00};
    EXPECT_EQ(FindNamedFunction(std::span<const std::uint8_t, 4>(stop))->name, "Pause");
}

} // namespace
} // namespace corvane
