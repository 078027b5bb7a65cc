#include "support/UpgraderFixture.h"

#include "firmware/catalogue/FirmwareFileNames.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"

using namespace halvik;

// The product catalogue: the products that port names and firmware file
// names stand for.

using PortNameTable = sim::UpgraderFixture;

TEST_F (PortNameTable, PortsNamedAfterAProductAreThatProductInEitherList)
{
    for (int alternate : { 0, 1, 2 })
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
        // The alternate list alone is tried when it is switched on (1; any other value is the standard list).
        { "Dravel 25", 1, 2000 }, { "R7-X1", 1, 2000 }, { "", 1, 2000 }, { "Dravel 25", 2, 4128 },
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

TEST (FirmwareFileNames, EachProductTakesItsOwnImagesAndRefusesOthers)
{
    const struct { const char* name; int product; bool accepted; } rows[] =
    {
        // Dravel: a plain model also takes its X image, an X model only X images.
        { "DRAVEL_49X_V1.02", 4135, true }, { "DRAVEL_49X_V1.02", 4130, true }, { "dravel_49_v1.02", 4130, true },
        { "dravel_49_v1.02", 4135, false }, { "dravel", 4130, false },

        // One image for a whole group of controllers.
        { "r7_x_v2.01", 2070, true }, { "r7_x_v2.01", 2055, false }, { "w4_x_v2.01", 2078, true },

        // "Tessa2Nano S" with or without separators between its parts.
        { "tessa2 nano-s_v1.10", 4127, true }, { "tessa_2_nano_s v1.10", 4127, true }, { "tessa2nanos", 4127, true },
        { "tessa2 nano m_v1.10", 4127, false },

        // A model whose name begins another's does not take the other's image.
        { "mixora_c4_pro_v1.20", 130, true }, { "mixora_c4_pro_v1.20", 94, false }, { "mixora_c4_v1.10", 94, true },
        { "tonvik_3_v1.2", 101, false }, { "tonvik_3s_v1.02", 101, false }, { "tonvik_3s_v1.02", 111, true },
        { "tonvik_3s_torqen_iii_v1.02", 133, true }, { "tonvik_3s_v1.02", 133, false },

        // Products without patterns take any file.
        { "anything", 2000, true }, { "", 157, true },
    };

    for (auto& row : rows)
        EXPECT_EQ (firmwareFileMatchesProduct (row.name, row.product), row.accepted) << row.name << " for " << row.product;
}
