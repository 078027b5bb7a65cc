#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "editor/curves/CurveShape.h"

namespace NsDravel
{
    /**
        The plot of one velocity curve: 256 points from left to right and, for the
        user curve, the five handles H1..H5 that the user drags to reshape it.

        Screen and curve units meet here: index x sits at x * xScale + margin,
        velocity v at (127 - v) * yScale + margin. The handles themselves are kept
        in curve units by CurveShape, so resizing the plot never moves them off the
        curve. Message thread only.
    */
    class DraggableCurveComponent  : public juce::Component
    {
    public:
        /** Plots 256 velocities; the handles can be dragged when editable. */
        DraggableCurveComponent (juce::Array<int> values, bool editable);

        /** Plots 256 velocities, editable when the current curve is the user curve. */
        explicit DraggableCurveComponent (juce::Array<int> values);

        ~DraggableCurveComponent() override;

        /** The index under a screen x (toward zero). */
        int toRawX (float screenX) const noexcept;

        /** The screen position of a handle 0..6, in this component's pixels. */
        juce::Point<float> getHandlePosition (int handle) const noexcept;

        /** True once the handles stand on the curve (after the first usable layout). */
        bool areHandlesPlaced() const noexcept                       { return shape.areHandlesPlaced(); }

        /** The curve values, left to right. */
        const juce::Array<float>& getValues() const noexcept         { return shape.getValues(); }

        /** The curve being edited. */
        const CurveShape& getShape() const noexcept                  { return shape; }

        /** Applies a handle's couplings after it was put at a screen position
            (see CurveShape::constrainHandle).
        */
        void constrainHandle (int handle, float x, float y, int target);

        /** Refits the curve through the handles. */
        void fitCurve();

        //==============================================================================
        /** @internal */
        void mouseDown (const juce::MouseEvent&) override;
        /** @internal */
        void mouseDrag (const juce::MouseEvent&) override;
        /** @internal */
        void mouseUp (const juce::MouseEvent&) override;
        /** @internal */
        void paint (juce::Graphics&) override;
        /** @internal */
        void resized() override;

    private:
        float toScreenX (float index) const noexcept        { return index * xScale + (float) margin; }
        float toScreenY (float velocity) const noexcept     { return (127.0f - velocity) * yScale + (float) margin; }
        float toIndex (float screenX) const noexcept        { return (screenX - (float) margin) / xScale; }
        float toVelocity (float screenY) const noexcept     { return 127.0f - (screenY - (float) margin) / yScale; }
        bool hasUsableScale() const noexcept                { return xScale > 0.0f && yScale > 0.0f; }
        void paintDragReadout (juce::Graphics&, juce::Point<float> handle);

        bool ready = false;
        const bool editable;
        const int margin = 5;
        float xScale = 1.0f, yScale = 1.0f;
        int pickedHandle = 0;
        int draggedHandle = 0;
        juce::Point<float> grabOffset;
        CurveShape shape;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DraggableCurveComponent)
    };
}
