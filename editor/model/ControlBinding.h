#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace NsDravel
{
    /**
        What one control's button edits: the control number and kind, and values
        bound to the properties of the control's node in the mapping tree.

        Each setter first writes the device settings image, then the bound value
        (which sets the tree property). The setters whose image write depends on
        the DAW mode take the current mode as their last argument. Arguments go
        into the image as their low 8 bits (nibbles as their low 4), without range
        checks; a control number that addresses no record writes no image byte.
        Message thread only.
    */
    class ControlBinding
    {
    public:
        ControlBinding();

        /** Binds the values to a control node ("id" gives the control number):
            "type" and "chan" always; for control 1 also "octave", "transposition",
            "curve"; for the others "value", for control 2 also "sustain", for
            controls 6 and 20 also "clockwise". The other values, and all of them for
            an invalid node (control number 0), become values of the binding's own. */
        void attachToControl (juce::ValueTree control);

        /** Channel 1..16: the keys', a pedal's or wheel's, or (outside modes 7..10) a knob's. */
        void setChannel (int channel, int dawMode);

        /** Message type by status nibble (9, 0xB, 0xC, 0xE): a pedal's or wheel's, or
            (only in mode 6) a knob's; "type" gets its name, empty for another status. */
        void setMessageType (int statusNibble, int dawMode);

        /** Data value (note or controller number): a pedal's or wheel's, or (outside
            modes 7..10) a knob's. */
        void setMessageValue (int value, int dawMode);

        /** Velocity curve index 0..7 of the keys; also the curve dialog's curve number. */
        void setVelocityCurve (int curveIndex);

        /** Octave byte of the keys (octave + 8). */
        void setOctave (int octaveByte);

        /** Transposition list index 0..12; the keys' byte becomes index + 4. */
        void setTransposition (int index);

        /** Sustain polarity: 0 "by pressing", 1 "by releasing". */
        void setSustainMode (int polarity);

        /** Knob direction (only in mode 6 does it reach the image). */
        void setClockwise (bool clockwise, int dawMode);

        /** The bound "sustain" value as an int. */
        int getValueAsInt() const;

        /** The status nibble of the bound "type". */
        int getStatusNibbleOfType() const;

        int controlNumber = -1;
        int kind = -1;

        juce::Value type { juce::var (0) };
        juce::Value chan;
        juce::Value value { juce::var (0) };
        juce::Value clockwise;
        juce::Value sustain;
        juce::Value curve;
        juce::Value octave;
        juce::Value transposition;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ControlBinding)
    };

    /** The status nibble of a control's bound "type" (unknown names count as notes). */
    int statusNibbleOfType (const ControlBinding& binding);
}
