#include <gtest/gtest.h>
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/UpgraderState.h"

using namespace halvik;

namespace
{
    struct CatalogueTest : ::testing::Test
    {
        void SetUp() override    { resetUpgraderState(); }
        void TearDown() override { resetUpgraderState(); }
    };

    int countOfIdsWithAName()
    {
        int count = 0;
        for (int id = -10; id <= 5000; ++id)
            if (getProductModelName (id) != "Unknown")
                ++count;
        return count;
    }
}

TEST_F (CatalogueTest, EachNameTableHoldsItsProductsAndOnlyThose)
{
    EXPECT_EQ (getProductModelName (4128), "Dravel 25");
    EXPECT_EQ (getProductModelName (4137), "Dravel 88X");
    EXPECT_EQ (getProductModelName (2078), "W4-X7");
    EXPECT_EQ (getProductModelName (2000), "Unknown");
    EXPECT_EQ (getProductModelName (74), "Unknown");
    EXPECT_EQ (countOfIdsWithAName(), 82);

    alternateModelNames = 1;
    EXPECT_EQ (getProductModelName (4128), "Unknown");
    EXPECT_EQ (getProductModelName (2052), "Faderon Air RX");
    EXPECT_EQ (countOfIdsWithAName(), 11);

    // The alternate products are exactly the ones the alternate table names
    for (int id = -10; id <= 5000; ++id)
        EXPECT_EQ (usesAlternateModelNames (id), getProductModelName (id) != "Unknown") << id;

    // Only the exact value 1 selects the alternate table
    alternateModelNames = 2;
    EXPECT_EQ (getProductModelName (4128), "Dravel 25");
}

TEST_F (CatalogueTest, OnlyTwoThousandIsTheUnknownProduct)
{
    EXPECT_FALSE (isKnownProduct (2000));
    EXPECT_TRUE (isKnownProduct (-1));
    EXPECT_EQ (getProductIdOrDefault (4130), 4130);
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
}

TEST_F (CatalogueTest, FlashMethodFollowsTheProductFamily)
{
    const std::pair<int, int> rows[] =
    {
        { 2053, 2 }, { 2054, 3 }, { 2058, 3 }, { 2059, 2 }, { 2066, 2 }, { 2067, 3 },
        { 2078, 3 }, { 2079, 2 }, { 4127, 2 }, { 4128, 4 }, { 4137, 4 }, { 4138, 2 },
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
        { 81, 85 }, { 324, 73 }, { 89, 79 }, { 126, 110 }, { 125, 101 }, { 177, 176 },
        { 2067, 2056 }, { 2078, 2058 }, { 2057, 2057 }, { 4130, 4130 }, { 2000, 2000 },
    };
    for (auto& [id, code] : rows)
        EXPECT_EQ (getSysExModelCode (id), code) << id;
}
