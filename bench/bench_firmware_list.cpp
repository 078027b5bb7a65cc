// Times how long reading a firmware list takes when nearly all of it belongs
// to other products: the largest lists the program accepts are made of tiny
// entries of another product, plus one of the product asked for. The time per
// entry should stay flat as the list grows. Run by hand.

#include "firmware/list/FirmwareList.h"

#include <algorithm>
#include <cstdio>

int main()
{
    std::printf ("%10s %10s %12s %14s\n", "foreign", "bytes", "ms (best)", "ns per entry");

    // 262,139 four-byte entries, the product's own and the root's tags: 1 MiB less one byte.
    for (int foreign : { 65535, 131071, 262139 })
    {
        const auto text = "<f>" + juce::String::repeatedString ("<a/>", foreign) + "<a pid=\"7\"/></f>";
        const juce::MemoryBlock document (text.toRawUTF8(), text.getNumBytesAsUTF8());
        double best = 1.0e12;
        int kept = 0;

        for (int run = 0; run < 3; ++run)
        {
            juce::ValueTree list ("firmwares");
            const auto start = juce::Time::getMillisecondCounterHiRes();
            const auto result = halvik::readFirmwareList (document, 7, list);
            best = std::min (best, juce::Time::getMillisecondCounterHiRes() - start);
            kept = result.wasOk() ? list.getNumChildren() : -1;
        }

        std::printf ("%10d %10d %12.1f %14.1f   kept %d\n", foreign, (int) document.getSize(),
                     best, best * 1.0e6 / (foreign + 1), kept);
    }

    return 0;
}
