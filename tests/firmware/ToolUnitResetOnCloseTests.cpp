#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderState.h"
#include "firmware/window/FirmwareUpgradeComponent.h"

using namespace halvik;

// Closing the upgrade window of a tool-family unit: a unit that still sits in
// its bootloader is restarted through the tool, once; no MIDI is sent.

using ToolUnitResetOnClose = sim::UpgradeStepsFixture;

TEST_F (ToolUnitResetOnClose, AUnitInItsBootloaderGetsExactlyOneToolReset)
{
    for (bool entered : { true, false })
    {
        sim::FlashToolStandIn unit;
        sim::SimulatedMidiPorts rowPorts;
        rowPorts.setRealPauses (false);
        sim::NamedPorts unitPorts (rowPorts, { "R7-X1 MIDI 1", "Halvik firmware upgrade" });

        {
            FirmwareUpgradeComponent window (2056, true);
            toolModeEntered = entered;
        }

        EXPECT_EQ (sim::texts (unit.describeRuns()), sim::texts (entered ? juce::StringArray ("-u -- reset") : juce::StringArray()))
            << "entered " << entered;
        EXPECT_TRUE (unitPorts.messagesTo ("R7-X1 MIDI 1").isEmpty());
        EXPECT_TRUE (unitPorts.messagesTo ("Halvik firmware upgrade").isEmpty());
        EXPECT_EQ (toolModeEntered, entered) << "the mark stays as it was";
    }
}
