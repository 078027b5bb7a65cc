#include "support/KeyboardLinkFixture.h"

#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/device/MidiInputHandler.h"
#include "editor/device/PortNames.h"

using namespace sim;
using Naming = SimulatedKeyboard::Naming;

namespace
{
    void chatter (SimulatedKeyboard& keyboard, int count)
    {
        for (int i = 0; i < count; ++i)
            keyboard.sendFromKeyboard (juce::MidiMessage::controllerEvent (1, 1, i & 0x7F));
    }

    bool connect()
    {
        return NsDravel::connectToDevice (true, true, NsDravel::dravelProductFilter, NsDravel::isSecondPort);
    }
}

using DeviceConnection = KeyboardLinkFixture;

TEST_F (DeviceConnection, OpensOnlyTheSecondPortPairUnderEitherNaming)
{
    for (auto naming : { Naming::windows, Naming::linux })
    {
        SimulatedKeyboard keyboard (ports, { "Dravel 61", 0x1023, naming });

        EXPECT_TRUE (connect());
        EXPECT_EQ (pairCount(), 1);
        EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 1);
        EXPECT_EQ (ports.openOutputsNow (keyboard.secondOutputName()), 1);
        EXPECT_EQ (ports.inputOpenCount (keyboard.firstOutputName()) + ports.outputOpenCount (keyboard.firstOutputName()), 0);

        closeConnection();
    }
}

TEST_F (DeviceConnection, NeverOpensAKeyboardWithoutASecondPortNorAnXModelNorAnInputWithoutItsOutput)
{
    SimulatedKeyboard portOneOnly (ports, { "Dravel 49", 0x1022, Naming::windows, false });
    SimulatedKeyboard xModel (ports, { "Dravel 49X", 0x1022 + 5 });
    ports.publishInput ("MIDIIN2 (Dravel 25)");

    EXPECT_FALSE (connect());
    EXPECT_EQ (ports.openInputsNow ("MIDIIN2 (Dravel 25)"), 0) << "half a pair is let go at once";
    ticks (3);

    EXPECT_EQ (ports.inputOpenCount ("Dravel 49") + ports.outputOpenCount ("Dravel 49"), 0);
    EXPECT_EQ (ports.inputOpenCount (xModel.secondInputName()), 0);
    EXPECT_TRUE (portOneOnly.received().empty() && xModel.received().empty());
    EXPECT_TRUE (title().endsWith (" [disconnected] ")) << title();
}

TEST_F (DeviceConnection, TwoKeyboardsAreBothOpenedAndTheFirstListedDecidesTheModel)
{
    SimulatedKeyboard small (ports, { "Dravel 25", 0x1020 });
    SimulatedKeyboard large (ports, { "Dravel 88", 0x1024 });

    tick();
    EXPECT_EQ (pairCount(), 2);
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1020);
    EXPECT_EQ (editor->modelCombo.getSelectedId(), 1);

    NsDravel::pendingStoreCommand = true;
    AlertRecorder alerts;
    tick();
    EXPECT_EQ (small.storeCommands().size(), 1u);
    EXPECT_TRUE (large.storeCommands().empty());
}

TEST_F (DeviceConnection, OfTwoKeyboardsWithTheSameNamesTheOneItConnectsToGetsEverythingAndAnswersOnItsOwnInput)
{
    // ALSA lists two keyboards of one model under the same port names; only
    // their identifiers tell them apart. One of them cannot be opened (another
    // program holds it), so the editor connects to the other alone.
    for (bool firstListedIsHeld : { true, false })
    {
        SimulatedKeyboard first (ports, { "Dravel 49", 0x1022, Naming::linux });
        SimulatedKeyboard second (ports, { "Dravel 49", 0x1022, Naming::linux });
        auto& held = firstListedIsHeld ? first : second;
        auto& free = firstListedIsHeld ? second : first;
        held.setRefusingOpens (true);
        held.setVersionBytes (1, 0, 6, 0);
        free.setVersionBytes (1, 0, 7, 0);

        NsDravel::pendingSettingsWrite = true;
        tick();     // connects, asks for the version, sends the settings
        deliverReplies (free);

        EXPECT_EQ (pairCount(), 1);
        EXPECT_EQ (versionLabel(), "V1.07");
        ASSERT_EQ (free.appliedImages().size(), 1u);
        EXPECT_EQ (free.decodedLog().size(), 2 + 44);     // wake-up and version request, then the transfer
        EXPECT_TRUE (held.received().empty());

        // The next round starts from a program that has seen no ports yet.
        closeConnection();
        NsDravel::knownOutputNames.clear();
    }
}

TEST_F (DeviceConnection, AnyMessageMarksTheTitleWithReceivedUnlessThePortsAreClosed)
{
    SimulatedKeyboard keyboard (ports);
    keyboard.setReplies (SimulatedKeyboard::Replies::silent);
    ticks (3);
    EXPECT_FALSE (title().endsWith ("<")) << title();

    keyboard.sendFromKeyboard (juce::MidiMessage::controllerEvent (1, 7, 100));
    deliverReplies (keyboard);
    tick();
    EXPECT_TRUE (title().endsWith (" <")) << title();

    closeConnection();
    keyboard.sendFromKeyboard (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
    deliverReplies (keyboard);
    tick();
    EXPECT_FALSE (title().endsWith ("<")) << title();
}

//==============================================================================
// The keyboard talks on its own thread while the message thread reopens and
// tears down the connection and the editor; run this under ThreadSanitizer
// too (TAVLO_TSAN).
using KeyboardThreads = KeyboardLinkFixture;

TEST_F (KeyboardThreads, ReconnectingAndTearingDownWhileTheKeyboardTalksLosesNoPortAndCrashesNothing)
{
    SimulatedKeyboard keyboard (ports);
    tick();

    for (int round = 0; round < 50; ++round)
    {
        chatter (keyboard, 20);
        NsDravel::knownOutputNames.clear();     // a port-list change: reconnect and ask again
        tick();
    }

    deliverReplies (keyboard);
    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 1);
    EXPECT_EQ (versionLabel(), "V1.06");

    // The editor and the connection go while a version reply and chatter are
    // on their way.
    NsDravel::knownOutputNames.clear();
    tick();
    chatter (keyboard, 200);
    editor.reset();
    NsDravel::Host::getInstance()->connection.reset();

    deliverReplies (keyboard);
    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 0);
}
