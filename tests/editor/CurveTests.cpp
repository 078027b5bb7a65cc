#include <gtest/gtest.h>

#include "editor/CurveFitting.h"
#include "editor/CurveShape.h"
#include "editor/VelocityCurves.h"

#include <cmath>

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

    void expectCurveWithinBounds (const CurveShape& shape)
    {
        for (auto v : shape.getValues())
        {
            ASSERT_TRUE (std::isfinite (v));
            ASSERT_GE (v, 0.0f);
            ASSERT_LE (v, 127.0f);
        }
    }
}

//==============================================================================
TEST (CurveShaping, HandlesOfCurveOneSitAtTheEndsOfItsStraightRuns)
{
    CurveShape shape (leftToRight (1));
    shape.placeHandles();

    EXPECT_EQ (shape.getRawIndex (0), 0);
    EXPECT_EQ (shape.getVelocity (0), 0);
    EXPECT_EQ (shape.getRawIndex (1), findStraightRunEnd (shape.getValues(), 0, 31, 1.0f));
    EXPECT_EQ (shape.getRawIndex (5), findStraightRunEnd (shape.getValues(), 255, 225, 1.0f));
    EXPECT_EQ (shape.getRawIndex (6), 255);

    for (int h = 0; h < CurveShape::numHandles; ++h)
        EXPECT_EQ (shape.getVelocity (h), (int) shape.getValues()[shape.getRawIndex (h)]) << "H" << h;

    for (int h = 1; h <= 5; ++h)
        EXPECT_TRUE (CurveShape::getIndexBand (h).contains (shape.getRawIndex (h)) || shape.getRawIndex (h) == CurveShape::getIndexBand (h).getEnd()) << "H" << h;
}

TEST (CurveShaping, AStraightRunEndsWhereTheValuesLeaveTheLine)
{
    juce::Array<float> values;

    for (int i = 0; i < 256; ++i)
        values.add (i < 20 ? (float) i * 2.0f : 40.0f);

    EXPECT_EQ (findStraightRunEnd (values, 0, 31, 1.0f), 20);
    EXPECT_EQ (findStraightRunEnd (values, 255, 225, 1.0f), 225);
}

TEST (CurveShaping, TheLinearSolverFindsThePolynomialThroughFivePoints)
{
    const double c[5] { 1.0e-7, -2.0e-5, 3.0e-3, 0.25, 4.0 };
    double m[5][6];
    const double xs[5] { 10, 60, 120, 190, 240 };

    for (int r = 0; r < 5; ++r)
    {
        for (int k = 0; k < 5; ++k)
            m[r][k] = intPow (xs[r], 4 - k);

        m[r][5] = evaluateVelocityCurve (c, (float) xs[r]);
    }

    double solved[5];
    ASSERT_TRUE (solveLinearSystem (m, solved));

    for (float x : { 10.0f, 100.0f, 240.0f })
        EXPECT_NEAR (evaluateVelocityCurve (solved, x), evaluateVelocityCurve (c, x), 1.0e-3);
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

TEST (CurveShaping, HandlesStayInTheirBandsWhereverTheyAreDragged)
{
    for (int h = 1; h <= 5; ++h)
    {
        for (auto target : { juce::Point<float> (-1000, -1000), { 1000, 1000 }, { -1000, 1000 }, { 1000, -1000 }, { 0, 0 } })
        {
            CurveShape shape (leftToRight (8));
            shape.placeHandles();
            shape.moveHandle (h, target.x, target.y);

            for (int k = 1; k <= 5; ++k)
                EXPECT_TRUE (shape.getRawIndex (k) >= CurveShape::getIndexBand (k).getStart()
                             && shape.getRawIndex (k) <= CurveShape::getIndexBand (k).getEnd()) << "H" << k;

            expectCurveWithinBounds (shape);
        }
    }
}

TEST (CurveShaping, RaisingH1AboveH3LiftsH3AndH2ToIt)
{
    CurveShape shape (leftToRight (8));
    shape.placeHandles();
    ASSERT_LT (shape.getVelocity (3), 60);

    shape.moveHandle (1, 20.0f, 90.0f);     // H5 stands at 127, so 90 is allowed

    EXPECT_EQ (shape.getVelocity (1), 90);
    EXPECT_EQ (shape.getVelocity (3), 90);
    EXPECT_EQ (shape.getVelocity (2), 90);
    EXPECT_GE (shape.getVelocity (4), 90);
    expectCurveWithinBounds (shape);
}

TEST (CurveShaping, LoweringH5PullsH6H4AndH3DownToIt)
{
    CurveShape shape (leftToRight (8));
    shape.placeHandles();
    shape.moveHandle (1, 10.0f, 2.0f);

    shape.moveHandle (5, 240.0f, 5.0f);

    EXPECT_EQ (shape.getVelocity (5), 5);
    EXPECT_EQ (shape.getVelocity (6), 5);
    EXPECT_EQ (shape.getVelocity (4), 5);
    EXPECT_EQ (shape.getVelocity (3), 5);
    EXPECT_LE (shape.getVelocity (2), 5);
    expectCurveWithinBounds (shape);
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

TEST (CurveShaping, TheTableIsWrittenInTheKeyboardsOrder)
{
    CurveShape shape (leftToRight (1));
    juce::uint8 table[256];
    shape.writeTable (table);

    EXPECT_EQ (std::memcmp (table, getVelocityCurve (1), 256), 0);
}
