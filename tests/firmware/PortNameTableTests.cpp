#include <gtest/gtest.h>
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/UpgraderState.h"

using namespace halvik;

namespace
{
    struct PortNameTableTest : ::testing::Test
    {
        void SetUp() override    { resetUpgraderState(); }
        void TearDown() override { resetUpgraderState(); }
    };

    using Row = std::pair<const char*, int>;

    void expectIds (std::initializer_list<Row> rows)
    {
        for (auto& [name, id] : rows)
            EXPECT_EQ (getProductIdFromPortName (name), id) << '"' << name << '"';
    }
}

TEST_F (PortNameTableTest, PortsNamedAfterAProductAreThatProduct)
{
    // 110 has no port pattern; the air models are only known to the alternate list
    for (int id = -10; id <= 5000; ++id)
    {
        const auto name = getProductModelName (id);
        if (name == "Unknown" || id == 110 || id == 186 || id == 2052)
            continue;
        EXPECT_EQ (getProductIdFromPortName (name), id) << name;
    }

    alternateModelNames = 1;
    for (int id = -10; id <= 5000; ++id)
    {
        const auto name = getProductModelName (id);
        if (name != "Unknown")
            EXPECT_EQ (getProductIdFromPortName (name), id) << name;
    }
}

TEST_F (PortNameTableTest, KeyboardNamesAreFoundWhateverTheirCaseBlanksAndPortSuffix)
{
    expectIds ({ { "  DRAVEL 61  ", 4131 }, { "Dravel 61X MIDI", 4136 }, { "Dravel-88", 4132 },
                 { "Dravel_25", 4128 }, { "MIDIOUT2 (Dravel 49X)", 4135 }, { "Dravel 49 MIDI 2", 4130 },
                 { "Dravel 61X MIDI 2", 4136 } });
}

TEST_F (PortNameTableTest, KeyboardNameNeedsOneCharacterBetweenWordAndSize)
{
    expectIds ({ { "Dravel88", 2000 }, { "Dravel  88", 2000 }, { "", 2000 }, { "Some Synth", 2000 } });
}

TEST_F (PortNameTableTest, TheFirstMatchingPatternDecidesEvenWhenItMeansNoProduct)
{
    expectIds ({ { "R7-X1", 2056 }, { "R7-X9", 2000 }, { "W4-X9", 2058 }, { "w4 x1", 2000 },
                 { "Mixora C4 G2", 2000 }, { "Qenta 32 Pro", 2000 }, { "Faderon G2", 2000 },
                 { "Strima 2 RX", 2000 }, { "Emitra 2 Pro", 2049 }, { "Tonvik 3S PX", 133 },
                 { "Tonvik-8", 125 }, { "Ton Vik 3", 101 }, { "Cantri 2 Pro", 4141 } });
}

TEST_F (PortNameTableTest, AlternateListAloneIsTriedWhenSwitchedOn)
{
    alternateModelNames = 1;
    expectIds ({ { "Dravel 25", 2000 }, { "R7-X1", 2000 }, { "", 2000 } });

    alternateModelNames = 0;
    EXPECT_EQ (getProductIdFromPortName ("Dravel 25"), 4128);
}

TEST_F (PortNameTableTest, EditionsOfTheOtherListAreExcludedInTheStandardList)
{
    for (int id : { 157, 158, 171, 186, 187, 2050, 2052 })
    {
        alternateModelNames = 1;
        const auto name = getProductModelName (id);
        EXPECT_EQ (getProductIdFromPortName (name), id) << name;

        alternateModelNames = 0;
        EXPECT_EQ (getProductIdFromPortName (name), 2000) << name;
    }
}
