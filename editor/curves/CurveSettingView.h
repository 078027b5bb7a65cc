#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "editor/curves/DraggableCurveComponent.h"

namespace NsDravel
{
    /** The title of the curve dialog for a curve number: "Setting Curve (#8)" for the
        user curve, "Viewing Curve (#n)" for the fixed ones.
    */
    juce::String getCurveDialogTitle (int curveNumber);

    /**
        The content of the curve dialog: the plot of one velocity curve and its
        buttons. For the user curve (8) the plot has handles, and OK stores the drawn
        curve as the user curve and asks the device timer to send it; for the fixed
        curves only OK is shown and it just closes. Message thread only.
    */
    class CurveSettingView  : public juce::Component,
                              public juce::Button::Listener,
                              public juce::ComboBox::Listener
    {
    public:
        /** Shows curve 1..8, sized after the editor that opens it: 0.8 of the smaller
            of its sides high and 1.55 times that wide.
        */
        CurveSettingView (int curveNumber, int parentWidth, int parentHeight);

        ~CurveSettingView() override;

        /** The curve number shown. */
        int getCurveNumber() const noexcept                       { return curveNumber; }

        /** The plot. */
        DraggableCurveComponent& getCurveComponent() noexcept    { return *curve; }

        /** @internal */
        void resized() override;
        /** @internal */
        void buttonClicked (juce::Button*) override;
        /** @internal */
        void comboBoxChanged (juce::ComboBox*) override {}

    private:
        bool isUserCurve() const noexcept;
        void storeUserCurve();
        void closeDialog();

        const int curveNumber;
        std::unique_ptr<DraggableCurveComponent> curve;
        juce::TextButton cancelButton { "Cancel" };
        juce::TextButton okButton { "OK" };

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CurveSettingView)
    };
}
