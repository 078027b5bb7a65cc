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
        { "apple m3 max", "M3 Max" },                   // the Apple tests ignore case, the makers' do not
        { "amd ryzen", "" },
        { "intel core", "" },
        { "Cortex-A72", "" },
    };
    for (auto& [cpu, description] : rows)
        EXPECT_EQ (describeProcessor (cpu), description) << cpu;
}
