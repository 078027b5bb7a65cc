#include <gtest/gtest.h>
#include "firmware/ProductCatalogue.h"
#include "firmware/UpgraderState.h"

#include <set>

using namespace halvik;

namespace
{
    struct CatalogueTest : ::testing::Test
    {
        void SetUp() override    { resetUpgraderState(); }
        void TearDown() override { resetUpgraderState(); }
    };

    std::set<int> range (int first, int last)
    {
        std::set<int> ids;
        for (int id = first; id <= last; ++id)
            ids.insert (id);
        return ids;
    }

    std::set<int> idsWithAName()
    {
        std::set<int> ids;
        for (int id = -10; id <= 5000; ++id)
            if (getProductModelName (id) != "Unknown")
                ids.insert (id);
        return ids;
    }
}

TEST_F (CatalogueTest, KeyboardAndControllerNamesAreTheFixedOnes)
{
    const std::pair<int, const char*> rows[] =
    {
        { 4128, "Dravel 25" },  { 4129, "Dravel 37" },  { 4130, "Dravel 49" },
        { 4131, "Dravel 61" },  { 4132, "Dravel 88" },  { 4133, "Dravel 25X" },
        { 4134, "Dravel 37X" }, { 4135, "Dravel 49X" }, { 4136, "Dravel 61X" },
        { 4137, "Dravel 88X" }, { 4127, "Tessa2Nano S" },
        { 2054, "R7-Nano" }, { 2055, "R7-M" }, { 2056, "R7-X1" },
        { 2067, "R7-X2" }, { 2068, "R7-X3" }, { 2069, "R7-X4" }, { 2070, "R7-X5" },
        { 2071, "R7-X6" }, { 2072, "R7-X7" },
        { 2057, "W4-M" }, { 2058, "W4-X1" },
        { 2073, "W4-X2" }, { 2074, "W4-X3" }, { 2075, "W4-X4" }, { 2076, "W4-X5" },
        { 2077, "W4-X6" }, { 2078, "W4-X7" },
    };

    for (auto& [id, name] : rows)
        EXPECT_EQ (getProductModelName (id), name) << id;
}

TEST_F (CatalogueTest, StandardNameTableHoldsExactlyTheEightyTwoProducts)
{
    std::set<int> expected { 26, 29, 49, 79, 81, 89, 94, 117, 118, 125, 126, 130,
                             156, 161, 170, 176, 177, 179, 186, 363, 364,
                             2048, 2049, 2052, 4114, 4115, 4127, 4141, 4142 };
    for (auto block : { range (101, 104), range (108, 114), range (133, 137), range (141, 145),
                        range (147, 151), range (2054, 2058), range (2067, 2078), range (4128, 4137) })
        expected.insert (block.begin(), block.end());

    ASSERT_EQ (expected.size(), 82u);
    EXPECT_EQ (idsWithAName(), expected);
}

TEST_F (CatalogueTest, AlternateNameTableHoldsExactlyTheAlternateProducts)
{
    const std::set<int> expected { 74, 75, 99, 157, 158, 171, 186, 187, 324, 2050, 2052 };

    std::set<int> alternate;
    for (int id = -10; id <= 5000; ++id)
        if (usesAlternateModelNames (id))
            alternate.insert (id);
    EXPECT_EQ (alternate, expected);

    alternateModelNames = 1;
    EXPECT_EQ (idsWithAName(), expected);
}

TEST_F (CatalogueTest, ProductsInBothTablesKeepTheirName)
{
    for (int id : { 186, 2052 })
    {
        alternateModelNames = 0;
        const auto standard = getProductModelName (id);
        alternateModelNames = 1;
        EXPECT_EQ (getProductModelName (id), standard);
    }
}

TEST_F (CatalogueTest, UnknownIdsAndIdsOfTheOtherTableHaveNoName)
{
    EXPECT_EQ (getProductModelName (2000), "Unknown");
    EXPECT_EQ (getProductModelName (-1), "Unknown");
    EXPECT_EQ (getProductModelName (74), "Unknown");

    alternateModelNames = 1;
    EXPECT_EQ (getProductModelName (4128), "Unknown");

    // Only the exact value 1 selects the alternate table
    alternateModelNames = 2;
    EXPECT_EQ (getProductModelName (4128), "Dravel 25");
}

TEST_F (CatalogueTest, OnlyTwoThousandIsTheUnknownProduct)
{
    EXPECT_FALSE (isKnownProduct (2000));
    EXPECT_TRUE (isKnownProduct (0));
    EXPECT_TRUE (isKnownProduct (-1));
    EXPECT_EQ (getProductIdOrDefault (4130), 4130);
    EXPECT_EQ (getProductIdOrDefault (2000), 2000);
}

TEST_F (CatalogueTest, GroupsGatherTheXModelsOfEachController)
{
    const std::pair<int, int> rows[] =
    {
        { 2056, 2056 }, { 2067, 2056 }, { 2072, 2056 },
        { 2058, 2058 }, { 2073, 2058 }, { 2078, 2058 },
        { 2057, 0 }, { 2059, 0 }, { 2066, 0 }, { 2055, 0 }, { 2079, 0 }, { 4130, 0 },
    };
    for (auto& [id, group] : rows)
        EXPECT_EQ (getProductGroup (id), group) << id;

    EXPECT_EQ (getProductGroupMembers (2056), (juce::Array<int> { 2056, 2067, 2068, 2069, 2070, 2071, 2072 }));
    EXPECT_EQ (getProductGroupMembers (2058), (juce::Array<int> { 2058, 2073, 2074, 2075, 2076, 2077, 2078 }));
    EXPECT_TRUE (getProductGroupMembers (2057).isEmpty());

    juce::StringArray names;
    for (int id : getProductGroupMembers (2056))
        names.add (getProductModelName (id));
    EXPECT_EQ (names.joinIntoString (","), "R7-X1,R7-X2,R7-X3,R7-X4,R7-X5,R7-X6,R7-X7");
}

TEST_F (CatalogueTest, FlashMethodFollowsTheProductFamily)
{
    const std::pair<int, int> rows[] =
    {
        { 2053, 2 }, { 2054, 3 }, { 2058, 3 }, { 2059, 2 }, { 2066, 2 }, { 2067, 3 },
        { 2078, 3 }, { 2079, 2 }, { 4127, 2 }, { 4128, 4 }, { 4137, 4 }, { 4138, 2 },
        { 2000, 2 }, { 26, 2 },
    };
    for (auto& [id, method] : rows)
        EXPECT_EQ (getFlashMethod (id), method) << id;

    for (int id = 0; id <= 5000; ++id)
        EXPECT_EQ (usesBootloaderTool (id), getFlashMethod (id) == 3) << id;
}

TEST_F (CatalogueTest, ProductsSharingFirmwareAnswerToOneModelCode)
{
    const std::pair<int, int> rows[] =
    {
        { 26, 85 }, { 81, 85 }, { 74, 73 }, { 75, 73 }, { 99, 73 }, { 324, 73 },
        { 79, 79 }, { 89, 79 }, { 110, 110 }, { 111, 110 }, { 114, 110 }, { 126, 110 },
        { 125, 101 }, { 176, 176 }, { 177, 176 },
        { 2056, 2056 }, { 2067, 2056 }, { 2070, 2056 }, { 2072, 2056 },
        { 2058, 2058 }, { 2073, 2058 }, { 2078, 2058 },
        { 2057, 2057 }, { 4130, 4130 }, { 101, 101 }, { 157, 157 }, { 2000, 2000 },
    };
    for (auto& [id, code] : rows)
        EXPECT_EQ (getSysExModelCode (id), code) << id;
}
