#pragma once

#include "support/TextLists.h"
#include "support/ScriptedPrompts.h"
#include "support/ToolFamilyFixture.h"

#include "firmware/host/HostProcessor.h"

namespace sim
{

/** A test of the upgrade window's steps: as ToolFamilyFixture (flags as at
    start, the flashing-tool stand-in with its simulated unit, pauses recorded
    instead of waited for), with scripted prompts and a host processor that no
    product refuses, whatever the machine's own. */
class UpgradeStepsFixture : public ToolFamilyFixture
{
protected:
    UpgradeStepsFixture()
    {
        halvik::setHostCpuModelForTesting ("Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
    }

    ~UpgradeStepsFixture() override
    {
        halvik::setHostCpuModelForTesting ({});
    }

    /** The protocol pauses of exactly this length taken so far. */
    int pausesOf (double ms) const
    {
        int count = 0;

        for (auto pause : pausesMs())
            if (pause == ms)
                ++count;

        return count;
    }

    ScriptedPrompts prompts;
};

} // namespace sim
