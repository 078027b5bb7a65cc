#include "support/EditorFixture.h"

#include "editor/curves/VelocityCurves.h"
#include "editor/device/PortNames.h"
#include "editor/device/ProcessorNames.h"
#include "firmware/host/HostProcessor.h"

using namespace sim;
using Naming = SimulatedKeyboard::Naming;

// The editor's link to the keyboard: which ports it opens, what the device
// timer's ticks send and read, and how the ports' names are read.

namespace
{
    void chatter (SimulatedKeyboard& keyboard, int count)
    {
        for (int i = 0; i < count; ++i)
            keyboard.sendFromKeyboard (juce::MidiMessage::controllerEvent (1, 1, i & 0x7F));
    }
}

using DeviceConnection = EditorFixture;

TEST_F (DeviceConnection, NeverOpensAKeyboardWithoutASecondPortNorAnXModelNorAnInputWithoutItsOutput)
{
    SimulatedKeyboard portOneOnly (ports, { "Dravel 49", 0x1022, Naming::windows, false });
    SimulatedKeyboard xModel (ports, { "Dravel 49X", 0x1022 + 5 });
    ports.publishInput ("MIDIIN2 (Dravel 25)");
    ports.publishOutput ("midiout2 (Dravel 25)");     // another letter case: not its output

    EXPECT_FALSE (NsDravel::connectToDevice (true, true, NsDravel::dravelProductFilter, NsDravel::isSecondPort));
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
    EXPECT_TRUE (small.decodedLog().contains ("store"));
    EXPECT_FALSE (large.decodedLog().contains ("store"));
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
        held.setVersion (1, 0, 6, 0);
        free.setVersion (1, 0, 7, 0);

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
    keyboard.setSilent (true);
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
using KeyboardThreads = EditorFixture;

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

//==============================================================================
using DeviceTimer = EditorFixture;

TEST_F (DeviceTimer, TheFirstTickConnectsShowsTheModelAndAsksForTheVersionUntilItIsShown)
{
    SimulatedKeyboard keyboard (ports, { "Dravel 61", 0x1023 });

    tick();
    EXPECT_EQ (keyboard.versionRequests(), 1);
    EXPECT_EQ (editor->modelCombo.getSelectedId(), 4);
    EXPECT_EQ (editor->getKeyboardImageIndex(), 3);
    EXPECT_EQ (NsDravel::Host::getInstance()->getProductId(), 0x1023);

    deliverReplies (keyboard);
    ticks (100);
    EXPECT_EQ (versionLabel(), "V1.06");
    EXPECT_EQ (keyboard.versionRequests(), 2);     // the second finds the answer in the label
    EXPECT_FALSE (title().contains ("[disconnected]"));
    EXPECT_TRUE (title().startsWith ("Dravel Tavlo V1.06"));
}

TEST_F (DeviceTimer, SettingsCurveAndTheSaveButtonsStoreGoOutInThatOrderOnTheNextTickThenTheUserIsTold)
{
    SimulatedKeyboard keyboard (ports);
    keyboard.setSilent (true);
    tick();
    keyboard.clearRecords();
    ports.clearTimeline();

    AlertRecorder alerts;
    NsDravel::pendingSettingsWrite = NsDravel::pendingCurveSend = true;
    click (editor->saveDeviceSettingsButton);
    EXPECT_TRUE (keyboard.received().empty());
    tick();

    auto log = keyboard.decodedLog();
    auto commit = log.indexOf ("commit"), curve = log.indexOf ("curve 8"), store = log.indexOf ("store");
    EXPECT_TRUE (commit >= 0 && commit < curve && curve < store) << log.joinIntoString (", ").toStdString();
    EXPECT_EQ (log[curve - 1], "wake-up");
    EXPECT_EQ (log[store - 1], "wake-up");
    EXPECT_EQ (log.size(), 44 + 2 + 2);

    auto dumps = keyboard.curveDumps();
    ASSERT_EQ (dumps.size(), 1u);
    EXPECT_EQ (dumps[0].productId, 0x1022);
    const auto* userCurve = NsDravel::getVelocityCurve (8);
    EXPECT_EQ (dumps[0].bytes, std::vector<juce::uint8> (userCurve, userCurve + 256));

    EXPECT_DOUBLE_EQ (ports.totalPauseMicroseconds(), 26000.0 + 46000.0 + 3000.0);
    EXPECT_EQ (alerts.messages, juce::StringArray { "Save device settings OK!" });
    EXPECT_FALSE (NsDravel::pendingCurveSend || NsDravel::pendingStoreCommand);
}

TEST_F (DeviceTimer, ASilentKeyboardIsAskedOnReconnectSteps1_4_13And22)
{
    SimulatedKeyboard keyboard (ports);
    keyboard.setSilent (true);

    std::vector<int> askedOn;
    int reconnects = 0;

    while (reconnects < 25)
    {
        auto opens = ports.inputOpenCount (keyboard.secondInputName());
        auto asks = keyboard.versionRequests();
        tick();

        if (ports.inputOpenCount (keyboard.secondInputName()) == opens)
            continue;

        ++reconnects;

        if (keyboard.versionRequests() > asks)
            askedOn.push_back (reconnects);
    }

    EXPECT_EQ (askedOn, (std::vector<int> { 1, 4, 13, 22 }));
}

TEST_F (DeviceTimer, AConnectedKeyboardIsReopenedOnlyAfterAQuietSpellOrAPortListChange)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    auto opens = ports.inputOpenCount (keyboard.secondInputName());

    ticks (7);
    EXPECT_EQ (ports.inputOpenCount (keyboard.secondInputName()), opens);

    tick();     // the 8th quiet tick
    EXPECT_GT (ports.inputOpenCount (keyboard.secondInputName()), opens);

    opens = ports.inputOpenCount (keyboard.secondInputName());
    SimulatedKeyboard another (ports, { "Dravel 25", 0x1020, SimulatedKeyboard::Naming::windows, false });
    tick();
    EXPECT_GT (ports.inputOpenCount (keyboard.secondInputName()), opens);
}

TEST_F (DeviceTimer, UnpluggingShowsDisconnectedAndRepluggingReconnects)
{
    SimulatedKeyboard keyboard (ports);
    ticks (2);

    // The answer to the version request must be in before the unplugging: one
    // arriving late would mark the disconnected title as having received MIDI.
    deliverReplies (keyboard);
    keyboard.unplug();
    ticks (2);
    EXPECT_TRUE (title().endsWith (" [disconnected] ")) << title();
    EXPECT_FALSE (NsDravel::deviceConnected);

    keyboard.replug();
    keyboard.clearRecords();
    ticks (2);
    EXPECT_FALSE (title().contains ("disconnected")) << title();
    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 1);
    EXPECT_EQ (keyboard.versionRequests(), 1);
}

TEST_F (DeviceTimer, ATransferThatCannotOpenItsPortStaysRequestedAndShowsNoTraffic)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    NsDravel::Host::getInstance()->impl->outputName = keyboard.firstOutputName();
    ports.setRefusingOpens (keyboard.firstOutputName(), true);
    NsDravel::pendingSettingsWrite = true;

    ticks (2);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
    EXPECT_TRUE (keyboard.appliedImages().empty());
    EXPECT_FALSE (title().endsWith (">")) << title();

    ports.setRefusingOpens (keyboard.firstOutputName(), false);
    tick();
    EXPECT_FALSE (NsDravel::pendingSettingsWrite);
    EXPECT_EQ (keyboard.appliedImages().size(), 1u);
    tick();     // the title shows a tick's traffic at the start of the next
    EXPECT_TRUE (title().endsWith (">")) << title();
}

TEST_F (DeviceTimer, ATickReadsTheOutputAndInputListsOnceEachHoweverMuchItDoes)
{
    auto listingsOfOneTick = [this]
    {
        const auto outputs = ports.outputListings(), inputs = ports.inputListings();
        tick();
        return std::make_pair (ports.outputListings() - outputs, ports.inputListings() - inputs);
    };

    // No keyboard: the tick looks for one and tries to open its ports.
    EXPECT_EQ (listingsOfOneTick(), std::make_pair (1, 1));

    // A keyboard: the tick opens its pairs, asks for its version and sends the settings.
    SimulatedKeyboard keyboard (ports);
    NsDravel::pendingSettingsWrite = true;
    EXPECT_EQ (listingsOfOneTick(), std::make_pair (1, 1));
    EXPECT_EQ (keyboard.versionRequests(), 1);
    EXPECT_EQ (keyboard.appliedImages().size(), 1u);
}

//==============================================================================
TEST (PortNames, NamesGiveTheirPortNumberAndCompanionPort)
{
    const struct { const char* name; int port; const char* companionOutput; const char* companionInput; } rows[] =
    {
        // Numbered forms: case-sensitive wildcards; only the direction asked for is translated.
        { "MIDIIN2 (Dravel 49)",   2, "MIDIOUT2 (Dravel 49)", "MIDIIN2 (Dravel 49)" },
        { "MIDIOUT3 (Dravel 49)",  3, "MIDIOUT3 (Dravel 49)", "MIDIIN3 (Dravel 49)" },
        { "midiin2 (Dravel 49)",   1, "midiin2 (Dravel 49)",  "midiin2 (Dravel 49)" },
        { "MIDIOUTX (Dravel 49)", -1, nullptr, nullptr },
        { "Dravel 49",             1, "Dravel 49", "Dravel 49" },
        // ALSA names are their own companion.
        { "Dravel 49 MIDI 2",      2, "Dravel 49 MIDI 2", "Dravel 49 MIDI 2" },
        { "Dravel 49 MIDI",        1, nullptr, nullptr },
        { "Dravel 49 MIDI 2b",     1, nullptr, nullptr },
        { "Dravel 49 MIDI 002",    2, nullptr, nullptr },
        { "Dravel 49 MIDI 2147483647", 2147483647, nullptr, nullptr },
        // Numbers no port can have are no number at all.
        { "Dravel 49 MIDI 2147483648", 1, nullptr, nullptr },
        { "Dravel 49 MIDI 4294967298", 1, nullptr, nullptr },
        { "Dravel 49 MIDI 99999999999999999999999", 1, nullptr, nullptr },
    };

    for (auto& row : rows)
    {
        EXPECT_EQ (NsDravel::portNumberOfName (row.name), row.port) << row.name;

        if (row.companionOutput != nullptr)
        {
            EXPECT_EQ (NsDravel::companionPortName (row.name, false), row.companionOutput) << row.name;
            EXPECT_EQ (NsDravel::companionPortName (row.name, true), row.companionInput) << row.name;
        }
    }

    EXPECT_FALSE (NsDravel::isMidiInPortName ("midiin2 (Dravel 49)"));
    EXPECT_FALSE (NsDravel::isMidiInPortName ("MIDIIN2(Dravel 49)"));
}

TEST (PortNames, CandidatesAreProductPortsOnceEachInSystemOrderAndTheDeviceIsTheFirstPlainKeyboard)
{
    const juce::StringArray outputs { "Midi Through Port-0", "Dravel 61 MIDI 1", "", "  ", "halvik midi 2",
                                      "Halvik MIDI", "halvik 2", "Dravel 61 MIDI 1", "dravel 49", "Dravel 61 MIDI 2" };
    EXPECT_EQ (NsDravel::getCandidateDeviceNames (outputs),
               (juce::StringArray { "Dravel 61 MIDI 1", "halvik midi 2", "Dravel 61 MIDI 2" }));

    halvik::resetUpgraderState();
    EXPECT_EQ (NsDravel::findDravelDeviceName (juce::StringArray()), "");
    EXPECT_EQ (NsDravel::findDravelDeviceName ({ "Midi Through Port-0" }), "");
    EXPECT_EQ (NsDravel::findDravelDeviceName ({ "halvik midi 2", "Dravel 49X", "Dravel 25 MIDI 2", "Dravel 88" }),
               "Dravel 25 MIDI 2");
    EXPECT_EQ (NsDravel::findDravelDeviceName ({ "Dravel 49X", "Dravel 88X MIDI 2", "Dravel88" }), "");
}

TEST (ProcessorNames, TheTitleNamesTheMakerOrTheAppleModelAndTheUpgraderKnowsTheHostsItRefuses)
{
    // What the editor's title says of the processor, and whether the upgrader
    // counts it among the hosts that cannot upgrade the older units.
    const struct { const char* cpu; const char* title; bool refusedByUpgrader; } rows[] =
    {
        { "Intel(R) Core(TM) i7-9750H CPU @ 2.60GHz", "Intel",    false },
        { "Intel(R) Core(TM) m3-8100Y Processor",     "Intel",    true },    // "m3" and the "Pro" of "Processor"
        { "Intel(R) Core(TM) i5-8250U CPU",           "Intel",    false },
        { "intel core i5",                            "",         false },   // the makers' names keep their case
        { "AMD Ryzen 7 5800X 8-Core Processor",       "AMD",      true },
        { "amd ryzen 7",                              "",         false },
        { "Apple M1",                                 "M1 ",      false },
        { "Apple M1 Pro",                             "M1 Pro",   true },
        { "Apple M2",                                 "M2 ",      false },
        { "Apple M2 Max",                             "M2 Max",   true },
        { "Apple M2 Ultra",                           "M2 Ultra", true },
        { "Apple M3",                                 "M3 ",      false },
        { "Apple M3 Ultra",                           "M3 Ultra", true },
        { "Apple M4",                                 "M4 ",      false },
        { "Apple M4 Pro",                             "M4 Pro",   true },
        { "apple m4 max",                             "M4 Max",   true },    // the Apple names' case does not matter
        { "Apple M5 Max",                             "Max",      false },   // no generation past the fourth is known
        { "Apple M2 Max Processor",                   "M2 Pro",   true },    // "Pro" is looked for first
        { "VirtualApple @ 2.50GHz Processor",         "M1 Pro",   false },   // a virtualised Apple host
        { "Cortex-A72",                               "",         false },
    };

    for (auto& row : rows)
    {
        EXPECT_EQ (NsDravel::describeProcessor (row.cpu), row.title) << row.cpu;
        EXPECT_EQ (halvik::isAmdOrAppleHighEndCpu (row.cpu), row.refusedByUpgrader) << row.cpu;
    }
}
