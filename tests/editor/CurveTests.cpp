#include <gtest/gtest.h>

#include "editor/curves/CurveShape.h"
#include "editor/curves/VelocityCurves.h"

using namespace NsDravel;

namespace
{
    juce::Array<int> leftToRight (int curveNumber)
    {
        juce::Array<int> values;

        for (int i = 0; i < velocityCurveLength; ++i)
            values.add (getVelocityCurve (curveNumber)[255 - i]);

        return values;
    }
}

TEST (CurveShaping, H1AndH5SitWhereTheStraightRunsFromBothEndsStop)
{
    // Steps of 2 up to index 20, a slow rise, then steps of 2 from index 245 to 127.
    juce::Array<int> values;

    for (int i = 0; i < 256; ++i)
        values.add (i <= 20 ? 2 * i : (i < 245 ? 40 + (i - 20) / 4 : 127 - 2 * (255 - i)));

    CurveShape shape (values);
    shape.placeHandles();

    const int expectedIndexes[] { 0, 20, 64, 128, 192, 245, 255 };

    for (int h = 0; h < CurveShape::numHandles; ++h)
    {
        EXPECT_EQ (shape.getRawIndex (h), expectedIndexes[h]) << "H" << h;
        EXPECT_EQ (shape.getVelocity (h), values[expectedIndexes[h]]) << "H" << h;
    }
}

TEST (CurveShaping, AfterADragTheCurveRunsBetweenTheFootAndH5)
{
    CurveShape shape (leftToRight (8));
    shape.placeHandles();
    shape.moveHandle (3, 128.0f, 80.0f);
    shape.moveHandle (2, 60.0f, 70.0f);
    shape.moveHandle (4, 200.0f, 90.0f);

    const auto& v = shape.getValues();
    const auto v5 = (float) shape.getVelocity (5);

    for (int x = shape.getRawIndex (5); x < 256; ++x)
        EXPECT_EQ (v[x], v5);

    for (int x = shape.getRawIndex (1); x <= shape.getRawIndex (5); ++x)
    {
        EXPECT_GE (v[x], (float) shape.getVelocity (0));
        EXPECT_LE (v[x], v5);
    }

    EXPECT_NEAR (v[shape.getRawIndex (2)], 70.0f, 1.0f);
}

TEST (VelocityCurves, FixedCurvesFallOrStayFlatButForCurveThreesStepsAndTheUserCurveStartsAsCurveOne)
{
    for (int t = 0; t < 256; ++t)
    {
        EXPECT_EQ (getVelocityCurve (6)[t], 64);
        EXPECT_EQ (getVelocityCurve (7)[t], 127);
        EXPECT_EQ (getVelocityCurve (8)[t], getVelocityCurve (1)[t]);
    }

    // They only fall, but for curve 3's steps.
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
