#pragma once

#include <juce_core/juce_core.h>

/** What the upgrader needs to know about the computer's processor, from its
    model name (juce::SystemStats::getCpuModel). */
namespace halvik
{
    /** An Apple M1 to M4 "Max": the name contains one of "M1" .. "M4" and
        "Max", case ignored, anywhere. */
    bool cpuNameIsAppleMax (const juce::String& cpu);

    /** The same with "Pro". */
    bool cpuNameIsApplePro (const juce::String& cpu);

    /** The same with "Ultra". */
    bool cpuNameIsAppleUltra (const juce::String& cpu);

    /** An AMD processor ("AMD", case-sensitive) or an Apple Pro, Max or Ultra:
        hosts on which some products cannot be upgraded. */
    bool isAmdOrAppleHighEndCpu (const juce::String& cpu);

    /** This computer's processor model name, read from the system once. */
    juce::String getHostCpuModel();

    /** Makes getHostCpuModel answer the given name instead (tests); an empty
        name puts the system's back. Message thread. */
    void setHostCpuModelForTesting (const juce::String& cpu);
}
