#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** Tells every unit that shows a firmware-upgrade port to restart (the
        bootloader's reset packet on each such output), waits 50 ms and answers
        whether no upgrade-mode port is left. Message thread. */
    bool resetAllUpgradePorts();
}
