#include "editor/curves/CurveFitting.h"

#include <cmath>

namespace NsDravel
{
    float intPowF (float x, int n) noexcept
    {
        if (n == 2)
            return x * x;

        return (float) std::pow (x, n);
    }

    double intPow (double x, int n) noexcept
    {
        if (n == 2)
            return x * x;

        return std::pow (x, n);
    }

    double evaluateVelocityCurve (const double coefficients[5], float x) noexcept
    {
        const auto x4 = intPowF (x, 4);
        const auto x3 = intPowF (x, 3);
        const auto x2 = x * x;

        return coefficients[0] * x4 + coefficients[1] * x3 + coefficients[2] * x2
             + coefficients[3] * x + coefficients[4];
    }

    bool solveLinearSystem (double a[5][6], double result[5]) noexcept
    {
        constexpr int n = 5;

        for (int i = 0; i < n; ++i)
        {
            int pivot = i;

            for (int r = i + 1; r < n; ++r)
                if (std::abs (a[r][i]) > std::abs (a[pivot][i]))
                    pivot = r;

            if (pivot != i)
                for (int c = i; c <= n; ++c)
                    std::swap (a[i][c], a[pivot][c]);

            // Two handles on the same index leave a column without a usable pivot;
            // dividing by it would fill the curve with infinities.
            if (! std::isfinite (a[i][i]) || std::abs (a[i][i]) < 1.0e-300)
                return false;

            for (int r = i + 1; r < n; ++r)
            {
                const auto f = -a[r][i] / a[i][i];
                a[r][i] = 0.0;

                for (int c = i + 1; c <= n; ++c)
                    a[r][c] = a[i][c] * f + a[r][c];
            }
        }

        double x[n];

        for (int i = n - 1; i >= 0; --i)
        {
            x[i] = a[i][n] / a[i][i];

            for (int r = 0; r < i; ++r)
                a[r][n] -= a[r][i] * x[i];
        }

        for (auto v : x)
            if (! std::isfinite (v))
                return false;

        std::copy (x, x + n, result);
        return true;
    }

    int findStraightRunEnd (const juce::Array<float>& values, int start, int end, float tolerance)
    {
        const int dir = end > start ? 1 : -1;
        const int size = values.size();

        auto valueAt = [&] (int k) { return (float) (int) values[k]; };
        auto inRange = [size] (int k) { return k >= 0 && k < size; };

        int last = start + dir;

        if (! inRange (start) || ! inRange (last))
            return last;

        const auto a = valueAt (start);
        auto slope = (valueAt (last) - a) / (float) dir;
        auto intercept = valueAt (last) - (float) last * slope;

        for (int k = start + 2 * dir; (dir > 0 ? k <= end : k >= end) && inRange (k); k += dir)
        {
            const auto d = (float) k * slope + intercept - valueAt (k);

            if (std::abs (d) > tolerance)
                break;

            // Only the first few points shape the line; further ones must follow it.
            if (std::abs (k - start) < 9)
            {
                slope = (valueAt (k) - a) / (float) (k - start);
                intercept = valueAt (k) - (float) k * slope;
            }

            last = k;
        }

        return last;
    }
}
