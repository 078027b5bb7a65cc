#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace halvik
{
    /** The one door into the firmware upgrader: runs it modally for a product,
        centred on the parent, and returns once its window has closed (0 when it
        was refused or cancelled). The fifth argument is not used.
        Message thread only. */
    int openFirmwareUpgrader (int productId, juce::Component* parent,
                              bool showNotice, bool useServerList, int extra);
}
