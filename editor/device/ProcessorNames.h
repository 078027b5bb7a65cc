#pragma once

#include <juce_core/juce_core.h>

/** Tests on the processor's model string (juce::SystemStats::getCpuModel),
    for the window title and the upgrader's host checks. Pure functions. */
namespace NsDravel
{
    /** The model string contains "Intel" (case-sensitive). */
    bool isIntelCpu (juce::String cpu);

    /** The model string contains "AMD" (case-sensitive). */
    bool isAmdCpu (juce::String cpu);

    /** The model string contains the text, case ignored. */
    bool cpuNameContainsIgnoreCase (juce::String text, juce::String cpu);

    /** A virtualised or first-generation Apple processor: "VirtualApple" or
        "M1", case ignored. */
    bool isVirtualAppleCpu (juce::String cpu);

    /** "M" followed by the generation ("M2", "M3", ...), case ignored. */
    bool isAppleMSeriesCpu (int generation, juce::String cpu);

    /** A short name for the window title: "Intel", "AMD", or an Apple prefix
        ("M1 " to "M4 ") followed by "Pro", "Max" or "Ultra"; empty when none
        of these is found. */
    juce::String describeProcessor (juce::String cpu);
}
