#include <gtest/gtest.h>
#include "firmware/catalogue/FirmwareFileNames.h"

using namespace halvik;

TEST (FirmwareFileNames, EachProductTakesItsOwnImagesAndRefusesOthers)
{
    struct Row
    {
        const char* name;
        int product;
        bool accepted;
    };

    const Row rows[] =
    {
        // Dravel: a plain model also takes its X image, an X model only X images.
        { "DRAVEL_49X_V1.02",            4135, true },
        { "DRAVEL_49X_V1.02",            4130, true },
        { "dravel_49_v1.02",             4130, true },
        { "dravel_49_v1.02",             4135, false },
        { "dravel",                      4130, false },

        // One image for a whole group of controllers.
        { "r7_x_v2.01",                  2070, true },
        { "r7_x_v2.01",                  2055, false },
        { "w4_x_v2.01",                  2078, true },

        // "Tessa2Nano S" with or without separators between its parts.
        { "tessa2 nano-s_v1.10",         4127, true },
        { "tessa_2_nano_s v1.10",        4127, true },
        { "tessa2nanos",                 4127, true },
        { "tessa2 nano m_v1.10",         4127, false },

        // A model whose name begins another's does not take the other's image.
        { "mixora_c4_pro_v1.20",         130,  true },
        { "mixora_c4_pro_v1.20",         94,   false },
        { "mixora_c4_v1.10",             94,   true },
        { "tonvik_3_v1.2",               101,  false },
        { "tonvik_3s_v1.02",             101,  false },
        { "tonvik_3s_v1.02",             111,  true },
        { "tonvik_3s_torqen_iii_v1.02",  133,  true },
        { "tonvik_3s_v1.02",             133,  false },
        { "mixora_q8_pro_v1.00",         177,  true },

        // Products without patterns take any file.
        { "anything",                    2000, true },
        { "anything",                    29,   true },
        { "",                            157,  true },
    };

    for (auto& row : rows)
        EXPECT_EQ (firmwareFileMatchesProduct (row.name, row.product), row.accepted) << row.name << " for " << row.product;
}
