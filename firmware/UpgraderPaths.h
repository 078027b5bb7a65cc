#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** The program's per-user data folder, where the upgrader keeps downloaded
        firmware and the flashing tool's staging and read-back files:
        $XDG_DATA_HOME/Tavlo, or ~/.local/share/Tavlo. Created when missing. */
    juce::File getUpgraderDataFolder();
}
