#include "firmware/tool/ImageCheckValue.h"

#include <cmath>
#include <cstdlib>

namespace halvik
{
    double checkValueStep (double acc, juce::uint8 byte, int k)
    {
        return std::sin ((std::sin ((double) byte + 1.0) + acc) * (double) k);
    }

    int imageCheckValue (const juce::MemoryBlock& bytes, double initial, int k)
    {
        auto acc = initial;

        for (size_t i = 0; i < bytes.getSize(); ++i)
            acc = checkValueStep (acc, (juce::uint8) bytes[i], k);

        return std::abs ((int) (acc * 10000000.0));
    }
}
