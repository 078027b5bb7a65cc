// The firmware list reader on any bytes a server may send. Whatever it
// accepts holds only the product's entries, and the newest is one of them.

#include "firmware/list/FirmwareList.h"

#include <cstdio>
#include <cstdlib>

namespace
{
    constexpr int productId = 4130;

    [[noreturn]] void fault (const char* what)
    {
        std::fprintf (stderr, "firmware list: %s\n", what);
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    juce::ValueTree list ("firmwares");
    const auto result = halvik::readFirmwareList ({ data, size }, productId, list);

    if (result.wasOk() && list.getNumChildren() == 0)
        fault ("an accepted list is empty");

    juce::StringArray paths;

    for (const auto& entry : list)
    {
        if ((int) entry["pid"] != productId)
            fault ("an entry of another product was kept");

        paths.add (entry["fw"].toString());
    }

    if (list.getNumChildren() > 0 && ! paths.contains (halvik::getNewestFirmwarePath (list)))
        fault ("the newest path is not an entry's");

    return 0;
}
