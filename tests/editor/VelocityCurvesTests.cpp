#include <gtest/gtest.h>
#include "editor/VelocityCurves.h"

using namespace NsDravel;

TEST (VelocityCurves, FixedCurvesPassThroughTheirKnownPoints)
{
    const int points[] { 0, 1, 2, 4, 8, 16, 32, 48, 64, 96, 128, 160, 192, 224, 240, 254, 255 };
    const int rows[5][17] =
    {
        { 127, 127, 126, 122, 110, 87, 58, 42, 28, 16, 11, 10, 8, 6, 3, 1, 0 },
        { 127, 127, 126, 122, 110, 87, 58, 42, 28,  9,  7,  6, 5, 4, 4, 1, 0 },
        { 127, 127, 126, 122, 110, 87, 60, 43, 31, 19, 11, 10, 8, 6, 3, 1, 0 },
        { 127, 127, 127, 127, 120, 97, 68, 52, 38, 26, 21, 20, 18, 16, 13, 11, 0 },
        { 117, 117, 116, 112, 100, 77, 48, 32, 18,  6,  1,  1, 1, 1, 1, 1, 0 },
    };

    for (int curve = 1; curve <= 5; ++curve)
        for (int i = 0; i < 17; ++i)
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
