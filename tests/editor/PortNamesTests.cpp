#include <gtest/gtest.h>
#include "editor/PortNames.h"
#include "firmware/PortNameTable.h"
#include "firmware/UpgraderState.h"

using namespace NsDravel;

TEST (PortNames, NumberedWindowsNamesGiveTheirPortAndCompanion)
{
    EXPECT_TRUE (isMidiInPortName ("MIDIIN2 (Dravel 49)"));
    EXPECT_EQ (portNumberOfName ("MIDIIN2 (Dravel 49)"), 2);
    EXPECT_EQ (companionPortName ("MIDIIN2 (Dravel 49)", false), "MIDIOUT2 (Dravel 49)");

    EXPECT_TRUE (isMidiOutPortName ("MIDIOUT2 (Dravel 49)"));
    EXPECT_EQ (portNumberOfName ("MIDIOUT3 (Dravel 49)"), 3);
    EXPECT_EQ (companionPortName ("MIDIOUT2 (Dravel 49)", true), "MIDIIN2 (Dravel 49)");

    // Only the direction asked for is translated
    EXPECT_EQ (companionPortName ("MIDIOUT2 (Dravel 49)", false), "MIDIOUT2 (Dravel 49)");
    EXPECT_EQ (companionPortName ("MIDIIN2 (Dravel 49)", true), "MIDIIN2 (Dravel 49)");

    EXPECT_EQ (companionPortName ("MIDIIN2 (MIDIIN box)", false), "MIDIOUT2 (MIDIOUT box)");
}

TEST (PortNames, NumberedFormsAreCaseSensitiveWildcards)
{
    EXPECT_FALSE (isMidiInPortName ("midiin2 (Dravel 49)"));
    EXPECT_EQ (portNumberOfName ("midiin2 (Dravel 49)"), 1);
    EXPECT_EQ (companionPortName ("midiin2 (Dravel 49)", false), "midiin2 (Dravel 49)");

    EXPECT_TRUE (isMidiInPortName ("MIDIINX (Dravel 49)"));
    EXPECT_EQ (portNumberOfName ("MIDIINX (Dravel 49)"), -1);
    EXPECT_EQ (portNumberOfName ("MIDIOUTX (Dravel 49)"), -1);
    EXPECT_FALSE (isMidiInPortName ("MIDIIN2(Dravel 49)"));

    EXPECT_EQ (portNumberOfName ("Dravel 49"), 1);
    EXPECT_EQ (companionPortName ("Dravel 49", true), "Dravel 49");
    EXPECT_EQ (companionPortName ("Dravel 49", false), "Dravel 49");
}

TEST (PortNames, AlsaNamesGiveTheirPortAndAreTheirOwnCompanion)
{
    const std::pair<const char*, int> rows[] =
    {
        { "Dravel 49 MIDI 2", 2 }, { "Dravel 49 MIDI 1", 1 }, { "Dravel 61X MIDI 3", 3 },
        { "Dravel 49 MIDI", 1 }, { "Dravel 49 MIDI 2b", 1 }, { "Dravel 49 midi 2", 1 },
        { "Dravel 49 MIDI 12", 12 }, { "Through Port-0", 1 },
    };
    for (auto& [name, port] : rows)
        EXPECT_EQ (portNumberOfName (name), port) << name;

    EXPECT_EQ (companionPortName ("Dravel 49 MIDI 2", false), "Dravel 49 MIDI 2");
    EXPECT_EQ (companionPortName ("Dravel 49 MIDI 2", true), "Dravel 49 MIDI 2");
    EXPECT_FALSE (isMidiInPortName ("Dravel 49 MIDI 2"));
}

TEST (PortNames, SecondPortOfAKeyboardPassesBothFiltersOnEitherSystem)
{
    for (auto* name : { "MIDIIN2 (Dravel 49)", "Dravel 49 MIDI 2" })
    {
        EXPECT_TRUE (isDravelModelRange (halvik::getProductIdFromPortName (name))) << name;
        EXPECT_TRUE (isSecondPort (portNumberOfName (name))) << name;
    }
    for (auto* name : { "Dravel 49", "Dravel 49 MIDI 1" })
        EXPECT_FALSE (isSecondPort (portNumberOfName (name))) << name;
}

TEST (PortNames, ProductPortTestLooksForTheExactWords)
{
    EXPECT_TRUE (isProductPortName ("Dravel 49"));
    EXPECT_TRUE (isProductPortName ("MIDIOUT2 (Dravel 49)"));
    EXPECT_TRUE (isProductPortName ("halvik midi 2"));
    EXPECT_FALSE (isProductPortName ("DRAVEL 49"));
    EXPECT_FALSE (isProductPortName ("Halvik MIDI"));
    EXPECT_FALSE (isProductPortName ("halvik 2"));
}

TEST (PortNames, CandidatesAreProductPortsOnceEachInSystemOrder)
{
    const juce::StringArray outputs { "Midi Through", "Dravel 61 MIDI 1", "", "  ", "halvik midi 2",
                                      "Dravel 61 MIDI 1", "dravel 49", "Dravel 61 MIDI 2" };
    EXPECT_EQ (getCandidateDeviceNames (outputs),
               (juce::StringArray { "Dravel 61 MIDI 1", "halvik midi 2", "Dravel 61 MIDI 2" }));
    EXPECT_TRUE (getCandidateDeviceNames (juce::StringArray()).isEmpty());
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
    for (int id = 0x1020; id <= 0x1024; ++id)
        EXPECT_TRUE (isDravelModelRange (id)) << id;

    for (int id : { 0x101F, 0x1025, 0x1029, 2000, 0, -1, std::numeric_limits<int>::min(),
                    std::numeric_limits<int>::max() })
        EXPECT_FALSE (isDravelModelRange (id)) << id;

    EXPECT_TRUE (isSecondPort (2));
    EXPECT_FALSE (isSecondPort (1));
    EXPECT_FALSE (isSecondPort (-1));
}
