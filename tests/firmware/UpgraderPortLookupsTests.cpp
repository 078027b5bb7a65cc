#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include "firmware/midi/UpgraderPortLookups.h"

using namespace halvik;

namespace
{
    using UpgraderPortLookups = sim::UpgraderFixture;

    /** One keyboard, the system's own ports (the Windows synth, the ALSA
        loopback) and a unit in upgrade mode, as each system names them. */
    struct NamingStyle
    {
        const char* label;
        juce::StringArray outputs, inputs;
        const char* firstPort;
        const char* secondPort;
        const char* upgradePort;
    };

    const NamingStyle windowsNames { "Windows",
                                     { "Dravel 49", "MIDIOUT2 (Dravel 49)", "Microsoft GS Wavetable Synth",
                                       "Halvik firmware upgrade", "Dravel 49", " " },
                                     { "Dravel 49", "MIDIIN2 (Dravel 49)", "Halvik firmware upgrade" },
                                     "Dravel 49", "MIDIOUT2 (Dravel 49)", "Halvik firmware upgrade" };

    const NamingStyle linuxNames { "Linux",
                                   { "Midi Through Port-0", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Microsoft GS Wavetable Synth",
                                     "Halvik firmware upgrade MIDI 1", "Dravel 49 MIDI 1", " " },
                                   { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade MIDI 1" },
                                   "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade MIDI 1" };
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

TEST_F (UpgraderPortLookups, ListsHoldEachUsableNameOnceInBothNamingStyles)
{
    for (auto* style : { &windowsNames, &linuxNames })
    {
        sim::NamedPorts plugged (style->outputs, style->inputs);
        SCOPED_TRACE (style->label);
        toolFamilyActive = false;

        // Neither the system's own ports nor, unless the tool family may use it, the keyboard's further port.
        const juce::StringArray allButTheSystems { style->firstPort, style->secondPort, style->upgradePort };
        EXPECT_EQ (listMidiDevices (true, true, true), allButTheSystems);
        EXPECT_EQ (listMidiDevicesNoAliases (true, false), allButTheSystems);
        EXPECT_EQ (listMidiDevices (true, false, true), juce::StringArray (style->upgradePort));
        // The strict filter keeps device names alone, of which "Dravel 49" is too short to be one.
        EXPECT_EQ (listMidiDevicesNoAliases (true, true), style == &linuxNames ? juce::StringArray (style->firstPort) : juce::StringArray());
        EXPECT_EQ (listMidiDevicesForDisplay (false, true, true),
                   juce::StringArray (style->inputs[0], style->inputs[1], "Halvik firmware upgrade manager"));

        // The display name leads back to the port behind it; other names stay.
        EXPECT_EQ (resolveUpgradePortName ("Halvik firmware upgrade manager"), style->upgradePort);
        EXPECT_EQ (resolveUpgradePortName (style->secondPort), style->secondPort);

        toolFamilyActive = true;
        EXPECT_TRUE (listMidiDevices (true, true, false).contains (style->secondPort));
    }
}

TEST_F (UpgraderPortLookups, CountsSeeOneUnitPerKeyboardWhateverItsNumberOfPortsAndTwinsAsTwo)
{
    for (auto* style : { &windowsNames, &linuxNames })
    {
        sim::NamedPorts plugged (style->outputs, style->inputs);
        SCOPED_TRACE (style->label);

        // The first port is listed twice, as two units of one model are on
        // Linux; the second port of each is no unit of its own.
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
    }

    sim::SimulatedMidiPorts twoKeyboards;
    sim::NamedPorts plugged (twoKeyboards, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "MIDIOUT2 (Dravel 49)",
                                             "Dravel 49 X MIDI 1", "Dravel 49 X MIDI 2" });
    EXPECT_EQ (countProductMidiOutputs (4130), 2);
}
