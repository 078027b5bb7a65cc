#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    /** The DAW control mode chooser: one item per mode whose map the editor
        builds at start, "1) Nuendo (MCP)" and so on, with the host's current
        mode selected. Message thread only. */
    class CtModeComboBox : public juce::ComboBox
    {
    public:
        CtModeComboBox();

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CtModeComboBox)
    };
}
