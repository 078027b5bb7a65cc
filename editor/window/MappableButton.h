#pragma once

#include "editor/model/ControlBinding.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    /**
        A clickable area of the control panel that stands for one control of the
        keyboard (the keys, a pedal, a wheel or a knob).

        It is bound to the control's node of the current map; its setters write
        the device settings image and the node together, so the keyboard receives
        the change with the next settings transfer. The toggle state marks the
        control the editor shows in its detail row. Message thread only.
    */
    class MappableButton : public juce::TextButton
    {
    public:
        explicit MappableButton (const juce::String& componentName);
        ~MappableButton() override;

        /** The text that describes what the control sends: its note name or
            "CC", "PC", "PB." with the data value, a Mackie Control function in
            the HUI mode, or "ErrWrongMidiType". */
        virtual juce::String getMappingText();

        /** Shows getMappingText() in the caption label when one is attached,
            else as the button's own text. */
        virtual void updateText();

        /** Binds the button to a control node of the mapping tree; an invalid node
            gives control number 0 and values that belong to no tree. */
        void attachToControl (juce::ValueTree control);

        /** Channel 1..16 of the control. */
        void setChannel (int channel);

        /** Velocity curve index 0..7 of the keys. */
        void setVelocityCurve (int curveIndex);

        /** Direction of a knob. */
        void setClockwise (bool clockwise);

        /** Message type, as its status nibble (9, 0xB, 0xC, 0xE). */
        void setMessageType (int statusNibble);

        /** Octave byte of the keys (octave + 8). */
        void setOctave (int octaveByte);

        /** Sustain polarity: 0 "by pressing", 1 "by releasing". */
        void setSustainMode (int polarity);

        /** Transposition list index 0..12 of the keys. */
        void setTransposition (int index);

        /** Data value (note or controller number) of the control. */
        void setMessageValue (int value);

        /** The bound sustain polarity as an int. */
        int getValueAsInt() const                { return binding.getValueAsInt(); }

        /** The number of the bound control: 1..7, 0 when bound to nothing, -1 before binding. */
        int getControlNumber() const             { return binding.controlNumber; }

        /** Kind of the control: 0 keys, 1 pedal or wheel, 3 knob; -1 until set. */
        int getKind() const                      { return binding.kind; }
        void setKind (int newKind)               { binding.kind = newKind; }

        /** The values bound to the control's node. */
        const ControlBinding& getBinding() const { return binding; }

        /** A label that would show the mapping text instead of the button; not owned. */
        juce::Label* captionLabel = nullptr;

    private:
        ControlBinding binding;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MappableButton)
    };

    /** The status nibble of the message type a control's button is bound to. */
    int statusNibbleOfType (const MappableButton& button);
}
