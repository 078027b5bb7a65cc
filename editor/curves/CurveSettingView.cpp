#include "editor/curves/CurveSettingView.h"
#include "editor/EditorState.h"
#include "editor/curves/VelocityCurves.h"

namespace NsDravel
{
    namespace
    {
        juce::Array<int> keyboardCurveLeftToRight (int curveNumber)
        {
            juce::Array<int> values;
            const auto* table = getVelocityCurve (curveNumber);

            for (int i = 0; i < velocityCurveLength; ++i)
                values.add (table != nullptr ? (int) table[velocityCurveLength - 1 - i] : 0);

            return values;
        }
    }

    juce::String getCurveDialogTitle (int curveNumber)
    {
        const juce::String title (curveNumber == userCurveNumber ? "Setting Curve" : "Viewing Curve");
        return title + juce::String (" (#{id})").replace ("{id}", juce::String (curveNumber));
    }

    CurveSettingView::CurveSettingView (int number, int parentWidth, int parentHeight)
        : curveNumber (number)
    {
        setName ("CurveSettingView");

        addAndMakeVisible (cancelButton);
        addAndMakeVisible (okButton);

        curve = std::make_unique<DraggableCurveComponent> (keyboardCurveLeftToRight (curveNumber), isUserCurve());
        addAndMakeVisible (*curve);

        cancelButton.addListener (this);
        okButton.addListener (this);

        const auto side = 0.8f * (float) juce::jmin (parentWidth, parentHeight);
        setSize ((int) (side * 1.55f), (int) side);
    }

    CurveSettingView::~CurveSettingView()
    {
        cancelButton.removeListener (this);
        okButton.removeListener (this);
    }

    bool CurveSettingView::isUserCurve() const noexcept
    {
        // Decided by the curve shown, so that OK can only ever store what the user drew.
        return curveNumber == userCurveNumber;
    }

    void CurveSettingView::resized()
    {
        const auto w = getWidth(), h = getHeight();

        curve->setBounds (10, 10, w - 20, h - 80);

        if (isUserCurve())
        {
            okButton.setBounds (10, h - 40, juce::jmin (100, w - 10), 30);
            cancelButton.setBounds (w - 110, h - 40, 100, 30);
        }
        else
        {
            okButton.setBounds ((w - 100) / 2, h - 40, 100, 30);
            cancelButton.setBounds ({});
        }
    }

    void CurveSettingView::buttonClicked (juce::Button* button)
    {
        if (button == &okButton && isUserCurve())
            storeUserCurve();

        closeDialog();
    }

    void CurveSettingView::storeUserCurve()
    {
        // writeTable clamps every entry to 0..127, so the dump never carries a status byte.
        curve->getShape().writeTable (velocityCurves[userCurveNumber - 1]);
        pendingCurveSend = true;
    }

    void CurveSettingView::closeDialog()
    {
        if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
            dialog->closeButtonPressed();
    }
}
