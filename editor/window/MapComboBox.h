#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    /** A combo box of the editor whose items may each stand for a MIDI data
        value (the "Message" list of a pedal or knob), kept in `values` in item
        order. Message thread only. */
    class MapComboBox : public juce::ComboBox
    {
    public:
        MapComboBox();

        /** The value behind the selected item; 0 when nothing is selected or
            the list holds no value for that item. */
        int getSelectedValue() const;

        /** The value behind each item, in item order; emptied whenever the
            editor clears the combo. */
        juce::Array<int> values;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MapComboBox)
    };
}
