#include <gtest/gtest.h>
#include "editor/PortNames.h"
#include "firmware/UpgraderState.h"

using namespace NsDravel;

TEST (PortNames, NumberedWindowsNamesGiveTheirPortAndCompanion)
{
    EXPECT_EQ (portNumberOfName ("MIDIIN2 (Dravel 49)"), 2);
    EXPECT_EQ (portNumberOfName ("MIDIOUT3 (Dravel 49)"), 3);
    EXPECT_EQ (companionPortName ("MIDIIN2 (Dravel 49)", false), "MIDIOUT2 (Dravel 49)");
    EXPECT_EQ (companionPortName ("MIDIOUT2 (Dravel 49)", true), "MIDIIN2 (Dravel 49)");

    // Only the direction asked for is translated
    EXPECT_EQ (companionPortName ("MIDIOUT2 (Dravel 49)", false), "MIDIOUT2 (Dravel 49)");
    EXPECT_EQ (companionPortName ("MIDIIN2 (Dravel 49)", true), "MIDIIN2 (Dravel 49)");
}

TEST (PortNames, NumberedFormsAreCaseSensitiveWildcards)
{
    EXPECT_FALSE (isMidiInPortName ("midiin2 (Dravel 49)"));
    EXPECT_EQ (portNumberOfName ("midiin2 (Dravel 49)"), 1);
    EXPECT_EQ (companionPortName ("midiin2 (Dravel 49)", false), "midiin2 (Dravel 49)");
    EXPECT_FALSE (isMidiInPortName ("MIDIIN2(Dravel 49)"));

    EXPECT_TRUE (isMidiOutPortName ("MIDIOUTX (Dravel 49)"));
    EXPECT_EQ (portNumberOfName ("MIDIOUTX (Dravel 49)"), -1);
    EXPECT_EQ (portNumberOfName ("MIDIINX (Dravel 49)"), -1);

    EXPECT_EQ (portNumberOfName ("Dravel 49"), 1);
    EXPECT_EQ (companionPortName ("Dravel 49", false), "Dravel 49");
}

TEST (PortNames, AlsaNamesGiveTheirPortAndAreTheirOwnCompanion)
{
    const std::pair<const char*, int> rows[] =
    {
        { "Dravel 49 MIDI 2", 2 }, { "Dravel 49 MIDI 12", 12 }, { "Dravel 49 MIDI", 1 },
        { "Dravel 49 MIDI 2b", 1 }, { "Dravel 49 midi 2", 1 }, { "Dravel 49 MIDI 002", 2 },
        { "Dravel 49 MIDI 2147483647", 2147483647 },
        // Numbers no port can have are no number at all.
        { "Dravel 49 MIDI 2147483648", 1 }, { "Dravel 49 MIDI 4294967298", 1 },
        { "Dravel 49 MIDI 99999999999999999999999", 1 },
    };
    for (auto& [name, port] : rows)
        EXPECT_EQ (portNumberOfName (name), port) << name;

    EXPECT_EQ (companionPortName ("Dravel 49 MIDI 2", false), "Dravel 49 MIDI 2");
    EXPECT_EQ (companionPortName ("Dravel 49 MIDI 2", true), "Dravel 49 MIDI 2");
}

TEST (PortNames, CandidatesAreProductPortsOnceEachInSystemOrder)
{
    const juce::StringArray outputs { "Midi Through", "Dravel 61 MIDI 1", "", "  ", "halvik midi 2", "Halvik MIDI",
                                      "halvik 2", "Dravel 61 MIDI 1", "dravel 49", "Dravel 61 MIDI 2" };
    EXPECT_EQ (getCandidateDeviceNames (outputs),
               (juce::StringArray { "Dravel 61 MIDI 1", "halvik midi 2", "Dravel 61 MIDI 2" }));
}

TEST (PortNames, DeviceNameIsTheFirstCandidateOfAPlainKeyboard)
{
    halvik::resetUpgraderState();

    EXPECT_EQ (findDravelDeviceName (juce::StringArray()), "");
    EXPECT_EQ (findDravelDeviceName ({ "halvik midi 2", "Dravel 49X", "Dravel 25 MIDI 2", "Dravel 88" }),
               "Dravel 25 MIDI 2");
    EXPECT_EQ (findDravelDeviceName ({ "Dravel 49X", "Dravel 88X MIDI 2", "Dravel88" }), "");
}

TEST (PortNames, KeyboardRangeIsTheFiveSizes)
{
    for (int id : { 0x1020, 0x1024 })
        EXPECT_TRUE (isDravelModelRange (id)) << id;

    for (int id : { 0x101F, 0x1025, 2000, std::numeric_limits<int>::min(), std::numeric_limits<int>::max() })
        EXPECT_FALSE (isDravelModelRange (id)) << id;
}
