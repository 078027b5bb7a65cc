#include <gtest/gtest.h>
#include "firmware/host/HostProcessor.h"

using namespace halvik;

TEST (HostProcessor, HighEndHostsAreRecognisedByTheirModelName)
{
    struct Case { const char* cpu; bool pro, max, ultra, highEnd; };
    const Case cases[] {
        { "Apple M2 Max",                          false, true,  false, true  },
        { "Apple M3 Pro",                          true,  false, false, true  },
        { "Apple M4 Ultra",                        false, false, true,  true  },
        { "Apple M1",                              false, false, false, false },
        { "Intel(R) Core(TM) m3-8100Y Processor",  true,  false, false, true  },  // "m3" and the "Pro" of "Processor"
        { "AMD Ryzen 7",                           false, false, false, true  },
        { "amd ryzen 7",                           false, false, false, false },  // the AMD test keeps case
        { "",                                      false, false, false, false },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.cpu);
        EXPECT_EQ (cpuNameIsApplePro (c.cpu), c.pro);
        EXPECT_EQ (cpuNameIsAppleMax (c.cpu), c.max);
        EXPECT_EQ (cpuNameIsAppleUltra (c.cpu), c.ultra);
        EXPECT_EQ (isAmdOrAppleHighEndCpu (c.cpu), c.highEnd);
    }
}
