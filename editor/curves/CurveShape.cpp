#include "editor/curves/CurveShape.h"
#include "editor/curves/CurveFitting.h"
#include "editor/curves/VelocityCurves.h"

#include <cmath>

namespace NsDravel
{
    namespace
    {
        constexpr int lastIndex = velocityCurveLength - 1;
        constexpr float maxVelocity = 127.0f;

        // When H1 and H5 come this close, the curve's foot follows H1 instead of
        // starting from silence.
        constexpr float baseFollowDistance = 5.0f;

        float safeValue (double v) noexcept
        {
            if (! std::isfinite (v))
                return 0.0f;

            return juce::jlimit (0.0f, maxVelocity, (float) v);
        }
    }

    CurveShape::CurveShape (const juce::Array<int>& source)
    {
        jassert (source.size() == velocityCurveLength);

        for (int i = 0; i < velocityCurveLength; ++i)
            values.add (safeValue (juce::isPositiveAndBelow (i, source.size()) ? source[i] : 0));
    }

    void CurveShape::placeHandles()
    {
        const int indexes[numHandles] = { 0,
                                          findStraightRunEnd (values, 0, 31, 1.0f),
                                          64, 128, 192,
                                          findStraightRunEnd (values, lastIndex, 225, 1.0f),
                                          lastIndex };

        for (int h = 0; h < numHandles; ++h)
        {
            const auto index = juce::jlimit (0, lastIndex, indexes[h]);
            handles[h] = { (float) index, (float) (int) values[index] };
        }

        handlesPlaced = true;
    }

    juce::Range<int> CurveShape::getIndexBand (int handle) noexcept
    {
        switch (handle)
        {
            case 1:  return { 1, 31 };
            case 2:  return { 32, 95 };
            case 3:  return { 96, 159 };
            case 4:  return { 160, 224 };
            case 5:  return { 225, 254 };
            case 6:  return { lastIndex, lastIndex };
            default: return { 0, 0 };
        }
    }

    juce::Range<float> CurveShape::getVelocityBand (int handle) const noexcept
    {
        float low = 0.0f, high = maxVelocity;

        switch (handle)
        {
            case 1:  high = handles[5].y; break;
            case 2:  low = handles[1].y; high = handles[3].y; break;
            case 3:  low = handles[1].y; high = handles[5].y; break;
            case 4:  low = handles[3].y; high = handles[5].y; break;
            case 5:  low = handles[1].y; break;
            default: break;
        }

        return { juce::jmin (low, high), juce::jmax (low, high) };
    }

    void CurveShape::moveHandle (int handle, float index, float velocity)
    {
        if (handle < 1 || handle > 5 || ! handlesPlaced)
            return;

        if (! std::isfinite (index) || ! std::isfinite (velocity))
            return;

        const auto indexBand = getIndexBand (handle);
        const auto velocityBand = getVelocityBand (handle);

        // Clamping in index units (not pixels) keeps every handle's whole index
        // inside its band, so no two handles can ever share an index.
        const auto x = juce::jlimit ((float) indexBand.getStart(), (float) indexBand.getEnd(), index);
        const auto y = velocityBand.clipValue (velocity);

        handles[handle] = { x, y };
        constrainHandle (handle, x, y, -1);
    }

    void CurveShape::constrainHandle (int handle, float index, float velocity, int target)
    {
        auto& h = handles;

        switch (handle)
        {
            case 1:
                if (target == -1)
                {
                    for (auto t : { 3, 2, 0 })
                        constrainHandle (1, index, velocity, t);

                    fitCurve();
                }
                else if (target == 3 && h[3].y < velocity)
                {
                    h[3].y = velocity;
                    constrainHandle (3, h[3].x, h[3].y, -1);
                }
                else if (target == 2 && h[2].y < velocity)
                {
                    h[2].y = velocity;
                }
                else if (target == 0)
                {
                    applyBaseRule();
                }
                break;

            case 3:
                if (target == -1)
                {
                    for (auto t : { 2, 4 })
                        constrainHandle (3, index, velocity, t);

                    fitCurve();
                }
                else if (target == 2 && h[2].y > velocity)
                {
                    h[2].y = velocity;
                }
                else if (target == 4 && h[4].y < velocity)
                {
                    h[4].y = velocity;
                }
                break;

            case 5:
                if (target == -1)
                {
                    for (auto t : { 6, 4, 3, 0 })
                        constrainHandle (5, index, velocity, t);

                    fitCurve();
                }
                else if (target == 6)
                {
                    h[6].y = velocity;
                }
                else if (target == 4 && h[4].y > velocity)
                {
                    h[4].y = velocity;
                }
                else if (target == 3 && h[3].y > velocity)
                {
                    h[3].y = velocity;
                    constrainHandle (3, h[3].x, h[3].y, -1);
                }
                else if (target == 0)
                {
                    applyBaseRule();
                }
                break;

            case 2:
            case 4:
                fitCurve();
                break;

            default:
                break;
        }
    }

    void CurveShape::applyBaseRule()
    {
        handles[0].y = std::abs (handles[1].y - handles[5].y) > baseFollowDistance ? 0.0f
                                                                                     : handles[1].y;
    }

    int CurveShape::getRawIndex (int handle) const noexcept
    {
        return juce::jlimit (0, lastIndex, (int) getHandle (handle).x);
    }

    int CurveShape::getVelocity (int handle) const noexcept
    {
        return juce::jlimit (0, (int) maxVelocity, (int) getHandle (handle).y);
    }

    void CurveShape::fitCurve()
    {
        if (! handlesPlaced)
            return;

        const int r0 = getRawIndex (0), r1 = getRawIndex (1), r5 = getRawIndex (5);
        const auto v0 = (float) getVelocity (0), v1 = (float) getVelocity (1), v5 = (float) getVelocity (5);

        for (int x = r5; x <= lastIndex; ++x)
            values.set (x, v5);

        if (! fitPolynomial (r1, r5))
            interpolateHandles (r1, r5);

        // The foot of the curve: a straight line from H0 to H1. H1's band keeps it
        // off index 0, but a zero run must never become a division by zero.
        const auto run = (float) juce::jmax (1, r1 - r0);
        const auto s = (v1 - v0) / run;

        for (int x = 0; x <= r1; ++x)
            values.set (x, safeValue ((float) x * s + (v0 - s * (float) r0)));
    }

    bool CurveShape::fitPolynomial (int from, int to)
    {
        double matrix[5][6];

        for (int row = 0; row < 5; ++row)
        {
            const auto x = (double) getRawIndex (row + 1);

            matrix[row][0] = intPow (x, 4);
            matrix[row][1] = intPow (x, 3);
            matrix[row][2] = intPow (x, 2);
            matrix[row][3] = x;
            matrix[row][4] = 1.0;
            matrix[row][5] = (double) getVelocity (row + 1);
        }

        double coefficients[5];

        if (! solveLinearSystem (matrix, coefficients))
            return false;

        const auto v0 = (double) getVelocity (0), v5 = (double) getVelocity (5);

        for (int x = from; x <= to; ++x)
        {
            const auto p = evaluateVelocityCurve (coefficients, (float) x);

            if (! std::isfinite (p))
                return false;

            values.set (x, safeValue (p > v5 ? v5 : juce::jmax (v0, p)));
        }

        return true;
    }

    void CurveShape::interpolateHandles (int from, int to)
    {
        // Straight segments through H1..H5: what is left when no polynomial fits.
        for (int x = from; x <= to; ++x)
        {
            int h = 1;

            while (h < 4 && x > getRawIndex (h + 1))
                ++h;

            const auto xa = getRawIndex (h), xb = getRawIndex (h + 1);
            const auto va = (float) getVelocity (h), vb = (float) getVelocity (h + 1);
            const auto t = xb > xa ? (float) (x - xa) / (float) (xb - xa) : 1.0f;

            values.set (x, safeValue (va + t * (vb - va)));
        }
    }

    void CurveShape::writeTable (juce::uint8* table) const noexcept
    {
        for (int k = 0; k < velocityCurveLength; ++k)
            table[k] = (juce::uint8) juce::jlimit (0, (int) maxVelocity, (int) std::round (values[lastIndex - k]));
    }
}
