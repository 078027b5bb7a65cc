#pragma once

#include "support/ScriptedPrompts.h"
#include "support/SimulatedMidiPorts.h"

#include "firmware/UpgraderState.h"

#include <gtest/gtest.h>

namespace sim
{

/** A test of the upgrader's windows, choosers and look-ups: its process-wide
    flags as at program start (and put back afterwards), simulated MIDI ports
    whose pauses are only recorded, and prompts answered by a script. */
class UpgraderFixture : public ::testing::Test
{
protected:
    UpgraderFixture()
    {
        halvik::resetUpgraderState();
        ports.setRealPauses (false);
    }

    ~UpgraderFixture() override
    {
        halvik::resetUpgraderState();
    }

    SimulatedMidiPorts ports;
    ScriptedPrompts prompts;
};

} // namespace sim
