#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    /** The DAW mode of the item selected in the DAW-mode combo box (item index i
        stands for mode i); -1 when nothing is selected. */
    int getModeIndexOfComboId (const juce::ComboBox& combo);
}
