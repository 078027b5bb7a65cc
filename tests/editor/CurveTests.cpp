#include <gtest/gtest.h>

#include "editor/CurveFitting.h"
#include "editor/CurveShape.h"
#include "editor/VelocityCurves.h"

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

//==============================================================================
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

TEST (CurveShaping, TheLinearSolverRefusesTwoPointsAtOneIndex)
{
    double m[5][6];

    for (int r = 0; r < 5; ++r)
    {
        const double x = r == 4 ? 30.0 : 30.0 + r * 50.0;     // rows 0 and 4 share an index

        for (int k = 0; k < 5; ++k)
            m[r][k] = intPow (x, 4 - k);

        m[r][5] = r;
    }

    double result[5] { 7, 7, 7, 7, 7 };
    EXPECT_FALSE (solveLinearSystem (m, result));
    EXPECT_EQ (result[0], 7.0);
}

TEST (CurveShaping, H0FollowsH1OnlyWhileH1AndH5AreClose)
{
    CurveShape shape (leftToRight (8));
    shape.placeHandles();

    shape.moveHandle (5, 240.0f, 50.0f);
    shape.moveHandle (1, 10.0f, 47.0f);
    EXPECT_EQ (shape.getVelocity (0), 47);
    EXPECT_EQ (shape.getValues()[0], 47.0f);

    shape.moveHandle (1, 10.0f, 20.0f);
    EXPECT_EQ (shape.getVelocity (0), 0);
    EXPECT_EQ (shape.getValues()[0], 0.0f);
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
