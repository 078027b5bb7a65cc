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

    /** The plot as it is painted now. */
    juce::Image shotOf (DraggableCurveComponent& curve)
    {
        return curve.createComponentSnapshot (curve.getLocalBounds(), false);
    }

    /** The plot with the readout of a handle painted over it: "index, velocity" in
        steel blue, centred in a box a tenth of the plot's width and height, just
        below and right of the handle, or above and left of it near the far edges. */
    juce::Image withReadout (const juce::Image& plot, const DraggableCurveComponent& curve, int handle,
                             juce::Rectangle<int>& box)
    {
        const auto p = curve.getHandlePosition (handle);
        const auto w = plot.getWidth(), h = plot.getHeight();
        const auto bw = juce::roundToInt (0.1f * (float) w), bh = juce::roundToInt (0.1f * (float) h);

        box = { p.x < (float) (w - 2 * bw) ? (int) std::round (p.x - 0.2 * bw) : (int) std::round (p.x - (float) bw),
                p.y < (float) (h - 2 * bh) ? (int) std::round (p.y + 0.2 * bh) : (int) std::round (p.y - (float) bh),
                bw, bh };

        auto expected = plot.createCopy();
        juce::Graphics g (expected);
        g.setColour (juce::Colour (0xff4682b4));
        g.drawText (juce::String (curve.getShape().getRawIndex (handle)) + ", "
                        + juce::String (curve.getShape().getVelocity (handle)),
                    box, juce::Justification::centred, true);
        return expected;
    }

    /** The colour at the centre of each handle H1..H5. */
    std::vector<juce::Colour> handleColours (DraggableCurveComponent& curve)
    {
        const auto shot = shotOf (curve);
        std::vector<juce::Colour> colours;

        for (int h = 1; h <= 5; ++h)
        {
            const auto p = curve.getHandlePosition (h);
            colours.push_back (shot.getPixelAt ((int) p.x, (int) p.y));
        }

        return colours;
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

TEST_F (CurveDialog, TheDraggedHandleShowsItsIndexAndVelocityBesideItAndStaysMarkedAfterRelease)
{
    const juce::Colour slateBlue (0xff6a5acd), red (0xffff0000);

    // Up into the plot, and to the far bottom right, where the readout goes above and left.
    const struct { int handle; juce::Point<float> to; } drags[] { { 4, { 400.0f, 60.0f } },
                                                                  { 5, { 2000.0f, 2000.0f } } };

    for (auto& d : drags)
    {
        SCOPED_TRACE (d.handle);
        CurveSettingView view (8, editorWidth, editorHeight);
        auto& curve = view.getCurveComponent();
        EXPECT_EQ (handleColours (curve), std::vector<juce::Colour> (5, slateBlue));

        curve.mouseDown (testsupport::mouseEventAt (curve, curve.getHandlePosition (d.handle)));
        curve.mouseDrag (testsupport::mouseEventAt (curve, d.to));
        const auto whileDragged = shotOf (curve);
        curve.mouseUp (testsupport::mouseEventAt (curve, d.to));
        const auto released = shotOf (curve);

        // Where nothing else is drawn, the plot shows the readout while dragged, and not after.
        juce::Rectangle<int> box;
        const auto expected = withReadout (released, curve, d.handle, box);
        const auto background = released.getPixelAt (0, 0);
        int textPixels = 0, wrongPixels = 0;

        for (int y = box.getY(); y < box.getBottom(); ++y)
        {
            for (int x = box.getX(); x < box.getRight(); ++x)
            {
                if (released.getPixelAt (x, y) != background)
                    continue;

                textPixels += expected.getPixelAt (x, y) != background ? 1 : 0;
                wrongPixels += whileDragged.getPixelAt (x, y) != expected.getPixelAt (x, y) ? 1 : 0;
            }
        }

        EXPECT_GT (textPixels, 20);
        EXPECT_EQ (wrongPixels, 0);

        auto marked = std::vector<juce::Colour> (5, slateBlue);
        marked[(size_t) d.handle - 1] = red;
        EXPECT_EQ (handleColours (curve), marked);

        // A press far from every handle takes the mark away.
        curve.mouseDown (testsupport::mouseEventAt (curve, { 1.0f, 1.0f }));
        EXPECT_EQ (handleColours (curve), std::vector<juce::Colour> (5, slateBlue));
    }
}

TEST_F (CurveDialog, APlotTakesTheMouseOnlyForTheUserCurveAndReadsScreenPointsAsIndexesAndVelocities)
{
    currentCurveNumber = 3;
    DraggableCurveComponent fixed (leftToRight (3));
    fixed.setSize (520, 264);
    const auto fixedValues = fixed.getValues();
    dragHandle (fixed, 3, { 300.0f, 10.0f });
    EXPECT_EQ (fixed.getValues(), fixedValues);

    // Two pixels per index and per velocity step, inside a margin of 5.
    currentCurveNumber = 8;
    DraggableCurveComponent curve (leftToRight (1));
    curve.setSize (520, 264);

    for (auto [screenX, index] : { std::pair (5.0f, 0), std::pair (8.9f, 1), std::pair (515.0f, 255),
                                   std::pair (4.0f, 0) })       // toward zero
        EXPECT_EQ (curve.toRawX (screenX), index) << screenX;

    // Refitted through the handles as placed, the curve runs flat at H5's velocity past H5.
    const auto& shape = curve.getShape();
    ASSERT_LT (shape.getVelocity (5), (int) curve.getValues()[255]);
    curve.fitCurve();

    for (int x = shape.getRawIndex (5) + 1; x < 256; ++x)
        ASSERT_EQ (curve.getValues()[x], (float) shape.getVelocity (5)) << x;

    // H5's couplings at the screen point of velocity 5 (y = 5 + 2 * (127 - 5)): H6
    // goes there, H4 and H3 come down to it, and H3's own coupling takes H2 along.
    curve.constrainHandle (5, 485.0f, 249.0f, -1);

    for (int h : { 6, 4, 3, 2 })
        EXPECT_EQ (shape.getVelocity (h), 5) << "H" << h;
}

using CurveView = sim::EditorFixture;

TEST_F (CurveView, AUserCurveDraggedThereIsWhatTheKeyboardGetsOnTheTickAfterOk)
{
    sim::SimulatedKeyboard keyboard (ports);
    editor->setSize (editorWidth, editorHeight);
    tick();
    click (controlButton (1));
    pick (editor->msgTypeCombo, "Custom Curve");

    auto curveDialog = []
    {
        auto dialogs = testsupport::findWindowsTitled ("Setting Curve (#8)");
        auto* dialog = dynamic_cast<juce::DialogWindow*> (dialogs.getFirst());
        return dialog == nullptr ? nullptr : dynamic_cast<CurveSettingView*> (dialog->getContentComponent());
    };

    const auto dragH3Up = [&]
    {
        auto& curve = curveDialog()->getCurveComponent();
        dragHandle (curve, 3, curve.getHandlePosition (3) - juce::Point<float> (0.0f, 90.0f));
    };

    testsupport::WhileADialogRuns during ([&] { return curveDialog() != nullptr; }, dragH3Up,
                                          [&] { testsupport::findButton (*curveDialog(), "OK")->triggerClick(); });
    click (editor->curveViewButton);
    ASSERT_TRUE (during.ended);

    // OK made the dragged curve the user curve; the next tick sends it.
    EXPECT_NE (tableOf (8), tableOf (1)) << "the drag moved the curve";

    tick();
    const auto dumps = keyboard.curveDumps();
    ASSERT_EQ (dumps.size(), 1u);
    EXPECT_EQ (std::vector<int> (dumps[0].bytes.begin(), dumps[0].bytes.end()), tableOf (8));
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
