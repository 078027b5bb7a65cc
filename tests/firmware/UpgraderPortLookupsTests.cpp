#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/UpgraderFixture.h"

#include "firmware/midi/UpgraderPortLookups.h"

using namespace halvik;

namespace
{
    using UpgraderPortLookups = sim::UpgraderFixture;

    /** One keyboard, the system's own ports and a unit in upgrade mode; the
        keyboard's first port is listed twice, as twins are. */
    const juce::StringArray outputs { "Midi Through Port-0", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Microsoft GS Wavetable Synth",
                                      "Halvik firmware upgrade MIDI 1", "Dravel 49 MIDI 1", " " },
                            inputs { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade MIDI 1" };
}

TEST_F (UpgraderPortLookups, OnlyTheExactUpgradeTextMarksAnUpgradePortUnlessTheToolIsProbedByHand)
{
    struct Row { const char* name; bool probing; bool autoAdvancing; bool expected; };

    const Row rows[] {
        { "Halvik firmware upgrade",          false, false, true  },
        { "Halvik firmware upgrade manager",  false, false, true  },
        { "Halvik firmware upgrade MIDI 1",   false, false, true  },
        { "halvik firmware upgrade",          false, false, false },
        { "HALVIK Midi 2",                    false, false, false },
        { "HALVIK Midi 2",                    true,  false, true  },
        { "  halvik usb midi  ",              true,  false, true  },
        { "HALVIK Midi 2",                    true,  true,  false },
        { "Dravel 49",                        true,  false, false },
    };

    for (auto& row : rows)
    {
        toolProbeMode = row.probing;
        autoAdvance = row.autoAdvancing;
        EXPECT_EQ (isUpgradePortName (row.name), row.expected)
            << row.name << " probing " << row.probing << " auto " << row.autoAdvancing;
        EXPECT_EQ (isUsableDevicePortName (row.name, false, true, true), row.expected) << "unfiltered: " << row.name;
    }

    EXPECT_TRUE (isUpgradePortNameExact ("2- Halvik firmware upgrade"));
    EXPECT_FALSE (isUpgradePortNameExact ("HALVIK FIRMWARE UPGRADE"));
}

TEST_F (UpgraderPortLookups, ListsHoldEachUsableNameOnce)
{
    sim::NamedPorts plugged (outputs, inputs);
    toolFamilyActive = false;

    // Neither the system's own ports nor, unless the tool family may use it, the keyboard's further port.
    const juce::StringArray allButTheSystems { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade MIDI 1" };
    EXPECT_EQ (listMidiDevices (true, true, true), allButTheSystems);
    EXPECT_EQ (listMidiDevicesNoAliases (true, false), allButTheSystems);
    EXPECT_EQ (listMidiDevices (true, false, true), juce::StringArray ("Halvik firmware upgrade MIDI 1"));
    EXPECT_EQ (listMidiDevicesNoAliases (true, true), juce::StringArray ("Dravel 49 MIDI 1")) << "the strict filter keeps device names alone";
    EXPECT_EQ (listMidiDevicesForDisplay (false, true, true),
               juce::StringArray ("Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade manager"));

    // The display name leads back to the port behind it; other names stay.
    EXPECT_EQ (resolveUpgradePortName ("Halvik firmware upgrade manager"), "Halvik firmware upgrade MIDI 1");
    EXPECT_EQ (resolveUpgradePortName ("Dravel 49 MIDI 2"), "Dravel 49 MIDI 2");

    toolFamilyActive = true;
    EXPECT_TRUE (listMidiDevices (true, true, false).contains ("Dravel 49 MIDI 2"));
}

TEST_F (UpgraderPortLookups, CountsSeeOneUnitPerKeyboardWhateverItsNumberOfPortsAndTwinsAsTwo)
{
    sim::NamedPorts plugged (outputs, inputs);

    // Twins: the first port listed twice; the second port of each is no unit of its own.
    EXPECT_EQ (countProductMidiOutputs (4130), 2);
    EXPECT_EQ (countProductMidiOutputs (4131), 0);
    EXPECT_EQ (getHighestPortNumber (4130), 2);
    EXPECT_EQ (getHighestPortNumber (4131), 0);

    EXPECT_TRUE (isProductPortPresent (4130, true));
    EXPECT_FALSE (isProductPortPresent (4130, false));
    EXPECT_TRUE (isProductPortPresent (4131, false));

    EXPECT_EQ (countTargetOutputs (4130, 16), 3 + 16);
    EXPECT_EQ (countTargetOutputs (4131, 16), 16);
    EXPECT_EQ (countMidiPortsContaining ("HALVIK FIRMWARE", true), 1);
    EXPECT_EQ (countMidiPortsContaining ("dravel", false), 2);

    sim::SimulatedMidiPorts twoKeyboards;
    sim::NamedPorts twoModels (twoKeyboards, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "MIDIOUT2 (Dravel 49)",
                                               "Dravel 49 X MIDI 1", "Dravel 49 X MIDI 2" });
    EXPECT_EQ (countProductMidiOutputs (4130), 2);
}
