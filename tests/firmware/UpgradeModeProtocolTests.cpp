#include "support/NamedPorts.h"
#include "support/UpgraderMidiFixture.h"

#include "firmware/midi/UpgradeModeMessages.h"
#include "firmware/midi/UpgradeModeProtocol.h"
#include "firmware/midi/UpgraderPortLookups.h"

#include <algorithm>

using namespace halvik;
using Options = sim::SimulatedUpgradeUnit::Options;

// A unit's upgrade mode: the messages that ask for it and what the unit
// answers, then the exchanges with a simulated unit in virtual time.

namespace
{
    juce::MidiMessage fromHex (const juce::String& hex)
    {
        juce::MemoryBlock bytes;
        bytes.loadFromHexString (hex);
        return juce::MidiMessage (bytes.getData(), (int) bytes.getSize());
    }

    juce::String describe (const UnitReply& reply)
    {
        switch (reply.kind)
        {
            case UnitReply::Kind::negative:    return "refused";
            case UnitReply::Kind::connectAck:  return "connect ack";
            case UnitReply::Kind::eraseAck:    return "erase ack";
            case UnitReply::Kind::dataAck:     return "data ack";
            case UnitReply::Kind::resetAck:    return "reset ack";
            case UnitReply::Kind::upgradeMode: return reply.upgradeModeOn ? "upgrade mode on" : "upgrade mode off";
            case UnitReply::Kind::version:     return reply.isAllZeroVersion() ? "version zero"
                                                                               : "version " + juce::String (reply.versionValue(), 3);
            case UnitReply::Kind::none:        break;
        }

        return "nothing";
    }
}

TEST (UnitReplies, EachMessageMeansWhatTheUnitSaid)
{
    const struct { const char* bytes; const char* meaning; } cases[] =
    {
        { "9F 7F 7F", "refused" },              // a 7F velocity refuses, whatever the command
        { "9F 03 7F", "refused" },
        { "9F 7F 01", "connect ack" },
        { "9F 00 05", "erase ack" },
        { "9F 01 00", "data ack" },             // a velocity-0 note-on still counts
        { "9F 02 01", "reset ack" },
        { "9F 03 10", "nothing" },
        { "9E 7F 01", "nothing" },              // channel 15
        { "EC 2D 01", "upgrade mode on" },
        { "EC 2D 00", "upgrade mode off" },
        { "EC 2E 01", "nothing" },
        { "F0 1D 03 00 00 00 01 00 00 00 00 F7", "version zero" },
        { "F0 1D 03 7F 7F 00 01 01 07 06 00 00", "version 1.760" },   // id bytes and the last byte may hold anything
        { "F0 1D 03 20 22 00 01 01 00 06 03 F7", "version 1.063" },
        { "F0 1D 03 00 00 00 02 00 00 00 00 F7", "nothing" },
        { "F0 1D 03 00 00 00 01 00 00 00 00 00 F7", "nothing" },       // 13 bytes
        { "F0 1D 03 00 00 00 01 00 00 00 F7", "nothing" },             // 11 bytes
    };

    for (auto& c : cases)
        EXPECT_EQ (describe (parseUnitReply (fromHex (c.bytes))), juce::String (c.meaning)) << c.bytes;
}

TEST (EnterUpgradeModeMessage, CarriesTheModelCodeAndTheModeByteOfTheProduct)
{
    const struct { int productId; int length; const char* bytes; } cases[] =
    {
        { 157,  9, "F0 1D 03 01 1D 00 7F 7E F7" },
        { 159,  9, "F0 1D 03 01 1F 00 7F 7F F7" },
        { 2070, 9, "F0 1D 03 10 08 00 7F 7F F7" },     // the group's code 2056
        { 125,  9, "F0 1D 03 00 65 00 7F 7F F7" },     // shares the firmware, and the code, of 101
        { 26,   8, "F0 1D 03 00 55 55 7F F7" },        // short form, code 85
    };

    for (auto& c : cases)
        EXPECT_EQ (sim::SimulatedMidiPorts::hexOf (makeEnterUpgradeModeSysEx (c.productId, c.length)),
                   juce::String (c.bytes)) << c.productId;
}

class UpgradeModeProtocol : public UpgraderMidiFixture {};

TEST_F (UpgradeModeProtocol, VersionRequestTellsNormalModeFromUpgradeModeFromSilence)
{
    auto upgradeSilent = unitOptions (true);
    upgradeSilent.answersVersionInUpgradeMode = false;

    const struct { Options unit; int result; float version; int requests; } cases[] =
        { { unitOptions (false), 1, 1.06f, 1 }, { unitOptions (true), 0, 0.0f, 2 }, { upgradeSilent, -1, -1.0f, 2 } };

    for (auto& c : cases)
    {
        auto& unit = onlyUnit (c.unit);
        auto& w = makeWindow (0x1022);

        EXPECT_EQ (w.requestUnitVersion (2, 400, 1200, -1), c.result);
        EXPECT_EQ (w.unitVersion.load(), c.version);
        const auto log = unit.log();
        EXPECT_EQ (std::count (log.begin(), log.end(), "version request"), c.requests);
    }
}

TEST_F (UpgradeModeProtocol, LeavingUpgradeModeResetsOnlyAUnitThatIsInIt)
{
    for (const bool inUpgradeMode : { false, true })
    {
        auto& unit = onlyUnit (unitOptions (inUpgradeMode));

        EXPECT_EQ (makeWindow (0x1022).leaveUpgradeMode (0x1022), 1);
        EXPECT_EQ (unit.log().contains ("reset"), inUpgradeMode);
        EXPECT_FALSE (unit.isInUpgradeMode());
        EXPECT_EQ (window->unitVersion.load(), inUpgradeMode ? 1.07f : 1.06f);
    }

    units.clear();
    EXPECT_EQ (makeWindow (0x1022).leaveUpgradeMode (0x1022), -1);
}

TEST_F (UpgradeModeProtocol, EveryUpgradePortIsResetAndOneThatStaysIsReported)
{
    for (int i = 1; i <= 14; ++i)
    {
        auto options = unitOptions (true, "Mixora C4", 94);
        options.upgradePortName = "Halvik firmware upgrade " + juce::String (i);
        options.leaveAfterMs = 20.0;    // gone before the count that follows the resets
        addUnit (options);
    }

    EXPECT_TRUE (resetAllUpgradePorts());

    for (auto& unit : units)
        EXPECT_EQ (unit->log(), juce::StringArray ({ "reset", "left" }));

    onlyUnit (unitOptions (true, "Mixora C4", 94)).setAnswer (sim::SimulatedUpgradeUnit::Phase::reset, sim::SimulatedUpgradeUnit::Answer::no, 0.2);
    EXPECT_FALSE (resetAllUpgradePorts());
}

TEST_F (UpgradeModeProtocol, CompanionInputIsFoundWhateverItsLetterCase)
{
    sim::NamedPorts plugged (ports, { "MIDIOUT2 (Dravel 49)" }, { "midiin2 (DRAVEL 49)" });

    auto& w = makeWindow (0x1022);
    EXPECT_TRUE (w.openTargetMidiDevices ("MIDIOUT2 (Dravel 49)", 0x1022));

    // Replies from the unit now set the flags; a new connection starts with none.
    EXPECT_TRUE (ports.sendToProgram ("midiin2 (DRAVEL 49)", juce::MidiMessage (0x9F, 0x01, 0x01)));
    EXPECT_TRUE (halvik::dataAckReceived);

    w.midiHandler = std::make_unique<halvik::FirmwareUpgradeComponent::MidiInputHandler> (w);
    EXPECT_FALSE (halvik::dataAckReceived);
}

TEST_F (UpgradeModeProtocol, FindingTheUnitReadsEachPortListOnceAndWatchingItOncePerPoll)
{
    addUnit (unitOptions (false));
    addUnit (unitOptions (true, "Mixora C4", 94));
    auto& w = makeWindow (0x1022);

    // Each reading of a list opens the system's MIDI sequencer anew.
    auto listingsDuring = [this] (std::function<void()> action)
    {
        const auto outputs = ports.outputListings(), inputs = ports.inputListings();
        action();
        return std::make_pair (ports.outputListings() - outputs, ports.inputListings() - inputs);
    };

    EXPECT_EQ (listingsDuring ([&] { EXPECT_TRUE (w.openTargetMidiDevices ({}, 0x1022)); }), std::make_pair (1, 1));

    // Five polls: the first sees a list it did not know, the rest the same one again.
    juce::StringArray known;
    EXPECT_EQ (listingsDuring ([&] { EXPECT_FALSE (w.waitForMidiDeviceListChange (known, 0x1022, false, 100.0f, 500.0f)); }),
               std::make_pair (5, 0));

    juce::String resolved;
    EXPECT_EQ (listingsDuring ([&] { resolved = resolveUpgradePortName (upgradePortDisplayName); }), std::make_pair (1, 0));
    EXPECT_EQ (resolved, upgradePortText);
}
