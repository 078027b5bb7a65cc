#include "firmware/catalogue/FirmwareFileNames.h"

namespace halvik
{
    namespace
    {
        // The image names of one product, or of several that share an image.
        struct NamePatterns
        {
            int firstId, lastId;
            const char* patterns[3];
        };

        // Images are named after the display names: the family word, the
        // model's size or edition and the version, joined by "_". Where one
        // model's name begins another's ("Mixora C4" and "Mixora C4 Pro"), the
        // "_v" of the version keeps the shorter model from taking the longer
        // one's image.
        const NamePatterns namePatterns[] =
        {
            // Dravel keyboards: a plain model's pattern also fits its X image.
            { 4128, 4132, { "*dravel_??*" } },
            { 4133, 4137, { "*dravel_??x_*" } },

            // The controllers flashed with the USB tool; a group shares one image.
            { 2054, 2054, { "*r7_nano_*" } },
            { 2055, 2055, { "*r7_m_*" } },
            { 2056, 2056, { "*r7_x_*" } },
            { 2067, 2072, { "*r7_x_*" } },
            { 2057, 2057, { "*w4_m_*" } },
            { 2058, 2058, { "*w4_x_*" } },
            { 2073, 2078, { "*w4_x_*" } },

            // Tried on the name with its separators removed (see below).
            { 4127, 4127, { "*tessa2nanoS*" } },

            // Tonvik keyboards.
            { 101,  104,  { "*tonvik_?_v?.??*" } },
            { 125,  125,  { "*tonvik_?_v?.??*" } },
            { 110,  114,  { "*tonvik_?s_torqen_iii_v*", "*tonvik_?s_torqen3_v*", "*tonvik_?s_v*" } },
            { 126,  126,  { "*tonvik_?s_torqen_iii_v*", "*tonvik_?s_torqen3_v*", "*tonvik_?s_v*" } },
            { 133,  137,  { "*tonvik_?s_torqen_iii_v*", "*tonvik_?s_torqen3_v*" } },
            { 108,  109,  { "*tonvik_mini_??_v*" } },
            { 141,  145,  { "*tonvik_nano_?_v*" } },
            { 147,  151,  { "*tonvik_?x_v*" } },

            { 26,   26,   { "*qenta_32_v*", "*qenta32_v*" } },
            { 49,   49,   { "*spinna_dj4_v*" } },
            { 81,   81,   { "*padrix_16_v*" } },

            // Lumeo keyboards.
            { 74,   74,   { "*lumeo_6_mk2_v*", "*lumeo_6mk2_v*" } },
            { 75,   75,   { "*lumeo_8_v*", "*lumeo8_v*", "*lumeo_8_mk1_v*" } },
            { 99,   99,   { "*lumeo_5_v*", "*lumeo5_v*", "*lumeo_5_mk1_v*" } },
            { 324,  324,  { "*lumeo_6_v*" } },
            { 363,  363,  { "*lumeo_6s_v*", "*lumeo6s_v*" } },
            { 364,  364,  { "*lumeo_8s_v*", "*lumeo8s_v*" } },

            // Mixora surfaces: the S4 and S8 share an image, and so do both Q8s.
            { 79,   79,   { "*mixora_s?_v*" } },
            { 89,   89,   { "*mixora_s?_v*" } },
            { 94,   94,   { "*mixora_c4_v*" } },
            { 130,  130,  { "*mixora_c4_pro_v*" } },
            { 176,  177,  { "*mixora_q8_*" } },

            // Faderon surfaces.
            { 117,  117,  { "*faderon_pro_v*" } },
            { 118,  118,  { "*faderon_m_v*" } },
            { 156,  156,  { "*faderon_pro_x_v*" } },
            { 161,  161,  { "*faderon_m8_v*" } },
            { 179,  179,  { "*faderon_nano_v*" } },
            { 186,  186,  { "*faderon_air_v*" } },
            { 2052, 2052, { "*faderon_air_rx_v*" } },

            // Audio and streaming interfaces.
            { 2048, 2048, { "*strima_2_v*" } },
            { 2049, 2049, { "*strima_2_pro_v*" } },
            { 2050, 2050, { "*strima_2_rx_v*" } },
            { 4114, 4114, { "*bravio_2t_v*" } },
            { 4115, 4115, { "*bravio_2_v*" } },
            { 4141, 4141, { "*bravio_2_pro_v*" } },
            { 4142, 4142, { "*cantri_2_v*" } },
        };

        constexpr int tessaProductId = 4127;
    }

    bool firmwareFileMatchesProduct (const juce::String& fileName, int productId)
    {
        for (auto& row : namePatterns)
        {
            if (productId < row.firstId || productId > row.lastId)
                continue;

            // "Tessa2Nano S" images are written with blanks, dashes or
            // underscores between the parts of the name, or without.
            const auto name = productId == tessaProductId ? fileName.removeCharacters ("_ -")
                                                          : fileName;

            for (auto* pattern : row.patterns)
                if (pattern != nullptr && name.matchesWildcard (pattern, true))
                    return true;

            return false;
        }

        return true;
    }
}
