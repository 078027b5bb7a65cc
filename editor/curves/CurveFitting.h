#pragma once

#include <juce_core/juce_core.h>

namespace NsDravel
{
    /** x * x for n == 2, else x to the power n, rounded to float. */
    float intPowF (float x, int n) noexcept;

    /** x * x for n == 2, else x to the power n. */
    double intPow (double x, int n) noexcept;

    /** c0 x^4 + c1 x^3 + c2 x^2 + c3 x + c4, with the powers in single precision
        and the sum in double precision.
    */
    double evaluateVelocityCurve (const double coefficients[5], float x) noexcept;

    /** Solves the 5 x 5 system whose augmented matrix (right-hand side in column 5)
        is given, by Gaussian elimination with partial pivoting; the matrix is
        overwritten. Returns false, leaving result untouched, when the system is
        singular or the solution is not finite.
    */
    bool solveLinearSystem (double matrix[5][6], double result[5]) noexcept;

    /** Walks from start towards end (either direction) along the integer parts of
        the values while they stay within tolerance of the line through the first
        few points, and returns the last index on that line: at least one step
        from start, never past end.
    */
    int findStraightRunEnd (const juce::Array<float>& values, int start, int end, float tolerance);
}
