#include <gtest/gtest.h>
#include "editor/device/PortNames.h"
#include "firmware/UpgraderState.h"

using namespace NsDravel;

TEST (PortNames, NamesGiveTheirPortNumberAndCompanionPort)
{
    const struct { const char* name; int port; const char* companionOutput; const char* companionInput; } rows[] =
    {
        // Numbered forms: case-sensitive wildcards; only the direction asked for is translated.
        { "MIDIIN2 (Dravel 49)",   2, "MIDIOUT2 (Dravel 49)", "MIDIIN2 (Dravel 49)" },
        { "MIDIOUT3 (Dravel 49)",  3, "MIDIOUT3 (Dravel 49)", "MIDIIN3 (Dravel 49)" },
        { "midiin2 (Dravel 49)",   1, "midiin2 (Dravel 49)",  "midiin2 (Dravel 49)" },
        { "MIDIOUTX (Dravel 49)", -1, nullptr, nullptr },
        { "MIDIINX (Dravel 49)",  -1, nullptr, nullptr },
        { "Dravel 49",             1, "Dravel 49", "Dravel 49" },
        // ALSA names are their own companion.
        { "Dravel 49 MIDI 2",      2, "Dravel 49 MIDI 2", "Dravel 49 MIDI 2" },
        { "Dravel 49 MIDI 12",    12, nullptr, nullptr },
        { "Dravel 49 MIDI",        1, nullptr, nullptr },
        { "Dravel 49 MIDI 2b",     1, nullptr, nullptr },
        { "Dravel 49 midi 2",      1, nullptr, nullptr },
        { "Dravel 49 MIDI 002",    2, nullptr, nullptr },
        { "Dravel 49 MIDI 2147483647", 2147483647, nullptr, nullptr },
        // Numbers no port can have are no number at all.
        { "Dravel 49 MIDI 2147483648", 1, nullptr, nullptr },
        { "Dravel 49 MIDI 4294967298", 1, nullptr, nullptr },
        { "Dravel 49 MIDI 99999999999999999999999", 1, nullptr, nullptr },
    };

    for (auto& row : rows)
    {
        EXPECT_EQ (portNumberOfName (row.name), row.port) << row.name;

        if (row.companionOutput != nullptr)
        {
            EXPECT_EQ (companionPortName (row.name, false), row.companionOutput) << row.name;
            EXPECT_EQ (companionPortName (row.name, true), row.companionInput) << row.name;
        }
    }

    EXPECT_FALSE (isMidiInPortName ("midiin2 (Dravel 49)") || isMidiInPortName ("MIDIIN2(Dravel 49)"));
    EXPECT_TRUE (isMidiOutPortName ("MIDIOUTX (Dravel 49)"));
}

TEST (PortNames, CandidatesAreProductPortsOnceEachInSystemOrderAndTheDeviceIsTheFirstPlainKeyboard)
{
    const juce::StringArray outputs { "Midi Through Port-0", "Dravel 61 MIDI 1", "", "  ", "halvik midi 2", "Halvik MIDI",
                                      "halvik 2", "Dravel 61 MIDI 1", "dravel 49", "Dravel 61 MIDI 2" };
    EXPECT_EQ (getCandidateDeviceNames (outputs),
               (juce::StringArray { "Dravel 61 MIDI 1", "halvik midi 2", "Dravel 61 MIDI 2" }));

    halvik::resetUpgraderState();
    EXPECT_EQ (findDravelDeviceName (juce::StringArray()), "");
    EXPECT_EQ (findDravelDeviceName ({ "Midi Through Port-0" }), "");
    EXPECT_EQ (findDravelDeviceName ({ "halvik midi 2", "Dravel 49X", "Dravel 25 MIDI 2", "Dravel 88" }),
               "Dravel 25 MIDI 2");
    EXPECT_EQ (findDravelDeviceName ({ "Dravel 49X", "Dravel 88X MIDI 2", "Dravel88" }), "");
}
