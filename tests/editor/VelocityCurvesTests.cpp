#include <gtest/gtest.h>
#include "editor/VelocityCurves.h"

using namespace NsDravel;

TEST (VelocityCurves, FixedCurvesPassThroughTheirKnownPoints)
{
    const int points[] { 0, 32, 96, 240, 255 };
    const int rows[5][5] =
    {
        { 127, 58, 16,  3, 0 },
        { 127, 58,  9,  4, 0 },
        { 127, 60, 19,  3, 0 },
        { 127, 68, 26, 13, 0 },
        { 117, 48,  6,  1, 0 },
    };

    for (int curve = 1; curve <= 5; ++curve)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ (getVelocityCurve (curve)[points[i]], rows[curve - 1][i]) << curve << " at " << points[i];

    for (int t = 0; t < 256; ++t)
    {
        EXPECT_EQ (getVelocityCurve (6)[t], 64);
        EXPECT_EQ (getVelocityCurve (7)[t], 127);
        EXPECT_EQ (getVelocityCurve (8)[t], getVelocityCurve (1)[t]);
    }
}

TEST (VelocityCurves, OnlyCurveThreeRisesAndOnlyAtItsSteps)
{
    for (int curve : { 1, 2, 4, 5 })
        for (int t = 0; t < 255; ++t)
            EXPECT_LE (getVelocityCurve (curve)[t + 1], getVelocityCurve (curve)[t]) << curve << " at " << t;

    const auto* curve3 = getVelocityCurve (3);
    juce::Array<int> rises;
    for (int t = 0; t < 255; ++t)
        if (curve3[t + 1] > curve3[t])
        {
            rises.add (t);
            EXPECT_EQ (curve3[t + 1], curve3[t] + 1);
        }
    EXPECT_EQ (rises, (juce::Array<int> { 65, 85, 94, 100, 110, 115, 118, 121 }));
}
