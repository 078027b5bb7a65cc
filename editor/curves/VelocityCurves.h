#pragma once

#include <juce_core/juce_core.h>

namespace NsDravel
{
    /** Number of velocity curves the keyboard knows; curve 8 is the user curve. */
    constexpr int numVelocityCurves = 8;

    /** Curve number of the curve the user draws. */
    constexpr int userCurveNumber = 8;

    /** Entries per curve: the keyboard's velocity for each of its 256 key-speed steps. */
    constexpr int velocityCurveLength = 256;

    /** The curves, curve k at index k - 1, in the keyboard's own order (index 0 is
        the fastest keystroke). Curves 1 to 7 are fixed; the user curve starts as a
        copy of curve 1 and is changed only by the curve editor. Message thread. */
    extern juce::uint8 velocityCurves[numVelocityCurves][velocityCurveLength];

    /** The 256 entries of curve 1..8, or nullptr for any other number. */
    const juce::uint8* getVelocityCurve (int curveNumber);

    /** Puts the user curve back to its start (a copy of curve 1). For tests. */
    void resetUserVelocityCurve();
}
