#include "editor/device/ProcessorNames.h"

namespace NsDravel
{
    bool isIntelCpu (juce::String cpu)
    {
        return cpu.contains ("Intel");
    }

    bool isAmdCpu (juce::String cpu)
    {
        return cpu.contains ("AMD");
    }

    bool cpuNameContainsIgnoreCase (juce::String text, juce::String cpu)
    {
        return cpu.containsIgnoreCase (text);
    }

    bool isVirtualAppleCpu (juce::String cpu)
    {
        return cpuNameContainsIgnoreCase ("VirtualApple", cpu) || cpuNameContainsIgnoreCase ("M1", cpu);
    }

    bool isAppleMSeriesCpu (int generation, juce::String cpu)
    {
        return cpuNameContainsIgnoreCase ("M" + juce::String (generation), cpu);
    }

    juce::String describeProcessor (juce::String cpu)
    {
        if (isIntelCpu (cpu))
            return "Intel";

        if (isAmdCpu (cpu))
            return "AMD";

        juce::String suffix;
        for (auto* edition : { "Pro", "Max", "Ultra" })
        {
            if (cpuNameContainsIgnoreCase (edition, cpu))
            {
                suffix = edition;
                break;
            }
        }

        juce::String prefix;
        if (isVirtualAppleCpu (cpu))
        {
            prefix = "M1 ";
        }
        else
        {
            for (int generation = 2; generation <= 4; ++generation)
            {
                if (isAppleMSeriesCpu (generation, cpu))
                {
                    prefix = "M" + juce::String (generation) + " ";
                    break;
                }
            }
        }

        return prefix + suffix;
    }
}
