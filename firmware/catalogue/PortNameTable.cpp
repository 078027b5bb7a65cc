#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/UpgraderState.h"

namespace halvik
{
    namespace
    {
        struct PortPattern
        {
            const char* pattern;
            int productId;
        };

        // Order is the whole design: longer names come before the shorter names
        // they contain, and names that must not be recognised in this mode map
        // to 2000 before a shorter pattern could claim them. '?' stands for the
        // blank, dash or underscore between a family word and its size.
        const PortPattern standardPatterns[] =
        {
            // Mixora control surfaces
            { "*mixora?c4?g2*",     noProductId },
            { "*mixora?c4?pro*",    130 },
            { "*mixora?c4*",        94 },
            { "*mixora?q8?pro*",    176 },
            { "*mixora?q8*",        177 },
            { "*mixora?s8*",        79 },
            { "*mixora?s4*",        89 },

            // Faderon control surfaces; the co-branded editions and the air
            // models belong to the alternate list, the g2 edition to neither
            { "*faderon?v1*",       noProductId },
            { "*faderon?vx*",       noProductId },
            { "*faderon?pro?x*",    156 },
            { "*faderon?vm*",       noProductId },
            { "*faderon?pro*",      117 },
            { "*faderon?m8*",       161 },
            { "*faderon?m*",        118 },
            { "*faderon?x*",        170 },
            { "*faderon?air*",      noProductId },
            { "*faderon?g2*",       noProductId },

            { "*r7-nano*",          2054 },
            { "*faderon?nano*",     179 },
            { "*r7-m*",             2055 },

            // The group's X1 model is tried after X2 to X7
            { "*r7-x2*",            2067 },
            { "*r7-x3*",            2068 },
            { "*r7-x4*",            2069 },
            { "*r7-x5*",            2070 },
            { "*r7-x6*",            2071 },
            { "*r7-x7*",            2072 },
            { "*r7-x1*",            2056 },

            { "*w4-m*",             2057 },
            { "*w4-x2*",            2073 },
            { "*w4-x3*",            2074 },
            { "*w4-x4*",            2075 },
            { "*w4-x5*",            2076 },
            { "*w4-x6*",            2077 },
            { "*w4-x7*",            2078 },
            { "*w4-x*",             2058 },   // the X1 and any other W4 X name

            { "*padrix?16*",        81 },
            { "*qenta?32?pro*",     noProductId },
            { "*qenta?32*",         26 },

            { "*tonvik?3x*",        147 },
            { "*tonvik?4x*",        148 },
            { "*tonvik?5x*",        149 },
            { "*tonvik?6x*",        150 },
            { "*tonvik?8x*",        151 },

            // X keyboards before the plain ones whose names they contain
            { "*dravel?25x*",       4133 },
            { "*dravel?37x*",       4134 },
            { "*dravel?49x*",       4135 },
            { "*dravel?61x*",       4136 },
            { "*dravel?88x*",       4137 },

            // Torqen III editions: the plug-in edition name, then the edition's own
            { "*tonvik?3s?px*",     133 },
            { "*tonvik?3s?torqen*", 133 },
            { "*tonvik?4s?px*",     134 },
            { "*tonvik?4s?torqen*", 134 },
            { "*tonvik?5s?px*",     135 },
            { "*tonvik?5s?torqen*", 135 },
            { "*tonvik?6s?px*",     136 },
            { "*tonvik?6s?torqen*", 136 },
            { "*tonvik?8s?px*",     137 },
            { "*tonvik?8s?torqen*", 137 },

            { "*tonvik?3s*",        111 },
            { "*tonvik?4s*",        112 },
            { "*tonvik?5s*",        113 },
            { "*tonvik?6s*",        114 },
            { "*tonvik?8s*",        126 },
            { "*tonvik?mini?25*",   108 },
            { "*tonvik?mini?32*",   109 },

            { "*dravel?25*",        4128 },
            { "*dravel?37*",        4129 },
            { "*dravel?49*",        4130 },
            { "*dravel?61*",        4131 },
            { "*dravel?88*",        4132 },

            { "*tonvik?nano?3*",    141 },
            { "*tonvik?nano?4*",    142 },
            { "*tonvik?nano?5*",    143 },
            { "*tonvik?nano?6*",    144 },
            { "*tonvik?nano?8*",    145 },

            // Older ports spell the family word apart
            { "*ton*vik?3*",        101 },
            { "*ton*vik?4*",        102 },
            { "*ton*vik?5*",        103 },
            { "*ton*vik?6*",        104 },
            { "*ton*vik?8*",        125 },

            { "*lumeo?6s*",         363 },
            { "*lumeo?s6*",         363 },
            { "*lumeo?8s*",         364 },
            { "*lumeo?s8*",         364 },

            { "*spinna?dj4*",       49 },
            { "*spinna?4*",         49 },

            { "*strima?2?pro*",     2049 },
            { "*emitra?2?pro*",     2049 },
            { "*strima?2?rx*",      noProductId },
            { "*strima?2*",         2048 },

            { "*sorra2?go*",        29 },

            { "*cantri?2?pro*",     4141 },
            { "*bravio?2?pro*",     4141 },
            { "*bravio?2t*",        4114 },
            { "*cantri?2*",         4142 },
            { "*bravio?2*",         4115 },
            { "*tessa2nano?s*",     4127 },
        };

        const PortPattern alternatePatterns[] =
        {
            { "*faderon?v1*",       187 },
            { "*faderon?vx2*",      171 },
            { "*faderon?vx*",       158 },
            { "*faderon?vm*",       157 },
            { "*faderon?air?rx*",   2052 },
            { "*faderon?air*",      186 },
            { "*lumeo?5?mk2*",      99 },
            { "*lumeo?5?plus*",     99 },
            { "*lumeo?5*",          99 },
            { "*lumeo?6?mk2*",      74 },
            { "*lumeo?6?plus*",     74 },
            { "*lumeo?6*",          324 },
            { "*lumeo?8?mk2*",      75 },
            { "*lumeo?8?plus*",     75 },
            { "*lumeo?8*",          75 },
            { "*strima?2?rx*",      2050 },
        };

        static_assert (sizeof (standardPatterns) / sizeof (standardPatterns[0]) == 97,
                       "the standard port list has 97 rows");
        static_assert (sizeof (alternatePatterns) / sizeof (alternatePatterns[0]) == 16,
                       "the alternate port list has 16 rows");

        template <size_t size>
        int findProductId (const PortPattern (&patterns)[size], const juce::String& name)
        {
            for (auto& row : patterns)
                if (name.matchesWildcard (row.pattern, true))
                    return row.productId;

            return noProductId;
        }
    }

    int getProductIdFromPortName (const juce::String& portName)
    {
        const auto name = portName.toLowerCase().trim();

        return alternateModelNames == 1 ? findProductId (alternatePatterns, name)
                                        : findProductId (standardPatterns, name);
    }
}
