#include "support/UpgraderFixture.h"

#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"

using namespace halvik;

using PortNameTable = sim::UpgraderFixture;

TEST_F (PortNameTable, PortsNamedAfterAProductAreThatProductInEitherList)
{
    for (int alternate : { 0, 1 })
    {
        alternateModelNames = alternate;

        for (int id = -10; id <= 5000; ++id)
        {
            // 110 has no port pattern; the air models are known to the alternate list alone
            const auto name = getProductModelName (id);

            if (name != "Unknown" && (alternate == 1 || (id != 110 && id != 186 && id != 2052)))
                EXPECT_EQ (getProductIdFromPortName (name), id) << name;
        }
    }
}

TEST_F (PortNameTable, OddNamesAreReadByTheFirstPatternOfTheListInUse)
{
    struct Row { const char* name; int alternate; int id; };

    const Row rows[] {
        // Case, blanks and the system's port decorations do not matter.
        { "  DRAVEL 61  ", 0, 4131 }, { "Dravel 61X MIDI 2", 0, 4136 }, { "Dravel-88", 0, 4132 },
        { "Dravel_25", 0, 4128 }, { "MIDIOUT2 (Dravel 49X)", 0, 4135 },
        // One character between the word and the size, no more and no less.
        { "Dravel88", 0, 2000 }, { "Dravel  88", 0, 2000 }, { "", 0, 2000 }, { "Some Synth", 0, 2000 },
        // The first matching pattern decides, even when it means no product.
        { "R7-X9", 0, 2000 }, { "W4-X9", 0, 2058 }, { "w4 x1", 0, 2000 }, { "Mixora C4 G2", 0, 2000 },
        { "Strima 2 RX", 0, 2000 }, { "Emitra 2 Pro", 0, 2049 }, { "Tonvik 3S PX", 0, 133 }, { "Ton Vik 3", 0, 101 },
        // The alternate list alone is tried when it is switched on.
        { "Dravel 25", 1, 2000 }, { "R7-X1", 1, 2000 }, { "", 1, 2000 },
    };

    for (auto& row : rows)
    {
        alternateModelNames = row.alternate;
        EXPECT_EQ (getProductIdFromPortName (row.name), row.id) << '"' << row.name << "\" alternate " << row.alternate;
    }

    // The editions of the alternate list are no product of the standard one.
    for (int id : { 157, 158, 171, 186, 187, 2050, 2052 })
    {
        alternateModelNames = 1;
        const auto name = getProductModelName (id);
        alternateModelNames = 0;
        EXPECT_EQ (getProductIdFromPortName (name), 2000) << name;
    }
}
