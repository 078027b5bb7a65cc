#include "editor/curves/DraggableCurveComponent.h"
#include "editor/EditorState.h"
#include "editor/curves/VelocityCurves.h"

#include <cmath>

namespace NsDravel
{
    namespace
    {
        constexpr float pickRadius = 25.0f;

        const juce::Colour curveColour { 0xff4682b4 };        // steel blue
        const juce::Colour handleColour { 0xff6a5acd };       // slate blue
        const juce::Colour pickedHandleColour { 0xffff0000 };
    }

    DraggableCurveComponent::DraggableCurveComponent (juce::Array<int> values, bool isEditable)
        : editable (isEditable), shape (values)
    {
        setWantsKeyboardFocus (false);
        setInterceptsMouseClicks (editable, editable);
        ready = true;
    }

    DraggableCurveComponent::DraggableCurveComponent (juce::Array<int> values)
        : DraggableCurveComponent (std::move (values), currentCurveNumber == userCurveNumber)
    {
    }

    DraggableCurveComponent::~DraggableCurveComponent() = default;

    int DraggableCurveComponent::toRawX (float screenX) const noexcept
    {
        if (xScale <= 0.0f)
            return 0;

        return (int) ((screenX - (float) margin) / xScale);
    }

    juce::Point<float> DraggableCurveComponent::getHandlePosition (int handle) const noexcept
    {
        const auto p = shape.getHandle (handle);
        return { toScreenX (p.x), toScreenY (p.y) };
    }

    void DraggableCurveComponent::constrainHandle (int handle, float x, float y, int target)
    {
        if (hasUsableScale())
            shape.constrainHandle (handle, toIndex (x), toVelocity (y), target);
    }

    void DraggableCurveComponent::fitCurve()
    {
        shape.fitCurve();
    }

    void DraggableCurveComponent::resized()
    {
        const auto usableWidth = getWidth() - 2 * margin;
        const auto usableHeight = getHeight() - 2 * margin;

        xScale = (float) usableWidth / 255.0f;
        yScale = (float) usableHeight / 127.0f;

        if (ready && ! shape.areHandlesPlaced() && usableWidth > 0 && usableHeight > 0)
            shape.placeHandles();

        repaint();
    }

    void DraggableCurveComponent::mouseDown (const juce::MouseEvent& e)
    {
        draggedHandle = 0;
        pickedHandle = 0;

        if (editable && shape.areHandlesPlaced() && hasUsableScale())
        {
            for (int h = 1; h <= 5; ++h)
            {
                const auto handle = getHandlePosition (h);

                if (e.position.getDistanceFrom (handle) < pickRadius)
                {
                    draggedHandle = pickedHandle = h;
                    grabOffset = e.position - handle;
                    break;
                }
            }
        }

        repaint();
    }

    void DraggableCurveComponent::mouseDrag (const juce::MouseEvent& e)
    {
        if (draggedHandle == 0 || ! hasUsableScale())
            return;

        const auto target = e.position - grabOffset;
        shape.moveHandle (draggedHandle, toIndex (target.x), toVelocity (target.y));
        repaint();
    }

    void DraggableCurveComponent::mouseUp (const juce::MouseEvent&)
    {
        draggedHandle = 0;
        repaint();
    }

    void DraggableCurveComponent::paint (juce::Graphics& g)
    {
        g.fillAll (juce::Colours::lightgrey.darker (0.1f));

        if (draggedHandle != 0)
            paintDragReadout (g, getHandlePosition (draggedHandle));

        g.setColour (curveColour);

        const auto& values = shape.getValues();
        auto pointAt = [&] (int x)
        {
            return juce::Point<float> (std::round (toScreenX ((float) x)),
                                       toScreenY ((float) (int) values[x]));
        };

        for (int x = 1; x < values.size(); ++x)
            g.drawLine ({ pointAt (x - 1), pointAt (x) }, 2.0f);

        if (editable && shape.areHandlesPlaced())
        {
            const auto m = (float) margin;

            for (int h = 1; h <= 5; ++h)
            {
                const auto p = getHandlePosition (h);
                g.setColour (h == pickedHandle ? pickedHandleColour : handleColour);
                g.fillEllipse (p.x - m, p.y - m, 2.0f * m, 2.0f * m);
            }
        }
    }

    void DraggableCurveComponent::paintDragReadout (juce::Graphics& g, juce::Point<float> p)
    {
        // A small "index, velocity" readout beside the handle, kept inside the plot.
        const auto bw = (int) std::round (0.1f * (float) getWidth());
        const auto bh = (int) std::round (0.1f * (float) getHeight());

        const auto x = p.x < (float) (getWidth() - 2 * bw) ? (int) std::round ((double) p.x - 0.2 * bw)
                                                            : (int) std::round (p.x - (float) bw);
        const auto y = p.y < (float) (getHeight() - 2 * bh) ? (int) std::round ((double) p.y + 0.2 * bh)
                                                             : (int) std::round (p.y - (float) bh);

        const auto index = shape.getRawIndex (draggedHandle);
        const auto velocity = shape.getVelocity (draggedHandle);

        g.setColour (curveColour);
        g.drawText (juce::String::formatted ("%d, %d", index, velocity),
                    x, y, bw, bh, juce::Justification::centred, true);
    }
}
