#include "support/EditorFixture.h"
#include "support/MessageLoop.h"

#include "editor/curves/CurveSettingView.h"
#include "editor/curves/VelocityCurves.h"

#include <cmath>

using namespace NsDravel;

// The velocity curves, the handles on a curve's shape, and the dialog that
// edits the user curve by dragging them.

namespace
{
    // The editor window's size: the dialog takes its proportions from it.
    constexpr int editorWidth = 979, editorHeight = 473;

    void drag (DraggableCurveComponent& curve, juce::Point<float> from, juce::Point<float> to)
    {
        curve.mouseDown (testsupport::mouseEventAt (curve, from));
        curve.mouseDrag (testsupport::mouseEventAt (curve, (from + to) / 2.0f));
        curve.mouseDrag (testsupport::mouseEventAt (curve, to));
        curve.mouseUp (testsupport::mouseEventAt (curve, to));
    }

    void dragHandle (DraggableCurveComponent& curve, int handle, juce::Point<float> to)
    {
        drag (curve, curve.getHandlePosition (handle), to);
    }

    /** Every velocity finite and within 0..127, the handles left to right. */
    bool isSound (const DraggableCurveComponent& curve)
    {
        for (auto v : curve.getValues())
            if (! std::isfinite (v) || v < 0.0f || v > 127.0f)
                return false;

        for (int h = 1; h < CurveShape::numHandles; ++h)
            if (curve.getShape().getRawIndex (h - 1) >= curve.getShape().getRawIndex (h))
                return false;

        return true;
    }

    // Closes as the dialog that the editor launches does.
    struct HidingDialog : public juce::DialogWindow
    {
        explicit HidingDialog (const juce::String& title) : juce::DialogWindow (title, juce::Colours::grey, true, false) {}
        void closeButtonPressed() override   { setVisible (false); }
    };

    struct CurveDialog : public sim::FreshEditorState
    {
        CurveDialog()   { currentCurveNumber = 8; }

        // Shows the view in a dialog (kept off the desktop) and clicks one of its buttons.
        static bool clickClosesDialog (CurveSettingView& view, const juce::String& buttonText)
        {
            HidingDialog dialog (getCurveDialogTitle (view.getCurveNumber()));
            dialog.setContentNonOwned (&view, true);
            dialog.setVisible (true);

            testsupport::findButton (view, buttonText)->triggerClick();
            juce::MessageManager::getInstance()->runDispatchLoopUntil (30);

            const auto closed = ! dialog.isVisible();
            dialog.clearContentComponent();
            return closed;
        }
    };
}

TEST_F (CurveDialog, AFixedCurveIsPlottedLeftToRightAndIgnoresTheMouse)
{
    currentCurveNumber = 3;
    CurveSettingView view (3, editorWidth, editorHeight);
    auto& curve = view.getCurveComponent();

    for (int x = 0; x < 256; ++x)
        ASSERT_EQ (curve.getValues()[x], (float) getVelocityCurve (3)[255 - x]) << x;

    const auto before = curve.getValues();
    dragHandle (curve, 3, { 300.0f, 10.0f });
    EXPECT_EQ (curve.getValues(), before);
}

TEST_F (CurveDialog, DraggingAnyHandleAnywhereKeepsTheCurveFiniteAndInRange)
{
    const juce::Point<float> farAway[] { { -500, -500 }, { 2000, -500 }, { -500, 2000 }, { 2000, 2000 }, { 5, 5 } };

    for (int handle = 1; handle <= 5; ++handle)
    {
        for (auto target : farAway)
        {
            CurveSettingView view (8, editorWidth, editorHeight);
            auto& curve = view.getCurveComponent();

            dragHandle (curve, handle, target);
            EXPECT_TRUE (isSound (curve)) << "H" << handle << " to " << target.toString();
        }
    }
}

TEST_F (CurveDialog, AnEndHandleStopsAtTheOtherEndsHeightAndCarriesTheHandlesBetweenWithIt)
{
    CurveSettingView view (8, editorWidth, editorHeight);
    auto& curve = view.getCurveComponent();

    // A click away from every handle changes nothing.
    const auto before = curve.getValues();
    drag (curve, { 280.0f, 20.0f }, { 300.0f, 250.0f });
    EXPECT_EQ (curve.getValues(), before);

    dragHandle (curve, 1, { curve.getHandlePosition (1).x, 0.0f });

    const auto top = curve.getHandlePosition (1).y;
    EXPECT_FLOAT_EQ (top, curve.getHandlePosition (5).y);      // H1 stops at H5's height
    EXPECT_FLOAT_EQ (curve.getHandlePosition (3).y, top);
    EXPECT_FLOAT_EQ (curve.getHandlePosition (2).y, top);
    EXPECT_LE (curve.getHandlePosition (4).y, top);
    EXPECT_EQ (curve.getValues()[0], (float) curve.getShape().getVelocity (1));     // close to H5: the foot follows H1

    dragHandle (curve, 1, { curve.getHandlePosition (1).x, (float) curve.getHeight() });
    EXPECT_EQ (curve.getValues()[0], 0.0f);                                          // apart again: back to silence

    dragHandle (curve, 5, { curve.getHandlePosition (5).x, (float) curve.getHeight() });

    const auto low = curve.getHandlePosition (5).y;
    EXPECT_FLOAT_EQ (low, curve.getHandlePosition (1).y);       // H5 stops at H1's height
    EXPECT_FLOAT_EQ (curve.getHandlePosition (6).y, low);
    EXPECT_FLOAT_EQ (curve.getHandlePosition (4).y, low);
    EXPECT_FLOAT_EQ (curve.getHandlePosition (3).y, low);
    EXPECT_TRUE (isSound (curve));
}

TEST_F (CurveDialog, OnlyOkOnTheUserCurveStoresItAndAsksForItToBeSent)
{
    // Cancel, and OK on a fixed curve, only close.
    CurveSettingView cancelled (8, editorWidth, editorHeight);
    dragHandle (cancelled.getCurveComponent(), 2, { 100.0f, 20.0f });
    EXPECT_TRUE (clickClosesDialog (cancelled, "Cancel"));

    currentCurveNumber = 5;
    CurveSettingView fixed (5, editorWidth, editorHeight);
    EXPECT_TRUE (clickClosesDialog (fixed, "OK"));
    EXPECT_FALSE (pendingCurveSend);
    EXPECT_TRUE (std::equal (getVelocityCurve (8), getVelocityCurve (8) + velocityCurveLength, getVelocityCurve (1)))
        << "the user curve is as at start";

    // The timer sends the curve on its next tick.
    currentCurveNumber = 8;
    CurveSettingView view (8, editorWidth, editorHeight);
    auto& curve = view.getCurveComponent();
    dragHandle (curve, 3, curve.getHandlePosition (3) + juce::Point<float> (0.0f, -90.0f));
    ASSERT_TRUE (clickClosesDialog (view, "OK"));

    EXPECT_TRUE (pendingCurveSend);

    for (int k = 0; k < 256; ++k)
        ASSERT_EQ (getVelocityCurve (8)[k], (int) std::round (curve.getValues()[255 - k])) << k;
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

    EXPECT_EQ (juce::Point<int> (shape.getRawIndex (1), shape.getVelocity (1)), juce::Point<int> (20, 40));
    EXPECT_EQ (juce::Point<int> (shape.getRawIndex (5), shape.getVelocity (5)), juce::Point<int> (245, 107));
}

TEST (VelocityCurves, CurvesSixAndSevenAreFlatAndTheUserCurveStartsAsCurveOne)
{
    const auto curve = [] (int n) { return std::vector<int> (getVelocityCurve (n), getVelocityCurve (n) + velocityCurveLength); };
    EXPECT_EQ (curve (6), std::vector<int> (velocityCurveLength, 64));
    EXPECT_EQ (curve (7), std::vector<int> (velocityCurveLength, 127));
    EXPECT_EQ (curve (8), curve (1));
}
