#pragma once

#include "editor/window/MappableButton.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

namespace NsDravel
{
    class MyTimer;

    /**
        The control panel of the editor: the picture of the keyboard with a
        clickable button over each of its controls (the keys, both pedal
        sockets, both wheels, both knobs), the knob pictures and the short
        captions under the small controls.

        Building the panel creates and starts the device timer, which from then
        on connects to the keyboard and sends what the editor asks for.
        Message thread only.
    */
    class MixerSection : public juce::Component,
                         public juce::Button::Listener
    {
    public:
        MixerSection();
        ~MixerSection() override;

        void resized() override;

        /** The panel's own clicks do nothing: the editor listens to the buttons too. */
        void buttonClicked (juce::Button*) override {}

        /** Binds every control button to its control in the host's current map. */
        void bindControls();

        /** Shows a picture of the keyboard behind the control buttons. */
        void setKeyboardPicture (const juce::Image& picture);

        /** The picture component of the keyboard. */
        juce::ImageComponent& getKeyboardPicture()    { return *keyboardPicture; }

        /** The button of control 1..7 (keys, sustain, expression, pitch wheel,
            modulation wheel, knob 1, knob 2); null for any other number. */
        MappableButton* getControlButton (int control) const;

        /** The device timer the panel created and started (also NsDravel::theTimer);
            it goes with the panel. */
        std::unique_ptr<MyTimer> deviceTimer;

    private:
        std::unique_ptr<juce::Label> makeCaption (const juce::String& text);
        std::unique_ptr<MappableButton> makeButton (const juce::String& name);

        juce::Image emptyPicture, knobPicture, modulationKnobPicture;

        std::unique_ptr<juce::ImageComponent> keyboardPicture;
        std::unique_ptr<MappableButton> keysButton;
        std::unique_ptr<juce::Label> sustainCaption, expressionCaption, pitchCaption, modulationCaption;
        std::unique_ptr<MappableButton> sustainButton, expressionButton;
        std::unique_ptr<MappableButton> pitchWheelButton, modulationWheelButton;
        std::unique_ptr<juce::ImageComponent> knobPicture1, knobPicture2;
        std::unique_ptr<MappableButton> knob2Button, knob1Button;
        std::unique_ptr<MappableButton> spareButton;
        std::unique_ptr<juce::Label> transposeDownCaption, transposeUpCaption, octaveDownCaption, octaveUpCaption;
        std::unique_ptr<MappableButton> smallButtons[4];

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MixerSection)
    };
}
