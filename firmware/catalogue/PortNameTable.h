#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** The product id of the device behind a MIDI port name, or 2000 when no
        product pattern matches. The name is lower-cased and trimmed, then tried
        against an ordered list of wildcard patterns (case ignored); the first
        match decides, even when it maps to 2000. halvik::alternateModelNames == 1
        selects the alternate list instead of the standard one. Any thread. */
    int getProductIdFromPortName (const juce::String& portName);
}
