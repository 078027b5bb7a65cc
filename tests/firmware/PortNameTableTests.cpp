#include <gtest/gtest.h>
#include "firmware/PortNameTable.h"
#include "firmware/ProductCatalogue.h"
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

TEST_F (PortNameTableTest, KeyboardNamesAreFoundWhateverTheirCaseAndBlanks)
{
    expectIds ({ { "  DRAVEL 61  ", 4131 }, { "Dravel 61X MIDI", 4136 }, { "Dravel-88", 4132 },
                 { "Dravel_25", 4128 }, { "Dravel 37", 4129 }, { "dravel 49", 4130 },
                 { "Dravel 25X", 4133 }, { "Dravel 37x", 4134 }, { "Dravel 49X", 4135 },
                 { "Dravel 88X", 4137 }, { "MIDIIN2 (Dravel 49)", 4130 },
                 { "MIDIOUT2 (Dravel 49X)", 4135 } });
}

TEST_F (PortNameTableTest, KeyboardNameNeedsOneCharacterBetweenWordAndSize)
{
    expectIds ({ { "Dravel88", 2000 }, { "Dravel  88", 2000 }, { "", 2000 }, { "   ", 2000 },
                 { "Some Synth", 2000 } });
}

TEST_F (PortNameTableTest, LinuxPortNamesOfTheKeyboardAreRecognised)
{
    expectIds ({ { "Dravel 49 MIDI 1", 4130 }, { "Dravel 49 MIDI 2", 4130 },
                 { "Dravel 61X MIDI 2", 4136 }, { "Dravel 88 MIDI 2", 4132 } });
}

TEST_F (PortNameTableTest, ControllerXModelsAreTriedBeforeTheirGroupHead)
{
    expectIds ({ { "R7-Nano", 2054 }, { "R7-M", 2055 }, { "R7-X1", 2056 }, { "R7-X2", 2067 },
                 { "R7-X3", 2068 }, { "R7-X4", 2069 }, { "R7-X5", 2070 }, { "R7-X6", 2071 },
                 { "R7-X7", 2072 }, { "R7-X9", 2000 },
                 { "W4-M", 2057 }, { "W4-X1", 2058 }, { "W4-X2", 2073 }, { "W4-X3", 2074 },
                 { "W4-X4", 2075 }, { "W4-X5", 2076 }, { "W4-X6", 2077 }, { "W4-X7", 2078 },
                 { "W4-X9", 2058 }, { "w4 x1", 2000 } });
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

TEST_F (PortNameTableTest, ExcludedEditionsEndTheSearchWithNoProduct)
{
    expectIds ({ { "Mixora C4 G2", 2000 }, { "Mixora C4", 94 }, { "Qenta 32 Pro", 2000 },
                 { "Qenta 32", 26 }, { "Faderon G2", 2000 }, { "Strima 2 RX", 2000 },
                 { "Strima 2", 2048 }, { "Emitra 2 Pro", 2049 } });
}

TEST_F (PortNameTableTest, LongerModelNamesWinOverTheNamesTheyContain)
{
    expectIds ({ { "Mixora C4 Pro", 130 }, { "Mixora Q8 Pro", 176 }, { "Faderon Pro X", 156 },
                 { "Faderon M8", 161 }, { "Tonvik 3S PX", 133 }, { "Tonvik 8S Torqen III", 137 },
                 { "Tonvik 8S", 126 }, { "Tonvik-8", 125 }, { "Ton Vik 3", 101 },
                 { "Bravio 2 Pro", 4141 }, { "Cantri 2 Pro", 4141 }, { "Bravio 2T", 4114 } });
}
