#pragma once

#include <juce_graphics/juce_graphics.h>

namespace NsDravel
{
    /**
        The user curve as the curve editor shapes it: 256 velocities (index 0..255
        from left to right, the keyboard's table reversed) and seven handles H0..H6
        through which a fourth-degree polynomial is refitted whenever a handle moves.

        Handles live in curve units (x = index 0..255, y = velocity 0..127, growing
        upward), so they stay on the curve whatever size the editor is shown at.
        H1..H5 can be moved, each within its own band of indexes and between the
        velocities of its neighbours; H0 (index 0) and H6 (index 255) follow them.
        No Component here: the curve editor does the drawing and the mouse.
    */
    class CurveShape
    {
    public:
        /** Number of handles, H0..H6. */
        static constexpr int numHandles = 7;

        /** Takes 256 velocities, left to right. */
        explicit CurveShape (const juce::Array<int>& values);

        /** Puts the handles on the curve: H0 at index 0, H1 at the end of the
            straight run from index 0 (within 31), H2..H4 at 64, 128 and 192, H5 at
            the end of the straight run from 255 down (to 225), H6 at 255.
        */
        void placeHandles();

        /** True once placeHandles has run. */
        bool areHandlesPlaced() const noexcept      { return handlesPlaced; }

        /** The indexes (inclusive) that a movable handle 1..5 may take. */
        static juce::Range<int> getIndexBand (int handle) noexcept;

        /** The velocities (inclusive) that a movable handle 1..5 may take now, given
            by its neighbours.
        */
        juce::Range<float> getVelocityBand (int handle) const noexcept;

        /** Moves handle 1..5 towards (index, velocity), keeping it inside its bands,
            drags the handles coupled to it along and refits the curve.
        */
        void moveHandle (int handle, float index, float velocity);

        /** Applies the coupling rules of a handle that has just been put at
            (index, velocity): with target -1 all of its rules and then a refit,
            otherwise only the rule for the target handle.
        */
        void constrainHandle (int handle, float index, float velocity, int target);

        /** Refits the values through the handles: a straight line from H0 to H1, the
            polynomial through H1..H5 kept between H0's and H5's velocities, and H5's
            velocity from H5 to the end. Every value stays finite and within 0..127.
        */
        void fitCurve();

        /** A handle in curve units. */
        juce::Point<float> getHandle (int handle) const noexcept   { return handles[juce::jlimit (0, numHandles - 1, handle)]; }

        /** The whole index 0..255 a handle stands on. */
        int getRawIndex (int handle) const noexcept;

        /** The whole velocity 0..127 a handle stands at. */
        int getVelocity (int handle) const noexcept;

        /** The 256 curve values, left to right. */
        const juce::Array<float>& getValues() const noexcept     { return values; }

        /** Writes the curve in the keyboard's order (table[k] = rounded value 255 - k). */
        void writeTable (juce::uint8* table) const noexcept;

    private:
        void applyBaseRule();
        bool fitPolynomial (int from, int to);
        void interpolateHandles (int from, int to);

        juce::Array<float> values;
        juce::Point<float> handles[numHandles];
        bool handlesPlaced = false;

        JUCE_LEAK_DETECTOR (CurveShape)
    };
}
