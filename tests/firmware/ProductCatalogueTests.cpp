#include "support/UpgraderFixture.h"

#include "firmware/catalogue/ProductCatalogue.h"

using namespace halvik;

namespace
{
    using Catalogue = sim::UpgraderFixture;

    int countOfIdsWithAName()
    {
        int count = 0;

        for (int id = -10; id <= 5000; ++id)
            if (getProductModelName (id) != "Unknown")
                ++count;

        return count;
    }
}

TEST_F (Catalogue, EachNameTableHoldsItsProductsAndOnlyTheValueOneSelectsTheAlternateTable)
{
    EXPECT_EQ (getProductModelName (4137), "Dravel 88X");
    EXPECT_EQ (getProductModelName (2000), "Unknown");
    EXPECT_EQ (countOfIdsWithAName(), 82);

    alternateModelNames = 1;
    EXPECT_EQ (getProductModelName (4128), "Unknown");
    EXPECT_EQ (getProductModelName (2052), "Faderon Air RX");
    EXPECT_EQ (countOfIdsWithAName(), 11);

    for (int id = -10; id <= 5000; ++id)
        EXPECT_EQ (usesAlternateModelNames (id), getProductModelName (id) != "Unknown") << id;

    alternateModelNames = 2;
    EXPECT_EQ (getProductModelName (4128), "Dravel 25");
}

TEST_F (Catalogue, GroupsGatherTheXModelsOfEachControllerAndNoNeighbours)
{
    const std::pair<int, int> rows[] { { 2056, 2056 }, { 2072, 2056 }, { 2073, 2058 }, { 2078, 2058 },
                                       { 2057, 0 }, { 2059, 0 }, { 2066, 0 }, { 2055, 0 }, { 2079, 0 } };

    for (auto& [id, group] : rows)
        EXPECT_EQ (getProductGroup (id), group) << id;

    EXPECT_EQ (getProductGroupMembers (2058), (juce::Array<int> { 2058, 2073, 2074, 2075, 2076, 2077, 2078 }));
    EXPECT_TRUE (getProductGroupMembers (2057).isEmpty());
}

TEST_F (Catalogue, TheBootloaderToolServesExactlyTheProductsOfItsFlashMethod)
{
    const std::pair<int, int> rows[] { { 2053, 2 }, { 2054, 3 }, { 2079, 2 }, { 4127, 2 }, { 4128, 4 }, { 4137, 4 }, { 4138, 2 } };

    for (auto& [id, method] : rows)
        EXPECT_EQ (getFlashMethod (id), method) << id;

    for (int id = 0; id <= 5000; ++id)
        EXPECT_EQ (usesBootloaderTool (id), getFlashMethod (id) == 3) << id;
}
