#include "support/EditorFixture.h"

#include "editor/device/HostImpl.h"
#include "editor/curves/VelocityCurves.h"

using namespace sim;
using Replies = SimulatedKeyboard::Replies;

using DeviceTimer = EditorFixture;

TEST_F (DeviceTimer, TheFirstTickConnectsShowsTheModelAndAsksForTheVersionUntilItIsShown)
{
    SimulatedKeyboard keyboard (ports, { "Dravel 61", 0x1023 });

    tick();
    EXPECT_EQ (keyboard.versionRequests(), std::vector<int> { 0x1023 });
    EXPECT_EQ (editor->modelCombo.getSelectedId(), 4);
    EXPECT_EQ (editor->getKeyboardImageIndex(), 3);
    EXPECT_EQ (NsDravel::Host::getInstance()->getProductId(), 0x1023);

    deliverReplies (keyboard);
    ticks (100);
    EXPECT_EQ (versionLabel(), "V1.06");
    EXPECT_EQ (keyboard.versionRequests().size(), 2u);     // the second finds the answer in the label
    EXPECT_FALSE (title().contains ("[disconnected]"));
    EXPECT_TRUE (title().startsWith ("Dravel Tavlo V1.06"));
}

TEST_F (DeviceTimer, SettingsCurveAndTheSaveButtonsStoreGoOutInThatOrderOnTheNextTickThenTheUserIsTold)
{
    SimulatedKeyboard keyboard (ports);
    keyboard.setReplies (Replies::silent);
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
    EXPECT_EQ (keyboard.storeCommands(), std::vector<int> { 0x1022 });
    EXPECT_EQ (dumps[0].bytes, std::vector<juce::uint8> (NsDravel::getVelocityCurve (8), NsDravel::getVelocityCurve (8) + 256));

    EXPECT_DOUBLE_EQ (ports.totalPauseMicroseconds(), 26000.0 + 46000.0 + 3000.0);
    EXPECT_EQ (alerts.messages, juce::StringArray { "Save device settings OK!" });
    EXPECT_FALSE (NsDravel::pendingCurveSend || NsDravel::pendingStoreCommand);
}

TEST_F (DeviceTimer, ASilentKeyboardIsAskedOnReconnectSteps1_4_13And22)
{
    SimulatedKeyboard keyboard (ports);
    keyboard.setReplies (Replies::silent);

    std::vector<int> askedOn;
    int reconnects = 0;

    while (reconnects < 25)
    {
        auto opens = ports.inputOpenCount (keyboard.secondInputName());
        auto asks = keyboard.versionRequests().size();
        tick();

        if (ports.inputOpenCount (keyboard.secondInputName()) == opens)
            continue;

        ++reconnects;

        if (keyboard.versionRequests().size() > asks)
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
    EXPECT_EQ (keyboard.versionRequests().size(), 1u);
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
    EXPECT_EQ (keyboard.versionRequests().size(), 1u);
    EXPECT_EQ (keyboard.appliedImages().size(), 1u);
}
