#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace halvik
{
    /** Sends the bootloader's reset packet to every MIDI output whose name
        isChosen accepts, however many units are plugged in, then waits 50 ms
        for them to restart. Message thread. */
    void resetOutputsWhere (const std::function<bool (const juce::String& outputName)>& isChosen);

    /** Tells every unit that shows a firmware-upgrade port to restart (the
        bootloader's reset packet on each such output), waits 50 ms and answers
        whether no upgrade-mode port is left. Message thread. */
    bool resetAllUpgradePorts();
}
