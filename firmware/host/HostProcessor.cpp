#include "firmware/host/HostProcessor.h"

#include "editor/device/ProcessorNames.h"

namespace halvik
{
    namespace
    {
        bool isAppleMSeriesWith (const juce::String& edition, const juce::String& cpu)
        {
            for (int generation = 1; generation <= 4; ++generation)
                if (NsDravel::isAppleMSeriesCpu (generation, cpu))
                    return NsDravel::cpuNameContainsIgnoreCase (edition, cpu);

            return false;
        }

        juce::String& replacedCpuModel()
        {
            static juce::String replaced;
            return replaced;
        }
    }

    bool cpuNameIsAppleMax (const juce::String& cpu)   { return isAppleMSeriesWith ("Max", cpu); }
    bool cpuNameIsApplePro (const juce::String& cpu)   { return isAppleMSeriesWith ("Pro", cpu); }
    bool cpuNameIsAppleUltra (const juce::String& cpu) { return isAppleMSeriesWith ("Ultra", cpu); }

    bool isAmdOrAppleHighEndCpu (const juce::String& cpu)
    {
        return NsDravel::isAmdCpu (cpu)
            || cpuNameIsApplePro (cpu)
            || cpuNameIsAppleMax (cpu)
            || cpuNameIsAppleUltra (cpu);
    }

    juce::String getHostCpuModel()
    {
        // Reading the model name means reading /proc/cpuinfo on Linux: once is enough.
        static const auto systemModel = juce::SystemStats::getCpuModel();

        const auto& replaced = replacedCpuModel();
        return replaced.isNotEmpty() ? replaced : systemModel;
    }

    void setHostCpuModelForTesting (const juce::String& cpu)
    {
        replacedCpuModel() = cpu;
    }
}
