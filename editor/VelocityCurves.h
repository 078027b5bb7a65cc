#pragma once

#include <juce_core/juce_core.h>

namespace NsDravel
{
    /** Number of velocity curves the keyboard knows; curve numbers run 1..8. */
    constexpr int numVelocityCurves = 8;

    /** Entries in one curve table, indexed by the keyboard's strike-time index 0..255. */
    constexpr int velocityCurveLength = 256;

    /** The curve the user draws; the only one that can change. */
    constexpr int userCurveNumber = 8;

    /** The eight curve tables, curve n at [n - 1], each 256 velocities 0..127 in the
        keyboard's own order (index 0 is the hardest strike). Curves 1..7 are fixed;
        curve 8 is the user curve, which starts equal to curve 1 and changes only
        through setUserCurve. Message thread only.
    */
    extern const juce::uint8* const velocityCurves[numVelocityCurves];

    /** The table of curve n (1..8), or nullptr for any other number. */
    const juce::uint8* getVelocityCurve (int curveNumber) noexcept;

    /** Replaces the user curve with 256 velocities in the keyboard's order; values
        above 127 are clamped so that the table always fits into a curve dump.
        Message thread only.
    */
    void setUserCurve (const juce::uint8* newTable) noexcept;

    /** Puts the user curve back to its start value (a copy of curve 1). */
    void resetUserCurve() noexcept;
}
