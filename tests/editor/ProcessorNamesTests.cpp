#include <gtest/gtest.h>
#include "editor/ProcessorNames.h"

using namespace NsDravel;

TEST (ProcessorNames, DescriptionNamesTheMakerOrTheAppleModel)
{
    const std::pair<const char*, const char*> rows[] =
    {
        { "Intel(R) Core(TM) i7-9750H CPU @ 2.60GHz", "Intel" },
        { "AMD Ryzen 7 5800X 8-Core Processor", "AMD" },
        { "Apple M1 Pro", "M1 Pro" },
        { "Apple M3 Max", "M3 Max" },
        { "Apple M4 Ultra", "M4 Ultra" },
        { "Apple M2", "M2 " },
        { "VirtualApple 2.50GHz Processor", "M1 Pro" },
        { "amd ryzen", "" },
        { "Cortex-A72", "" },
    };
    for (auto& [cpu, description] : rows)
        EXPECT_EQ (describeProcessor (cpu), description) << cpu;
}

TEST (ProcessorNames, MakerTestsAreCaseSensitiveAndAppleTestsAreNot)
{
    EXPECT_FALSE (isIntelCpu ("intel"));
    EXPECT_FALSE (isAmdCpu ("amd epyc"));
    EXPECT_TRUE (isVirtualAppleCpu ("virtualapple"));
    EXPECT_FALSE (isVirtualAppleCpu ("Apple M2"));
    EXPECT_TRUE (isAppleMSeriesCpu (3, "apple m3"));
    EXPECT_FALSE (isAppleMSeriesCpu (4, "Apple M3"));
    EXPECT_TRUE (cpuNameContainsIgnoreCase ("ultra", "Apple M2 ULTRA"));
}
