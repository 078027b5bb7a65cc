#include "support/EditorFixture.h"
#include "support/MessageLoop.h"

#include "editor/curves/CurveSettingView.h"
#include "editor/curves/VelocityCurves.h"

#include <algorithm>
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

    std::vector<int> tableOf (int curveNumber)
    {
        return std::vector<int> (getVelocityCurve (curveNumber), getVelocityCurve (curveNumber) + velocityCurveLength);
    }

    /** A curve's table as the curve editor shows it, left to right. */
    juce::Array<int> leftToRight (int curveNumber)
    {
        auto table = tableOf (curveNumber);
        std::reverse (table.begin(), table.end());
        return juce::Array<int> (table.data(), (int) table.size());
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
        explicit HidingDialog (const juce::String& title)
            : juce::DialogWindow (title, juce::Colours::grey, true, false)
        {
        }

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

TEST_F (CurveDialog, AFixedCurveIsPlottedLeftToRightWithOnlyOkCentredAndIgnoresTheMouse)
{
    currentCurveNumber = 3;
    CurveSettingView view (3, editorWidth, editorHeight);
    auto& curve = view.getCurveComponent();

    // Shaped by the editor's window: 0.8 of its height high, 1.55 times that wide.
    EXPECT_EQ (view.getBounds(), juce::Rectangle<int> (0, 0, 586, 378));
    EXPECT_EQ (testsupport::findButton (view, "OK")->getBounds(), juce::Rectangle<int> (243, 338, 100, 30));
    EXPECT_TRUE (testsupport::findButton (view, "Cancel")->getBounds().isEmpty());

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

    // A press 25 pixels or more from every handle moves nothing.
    const auto before = curve.getValues();
    const auto belowH3 = curve.getHandlePosition (3) + juce::Point<float> (0.0f, 26.0f);
    drag (curve, belowH3, { 300.0f, 20.0f });
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
    EXPECT_EQ (tableOf (8), tableOf (1)) << "the user curve is as at start";

    // The timer sends the curve on its next tick. The handle is taken just
    // inside its reach, 24 pixels below it.
    currentCurveNumber = 8;
    CurveSettingView view (8, editorWidth, editorHeight);
    auto& curve = view.getCurveComponent();
    const auto h3 = curve.getHandlePosition (3);
    drag (curve, h3 + juce::Point<float> (0.0f, 24.0f), h3 + juce::Point<float> (0.0f, -90.0f));
    ASSERT_TRUE (clickClosesDialog (view, "OK"));

    EXPECT_TRUE (pendingCurveSend);
    EXPECT_NE (tableOf (8), tableOf (1)) << "the drag moved the curve";

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

    // The run's line is drawn again through each of its first eight steps, and
    // only those: a bend of one at step 8 sets the slope that the rest of the
    // run, up to index 31, keeps to within one.
    juce::Array<int> bent;

    for (int i = 0; i < 256; ++i)
        bent.add (i < 8 ? 2 * i : (i <= 31 ? (int) (2.125 * i) : 66 + (i - 31) / 4));

    CurveShape bentShape (bent);
    bentShape.placeHandles();
    EXPECT_EQ (bentShape.getRawIndex (1), 31);
}

TEST (CurveShaping, TheCurveStaysBetweenTheFootAndH5AndTheFootFollowsH1OnlyWithinFiveStepsOfH5)
{
    CurveShape shape (leftToRight (1));
    shape.placeHandles();
    const auto top = (float) shape.getVelocity (5);

    // H4 as high as H5: the polynomial through the handles would rise above H5 between them.
    shape.moveHandle (4, 200.0f, top);

    for (int x = shape.getRawIndex (1); x < velocityCurveLength; ++x)
    {
        EXPECT_GE (shape.getValues()[x], (float) shape.getVelocity (0)) << x;
        EXPECT_LE (shape.getValues()[x], top) << x;
    }

    const struct { float belowH5, foot; } rows[] { { 6.0f, 0.0f }, { 5.0f, top - 5.0f }, { 7.0f, 0.0f } };

    for (auto& row : rows)
    {
        shape.moveHandle (1, 20.0f, top - row.belowH5);
        EXPECT_EQ (shape.getValues()[0], row.foot) << "H1 " << row.belowH5 << " below H5";
    }
}

TEST (VelocityCurves, FixedCurvesFollowTheirPublishedTablesAndTheUserCurveStartsAsCurveOne)
{
    // The keyboard's step t and each curve's velocity there, as the keyboard's
    // maker publishes them.
    const int steps[] { 0, 1, 2, 4, 8, 16, 32, 48, 64, 96, 128, 160, 192, 224, 240, 254, 255 };
    const int published[5][std::size (steps)] {
        { 127, 127, 126, 122, 110, 87, 58, 42, 28, 16, 11, 10, 8, 6, 3, 1, 0 },
        { 127, 127, 126, 122, 110, 87, 58, 42, 28, 9, 7, 6, 5, 4, 4, 1, 0 },
        { 127, 127, 126, 122, 110, 87, 60, 43, 31, 19, 11, 10, 8, 6, 3, 1, 0 },
        { 127, 127, 127, 127, 120, 97, 68, 52, 38, 26, 21, 20, 18, 16, 13, 11, 0 },
        { 117, 117, 116, 112, 100, 77, 48, 32, 18, 6, 1, 1, 1, 1, 1, 1, 0 },
    };

    for (int curve = 1; curve <= 5; ++curve)
        for (size_t i = 0; i < std::size (steps); ++i)
            EXPECT_EQ (getVelocityCurve (curve)[steps[i]], published[curve - 1][i]) << curve << " at " << steps[i];

    // Curves 1, 2, 4 and 5 never rise; curve 3 rises by one at eight steps.
    for (int curve : { 1, 2, 4, 5 })
    {
        const auto table = tableOf (curve);
        EXPECT_TRUE (std::is_sorted (table.rbegin(), table.rend())) << "curve " << curve;
    }

    const auto curve3 = tableOf (3);
    std::vector<int> rises;

    for (int t = 0; t < 255; ++t)
    {
        if (curve3[(size_t) t + 1] > curve3[(size_t) t])
        {
            rises.push_back (t);
            EXPECT_EQ (curve3[(size_t) t + 1], curve3[(size_t) t] + 1) << t;
        }
    }

    EXPECT_EQ (rises, (std::vector<int> { 65, 85, 94, 100, 110, 115, 118, 121 }));

    EXPECT_EQ (tableOf (6), std::vector<int> (velocityCurveLength, 64));
    EXPECT_EQ (tableOf (7), std::vector<int> (velocityCurveLength, 127));
    EXPECT_EQ (tableOf (8), tableOf (1));
}
