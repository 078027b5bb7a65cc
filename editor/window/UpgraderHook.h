#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>

namespace NsDravel
{
    /** What the editor calls to run the firmware upgrader: (product id, parent,
        show notice, use server list, extra) -> the dialog's result. */
    using UpgraderEntry = std::function<int (int, juce::Component*, bool, bool, int)>;

    /** The upgrader entry of the "Firmware Upgrade" command: the real upgrader
        unless something else was put in (tests do, to watch the hand-over).
        Message thread only. */
    UpgraderEntry& firmwareUpgraderEntry();
}
