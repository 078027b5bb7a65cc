#pragma once

#include <juce_core/juce_core.h>

namespace NsDravel
{
    /** Names of the MIDI outputs the program can send to, in the system's order. */
    juce::StringArray listMidiOutputNames();

    /** Names of the MIDI inputs the program can read from, in the system's order. */
    juce::StringArray listMidiInputNames();
}
