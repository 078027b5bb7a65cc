#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** One step of the check value: sin ((sin (byte + 1) + acc) * k). */
    double checkValueStep (double acc, juce::uint8 byte, int k);

    /** The check value that proves a written image by its read-back: every
        byte, in order, goes through checkValueStep starting from initial; the
        result is the end value times 10000000, truncated to an int, made
        positive. The flash procedure uses 0.0 and 3. Any thread. */
    int imageCheckValue (const juce::MemoryBlock& bytes, double initial, int k);
}
