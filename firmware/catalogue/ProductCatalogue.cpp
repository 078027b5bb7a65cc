#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/UpgraderState.h"

namespace halvik
{
    namespace
    {
        struct NamedProduct
        {
            int id;
            const char* name;
        };

        // Every id the upgrader can show by name in the usual mode, ascending.
        const NamedProduct standardNames[] =
        {
            { 26,   "Qenta 32" },
            { 29,   "Sorra2 Go" },
            { 49,   "Spinna DJ4" },
            { 79,   "Mixora S8" },
            { 81,   "Padrix 16" },
            { 89,   "Mixora S4" },
            { 94,   "Mixora C4" },
            { 101,  "Tonvik 3" },
            { 102,  "Tonvik 4" },
            { 103,  "Tonvik 5" },
            { 104,  "Tonvik 6" },
            { 108,  "Tonvik Mini 25" },
            { 109,  "Tonvik Mini 32" },
            { 110,  "Tonvik 2S" },
            { 111,  "Tonvik 3S" },
            { 112,  "Tonvik 4S" },
            { 113,  "Tonvik 5S" },
            { 114,  "Tonvik 6S" },
            { 117,  "Faderon Pro" },
            { 118,  "Faderon M" },
            { 125,  "Tonvik 8" },
            { 126,  "Tonvik 8S" },
            { 130,  "Mixora C4 Pro" },
            { 133,  "Tonvik 3S Torqen III" },
            { 134,  "Tonvik 4S Torqen III" },
            { 135,  "Tonvik 5S Torqen III" },
            { 136,  "Tonvik 6S Torqen III" },
            { 137,  "Tonvik 8S Torqen III" },
            { 141,  "Tonvik Nano 3" },
            { 142,  "Tonvik Nano 4" },
            { 143,  "Tonvik Nano 5" },
            { 144,  "Tonvik Nano 6" },
            { 145,  "Tonvik Nano 8" },
            { 147,  "Tonvik 3X" },
            { 148,  "Tonvik 4X" },
            { 149,  "Tonvik 5X" },
            { 150,  "Tonvik 6X" },
            { 151,  "Tonvik 8X" },
            { 156,  "Faderon Pro X" },
            { 161,  "Faderon M8" },
            { 170,  "Faderon X" },
            { 176,  "Mixora Q8 Pro" },
            { 177,  "Mixora Q8" },
            { 179,  "Faderon Nano" },
            { 186,  "Faderon Air" },
            { 363,  "Lumeo 6S" },
            { 364,  "Lumeo 8S" },
            { 2048, "Strima 2" },
            { 2049, "Strima 2 Pro" },
            { 2052, "Faderon Air RX" },
            { 2054, "R7-Nano" },
            { 2055, "R7-M" },
            { 2056, "R7-X1" },
            { 2057, "W4-M" },
            { 2058, "W4-X1" },
            { 2067, "R7-X2" },
            { 2068, "R7-X3" },
            { 2069, "R7-X4" },
            { 2070, "R7-X5" },
            { 2071, "R7-X6" },
            { 2072, "R7-X7" },
            { 2073, "W4-X2" },
            { 2074, "W4-X3" },
            { 2075, "W4-X4" },
            { 2076, "W4-X5" },
            { 2077, "W4-X6" },
            { 2078, "W4-X7" },
            { 4114, "Bravio 2T" },
            { 4115, "Bravio 2" },
            { 4127, "Tessa2Nano S" },
            { 4128, "Dravel 25" },
            { 4129, "Dravel 37" },
            { 4130, "Dravel 49" },
            { 4131, "Dravel 61" },
            { 4132, "Dravel 88" },
            { 4133, "Dravel 25X" },
            { 4134, "Dravel 37X" },
            { 4135, "Dravel 49X" },
            { 4136, "Dravel 61X" },
            { 4137, "Dravel 88X" },
            { 4141, "Bravio 2 Pro" },
            { 4142, "Cantri 2" },
        };

        // The co-branded and older editions, shown only while the upgrader was
        // opened for one of them. 186 and 2052 carry the same names as above.
        const NamedProduct alternateNames[] =
        {
            { 74,   "Lumeo 6 MK2" },
            { 75,   "Lumeo 8" },
            { 99,   "Lumeo 5" },
            { 157,  "Faderon VM" },
            { 158,  "Faderon VX" },
            { 171,  "Faderon VX2" },
            { 186,  "Faderon Air" },
            { 187,  "Faderon V1" },
            { 324,  "Lumeo 6" },
            { 2050, "Strima 2 RX" },
            { 2052, "Faderon Air RX" },
        };

        template <size_t size>
        const char* findName (const NamedProduct (&table)[size], int productId)
        {
            for (auto& row : table)
                if (row.id == productId)
                    return row.name;

            return nullptr;
        }

        bool isInRange (int value, int first, int last)
        {
            return value >= first && value <= last;
        }

        // The two families of the USB-tool controllers start at their "X1"
        // model; X2 to X7 follow further up the id space.
        constexpr int firstGroupedId = 2056;
        constexpr int lastGroupedId  = 2078;
    }

    bool isKnownProduct (int productId)
    {
        return productId != noProductId;
    }

    int getProductIdOrDefault (int productId)
    {
        return isKnownProduct (productId) ? productId : noProductId;
    }

    juce::String getProductModelName (int productId)
    {
        const char* name = alternateModelNames == 1 ? findName (alternateNames, productId)
                                                    : findName (standardNames, productId);
        return name != nullptr ? juce::String (name) : juce::String ("Unknown");
    }

    bool usesAlternateModelNames (int productId)
    {
        switch (productId)
        {
            case 74: case 75: case 99: case 157: case 158: case 171:
            case 186: case 187: case 324: case 2050: case 2052:
                return true;
            default:
                return false;
        }
    }

    int getProductGroup (int productId)
    {
        if (productId == 2056 || isInRange (productId, 2067, 2072))
            return 2056;

        if (productId == 2058 || isInRange (productId, 2073, 2078))
            return 2058;

        return 0;
    }

    juce::Array<int> getProductGroupMembers (int groupId)
    {
        juce::Array<int> members;

        for (int id = firstGroupedId; id <= lastGroupedId; ++id)
            if (getProductGroup (id) == groupId)
                members.add (id);

        return members;
    }

    int getFlashMethod (int productId)
    {
        if (usesBootloaderTool (productId))
            return flashMethodUsbTool;

        if (isInRange (productId, 4128, 4137))
            return flashMethodKeyboard;

        return flashMethodMidiBootloader;
    }

    bool usesBootloaderTool (int productId)
    {
        return isInRange (productId, 2054, 2058) || isInRange (productId, 2067, 2078);
    }

    int getSysExModelCode (int productId)
    {
        switch (productId)
        {
            case 26: case 81:
                return 85;
            case 74: case 75: case 99: case 324:
                return 73;
            case 79: case 89:
                return 79;
            case 110: case 111: case 112: case 113: case 114: case 126:
                return 110;
            case 125:
                return 101;
            case 176: case 177:
                return 176;
            default:
                break;
        }

        const int group = getProductGroup (productId);
        return group != 0 ? group : productId;
    }
}
