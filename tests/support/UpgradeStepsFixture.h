#pragma once

#include "support/TextLists.h"
#include "support/ScriptedPrompts.h"
#include "support/SimulatedUpgradeUnit.h"
#include "support/ToolFamilyFixture.h"
#include "support/VirtualClock.h"

#include "firmware/host/HostProcessor.h"

namespace sim
{

/** A test of the upgrade window's steps: as ToolFamilyFixture (flags as at
    start, the flashing-tool stand-in with its simulated unit), with every
    pause and reply wait on a virtual clock that the simulated MIDI units act
    on too, scripted prompts, and a host processor that no product refuses,
    whatever the machine's own. */
class UpgradeStepsFixture : public ToolFamilyFixture
{
protected:
    UpgradeStepsFixture()
    {
        ports.setClock (&clock);
        halvik::setHostCpuModelForTesting ("Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
    }

    ~UpgradeStepsFixture() override
    {
        units.clear();
        ports.setClock (nullptr);
        halvik::setHostCpuModelForTesting ({});
    }

    /** A MIDI unit plugged into the simulated ports, acting on the clock. */
    SimulatedUpgradeUnit& addUnit (SimulatedUpgradeUnit::Options options)
    {
        units.push_back (std::make_unique<SimulatedUpgradeUnit> (ports, clock, std::move (options)));
        return *units.back();
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

    VirtualClock clock;
    std::vector<std::unique_ptr<SimulatedUpgradeUnit>> units;
    ScriptedPrompts prompts;
};

} // namespace sim
