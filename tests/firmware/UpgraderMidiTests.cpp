#include "support/HangWatchdog.h"
#include "support/UpgraderFixture.h"

#include "firmware/FirmwareImageLimit.h"
#include "firmware/midi/UpgradeModeMessages.h"
#include "firmware/midi/UpgradeModeProtocol.h"
#include "firmware/midi/UpgraderPortLookups.h"

#include <algorithm>
#include <filesystem>

using namespace halvik;
using Options = sim::SimulatedUpgradeUnit::Options;
using Phase = sim::SimulatedUpgradeUnit::Phase;
using Answer = sim::SimulatedUpgradeUnit::Answer;

// The upgrader's MIDI: the messages of a unit's upgrade mode and what the unit
// answers, then the exchanges and the bootloader's upload with a simulated unit
// in virtual time.

namespace
{
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
            case UnitReply::Kind::version:
                if (reply.isAllZeroVersion())
                    return "version zero";

                return "version " + juce::String (reply.versionValue(), 3);

            case UnitReply::Kind::none:        break;
        }

        return "nothing";
    }

    // A control packet as the unit receives it: the wake-up, then each byte of
    // 55 x 10, 1D 03 00 49, the command, its parameter and the sum as a note-on 9F hi lo.
    juce::StringArray controlPacket (const juce::String& commandParameterSum)
    {
        juce::StringArray notes { "EF 7F 7F" };

        const auto bytes = "55 55 55 55 55 55 55 55 55 55 1D 03 00 49 " + commandParameterSum;

        for (auto& byte : juce::StringArray::fromTokens (bytes, false))
            notes.add ("9F 0" + byte.substring (0, 1) + " 0" + byte.substring (1));

        return notes;
    }

    // How many messages went out between two pacing pauses of this length
    // (other waits, such as the message thread's polls, left out).
    std::vector<int> runsBetweenPauses (const std::vector<sim::SimulatedMidiPorts::Event>& timeline,
                                        double microseconds)
    {
        std::vector<int> runs { 0 };

        for (auto& event : timeline)
        {
            if (! event.isPause)
                ++runs.back();
            else if (event.microseconds == microseconds)
                runs.push_back (0);
        }

        return runs;
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
        { "F0 1D 03 00 00 01 01 00 00 00 00 F7", "nothing" },
        { "F0 1D 03 00 00 00 01 00 00 00 00 00 F7", "nothing" },       // 13 bytes
        { "F0 1D 03 00 00 00 01 00 00 00 F7", "nothing" },             // 11 bytes
    };

    for (auto& c : cases)
    {
        juce::MemoryBlock bytes;
        bytes.loadFromHexString (c.bytes);
        const juce::MidiMessage message (bytes.getData(), (int) bytes.getSize());
        EXPECT_EQ (describe (parseUnitReply (message)), juce::String (c.meaning)) << c.bytes;
    }
}

TEST (EnterUpgradeModeMessage, CarriesTheModelCodeAndTheModeByteOfTheProduct)
{
    const struct { int productId; int length; const char* bytes; } cases[] =
    {
        { 157,  9, "F0 1D 03 01 1D 00 7F 7E F7" },
        { 158,  9, "F0 1D 03 01 1E 00 7F 7E F7" },
        { 159,  9, "F0 1D 03 01 1F 00 7F 7F F7" },
        { 2070, 9, "F0 1D 03 10 08 00 7F 7F F7" },     // the group's code 2056
        { 2078, 9, "F0 1D 03 10 0A 00 7F 7F F7" },     // the other group's code 2058
        { 125,  9, "F0 1D 03 00 65 00 7F 7F F7" },     // shares the firmware, and the code, of 101
        { 126,  9, "F0 1D 03 00 6E 00 7F 7F F7" },     // of 110
        { 324,  9, "F0 1D 03 00 49 00 7F 7F F7" },     // of the other Lumeo editions, 73
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

    // While the tool is probed for, the request names the product the window was opened for, not the one
    // found since.
    for (const bool probing : { true, false })
    {
        auto& unit = onlyUnit (unitOptions (false));
        auto& w = makeWindow (0x1022);
        w.currentProductId = 94;
        toolProbeMode = probing;

        const auto found = w.requestUnitVersion (1, 400, 1200, -1);
        EXPECT_EQ (unit.versionRequests(), probing ? 1 : 0) << probing;
        EXPECT_EQ (found == 1, probing) << probing;
    }
}

TEST_F (UpgradeModeProtocol, EnteringUpgradeModeWaitsTwoSecondsForTheUnitToComeBack)
{
    // The unit's ports go 150 ms after the request and come back so much later.
    const struct { double returnAfterMs; bool entered; } cases[] = { { 1900.0, true }, { 2200.0, false } };

    for (auto& c : cases)
    {
        auto options = unitOptions (false);
        options.returnAfterMs = c.returnAfterMs;
        auto& unit = onlyUnit (options);
        auto& w = makeWindow (0x1022);
        ASSERT_TRUE (w.openTargetMidiDevices (unit.outputName(), 0));

        EXPECT_EQ (w.enterUpgradeModeSequence (w.midiHandler->getOutput()), c.entered) << c.returnAfterMs;
        EXPECT_TRUE (unit.log().contains ("enter")) << c.returnAfterMs;
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

TEST_F (UpgradeModeProtocol, TheUnitsInputIsFoundWhateverItsLetterCase)
{
    sim::NamedPorts plugged (ports, { "MIDIOUT2 (Dravel 49)" }, { "midiin2 (DRAVEL 49)" });

    auto& w = makeWindow (0x1022);
    EXPECT_TRUE (w.openTargetMidiDevices ("MIDIOUT2 (Dravel 49)", 0x1022));

    // Replies from the unit now set the flags; a new connection starts with none.
    EXPECT_TRUE (ports.sendToProgram ("midiin2 (DRAVEL 49)", juce::MidiMessage (0x9F, 0x01, 0x01)));
    EXPECT_TRUE (dataAckReceived);

    w.midiHandler = std::make_unique<FirmwareUpgradeComponent::MidiInputHandler> (w);
    EXPECT_FALSE (dataAckReceived);
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
    const auto watch = [&] { EXPECT_FALSE (w.waitForMidiDeviceListChange (known, 0x1022, false, 100.0f, 500.0f)); };
    EXPECT_EQ (listingsDuring (watch),
               std::make_pair (5, 0));

    juce::String resolved;
    EXPECT_EQ (listingsDuring ([&] { resolved = resolveUpgradePortName (upgradePortDisplayName); }),
               std::make_pair (1, 0));
    EXPECT_EQ (resolved, upgradePortText);
}

class MidiBootloader : public UpgraderMidiFixture {};

TEST_F (MidiBootloader, KeyboardImageGoesUpFromAWorkerInTheExactStreamWithItsTailPadded)
{
    auto& unit = addUnit (unitOptions (true));
    auto& handler = connectWithImage (unit, 1300);

    auto padded = handler.getImage();
    padded.resize (3 * 512, 0xFF);

    EXPECT_EQ (window->uploadFirmwareOnWorker(), "");

    // Between the control packets, three data packets of 530 note-ons and no
    // wake-up; the unit checks their sums and sequence numbers.
    const auto sent = messagesSent();
    ASSERT_EQ (sent.size(), 3 * 18 + 3 * 530);
    EXPECT_EQ (juce::StringArray (sent.strings.begin(), 18), controlPacket ("7F 00 3A"));         // connect
    EXPECT_EQ (juce::StringArray (sent.strings.begin() + 18, 18), controlPacket ("00 70 2B"));    // erase, code 70
    EXPECT_EQ (juce::StringArray (sent.strings.end() - 18, 18), controlPacket ("02 00 BD"));      // reset
    EXPECT_EQ (unit.log(), juce::StringArray ({ "connect", "erase 70", "data 0", "data 1", "data 2", "reset" }));
    EXPECT_EQ (unit.storedImage(), padded);

    // Four messages, then 0.5 ms, all the way through.
    const auto runs = runsBetweenPauses (ports.timeline(), 500.0);
    EXPECT_EQ (runs.size(), (size_t) sent.size() / 4 + 1);
    EXPECT_EQ (std::count (runs.begin(), runs.end() - 1, 4), (long) runs.size() - 1);

    // 1536 bytes sent of 1300 would make 1.04.
    EXPECT_EQ (window->getProgress(), 1.0);
}

TEST_F (MidiBootloader, AnUploadHoldsTheProgramForItsOwnWaitsAloneWhicheverThreadRunsIt)
{
    // The same upload on the message thread, on a worker, and on the message
    // thread again to a unit that never acknowledges the erase.
    enum Runs { onTheMessageThread, onAWorker };
    enum Erase { acknowledged, neverAcknowledged };
    struct Row { Runs runs; Erase erase; };
    std::vector<double> took;

    for (auto row : { Row { onTheMessageThread, acknowledged }, Row { onAWorker, acknowledged },
                      Row { onTheMessageThread, neverAcknowledged } })
    {
        auto& unit = onlyUnit (unitOptions (true));

        if (row.erase == neverAcknowledged)
            unit.setAnswer (Phase::erase, Answer::silence, 0.0);

        makeWindow (0x1022);
        connectWithImage (unit, 2 * 512);

        const auto start = clock.now();
        const auto result = row.runs == onAWorker ? window->uploadFirmwareOnWorker()
                                                  : window->midiHandler->uploadFirmware().getErrorMessage();
        EXPECT_EQ (result, "");
        took.push_back (clock.now() - start);
    }

    // The message thread goes on the moment the worker ends its upload; an
    // erase never acknowledged holds the install back for 150 sleeps of 33 ms
    // (the unit acknowledges 0.2 ms after the erase packet).
    EXPECT_EQ (took[1], took[0]) << "the upload alone lasts " << took[0] << " us";
    EXPECT_NEAR (took[2] - took[0], 150 * 33000.0 - 200.0, 1000.0);
}

TEST_F (MidiBootloader, OtherUnitsPaceEveryTwoMessagesAndFourProductsEraseWithCode71)
{
    auto& unit = addUnit (unitOptions (true, "Mixora C4", 94));
    unit.setAnswer (Phase::reset, Answer::no, 0.2);     // stays in upgrade mode for the next row
    makeWindow (94);

    const struct { int productId; const char* erase; } cases[] =
        { { 94, "erase 71" }, { 130, "erase 71" }, { 182, "erase 71" }, { 183, "erase 71" },
          { 95, "erase 70" }, { 4130, "erase 70" } };

    for (auto& c : cases)
    {
        auto& handler = connectWithImage (unit, 512);
        handler.productId = c.productId;
        unit.clearRecords();

        EXPECT_EQ (handler.uploadFirmware().getErrorMessage(), "OK. But reset failed!");
        EXPECT_EQ (unit.log(), juce::StringArray ({ "connect", c.erase, "data 0", "reset" })) << c.productId;
    }

    // Two messages, then a 1 ms wait that runs the message loop.
    const auto runs = runsBetweenPauses (ports.timeline(), 1000.0);
    EXPECT_EQ (std::count (runs.begin(), runs.end() - 1, 2), (long) runs.size() - 1);
    EXPECT_EQ (runs.size(), (size_t) (18 + 18 + 530 + 18) / 2 + 1);
}

TEST_F (MidiBootloader, TheLargestImageGoesUpWholeWithSequenceNumbersWrappingAfterPacket256)
{
    auto& unit = addUnit (unitOptions (true));
    auto& handler = connectWithImage (unit, (int) maxFirmwareImageBytes - 1);

    EXPECT_EQ (handler.uploadFirmware().getErrorMessage(), "");

    // Connect, erase, 4096 data packets, reset.
    const auto log = unit.log();
    EXPECT_EQ (log.size(), 2 + 4096 + 1);
    EXPECT_EQ (log[2 + 255], "data 255");
    EXPECT_EQ (log[2 + 256], "data 0");

    auto padded = handler.getImage();
    padded.push_back (0xFF);
    EXPECT_EQ (unit.storedImage(), padded);
}

TEST_F (MidiBootloader, ImagesOfTheWrongSizeOrAMissingPortAreRefusedBeforeAnythingIsSent)
{
    auto& unit = addUnit (unitOptions (true));

    for (auto size : { 0, 511, 2097152 })
    {
        auto& handler = connectWithImage (unit, size);
        EXPECT_EQ ((int) handler.getImage().size(), size);
        EXPECT_EQ (handler.uploadFirmware().getErrorMessage(), "Firmware exception!") << size;
        EXPECT_TRUE (messagesSent().isEmpty()) << size;
    }

    // A file above 2 MiB is not even read, nor one that is no regular file or never ends.
    auto big = images.get().getChildFile ("big.bin");
    big.create();
    std::filesystem::resize_file (big.getFullPathName().toStdString(), 64 * 1024 * 1024);

    auto justTooBig = images.get().getChildFile ("just-too-big.bin");
    justTooBig.create();
    std::filesystem::resize_file (justTooBig.getFullPathName().toStdString(), maxFirmwareImageBytes + 1);

    const juce::String notRead[] { big.getFullPathName(),
                                   justTooBig.getFullPathName(),
                                   makeNotAnImage ("fifo.bin", NotAnImage::fifo),
                                   makeNotAnImage ("endless.bin", NotAnImage::linkToEndlessFile) };

    for (auto& path : notRead)
    {
        const sim::HangWatchdog watchdog (path.toStdString());
        window->midiHandler->loadFirmwareImage (juce::File (path));
        EXPECT_TRUE (window->midiHandler->getImage().empty()) << path;
        EXPECT_EQ (window->midiHandler->uploadFirmware().getErrorMessage(), "Firmware exception!") << path;
    }

    // Without both ports, and the replies stay as they were.
    sim::NamedPorts halves (ports, { "Output only" }, { "Input only" });

    const std::pair<const char*, const char*> cases[] { { "", "No MIDI input device is open!" },
                                                        { "Output only", "No MIDI input device is open!" },
                                                        { "Input only", "No MIDI output device is open!" } };

    for (auto& [port, result] : cases)
    {
        window->midiHandler = std::make_unique<FirmwareUpgradeComponent::MidiInputHandler> (*window);
        window->midiHandler->loadFirmwareImage (juce::File (makeImage ("image.bin", 1024)));

        if (*port != 0)
            window->midiHandler->openDevices (port);

        dataAckReceived = true;
        EXPECT_EQ (window->midiHandler->uploadFirmware().getErrorMessage(), result) << port;
        EXPECT_TRUE (dataAckReceived) << port;
    }

    EXPECT_TRUE (messagesSent().isEmpty());
}

TEST_F (MidiBootloader, UnitsThatAnswerLateOrNotAtAllEndTheUploadAtTheRightPlace)
{
    // Time-outs: connect 149 x 33 ms, erase 150 x 33 ms, each data packet
    // 300 x 33 ms, reset 6 ms. A pacing pause may start a wait 0.5 ms late.
    const struct { Phase phase; int packet; Answer answer; double afterMs; const char* result; int sent; } cases[] =
    {
        { Phase::connect, -1, Answer::silence, 0.0,    "Could not connect to hardware", 18 },
        { Phase::connect, -1, Answer::no,      0.2,    "Could not connect to hardware", 18 },
        { Phase::connect, -1, Answer::yes,     4916.0, "",                              1114 },
        { Phase::connect, -1, Answer::yes,     4918.0, "Could not connect to hardware", 18 },
        { Phase::erase,   -1, Answer::silence, 0.0,    "",                              1114 },
        { Phase::erase,   -1, Answer::yes,     4949.0, "",                              1114 },
        { Phase::erase,   -1, Answer::yes,     4951.0, "",                              1114 },
        { Phase::data,    -1, Answer::yes,     9899.0, "",                              1114 },
        { Phase::data,    -1, Answer::yes,     9901.0, "Could not write new firmware",  36 + 530 },
        { Phase::data,     1, Answer::silence, 0.0,    "Could not write new firmware",  36 + 1060 },
        { Phase::data,     0, Answer::no,      0.2,    "Could not write new firmware",  36 + 530 },
        { Phase::reset,   -1, Answer::no,      0.2,    "OK. But reset failed!",         1114 },
        { Phase::reset,   -1, Answer::no,      5.0,    "OK. But reset failed!",         1114 },
        { Phase::reset,   -1, Answer::no,      7.0,    "",                              1114 },
        { Phase::reset,   -1, Answer::silence, 0.0,    "",                              1114 },
    };

    for (auto& c : cases)
    {
        auto& unit = onlyUnit (unitOptions (true));
        auto& handler = connectWithImage (unit, 1024);

        if (c.packet >= 0)
            unit.setDataPacketAnswer (c.packet, c.answer, c.afterMs);
        else
            unit.setAnswer (c.phase, c.answer, c.afterMs);

        const auto row = juce::String ((int) c.phase) + " " + juce::String (c.packet) + " " + juce::String (c.afterMs);

        // A mode report heard before the upload is no reply to it.
        upgradeModeActive = true;

        EXPECT_EQ (handler.uploadFirmware().getErrorMessage(), juce::String (c.result)) << row;
        EXPECT_EQ (messagesSent().size(), c.sent) << row;

        if (c.sent == 1114)
            EXPECT_EQ (unit.storedImage(), handler.getImage()) << row;

        // Every way out leaves no reply behind for the next exchange.
        EXPECT_FALSE (connectAckReceived || eraseAckReceived || dataAckReceived
                       || resetAckReceived || negativeReplyReceived || upgradeModeActive) << row;
    }
}

TEST_F (MidiBootloader, AHandlerReplacedWhileItsUploadRunsOnAWorkerStopsTheUploadAndWaitsForIt)
{
    // Replaced at the window's first look at its message loop (the worker may
    // not even have begun), or once the connect packet reached the unit.
    for (const bool onceConnecting : { false, true })
    {
        auto& unit = onlyUnit (unitOptions (true));
        unit.setAnswer (Phase::connect, Answer::silence, 0.0);
        makeWindow (0x1022);
        connectWithImage (unit, 1024);

        // Real waits for replies, woken by the stop: the message thread waits
        // for the worker outside the virtual clock.
        ports.setClock (nullptr);

        std::function<void()> replaceHandler = [&]
        {
            if (onceConnecting && ! unit.log().contains ("connect"))
            {
                juce::MessageManager::callAsync ([&] { replaceHandler(); });
                return;
            }

            window->midiHandler = std::make_unique<FirmwareUpgradeComponent::MidiInputHandler> (*window);
        };

        juce::MessageManager::callAsync ([&] { replaceHandler(); });
        const auto result = window->uploadFirmwareOnWorker();

        const juce::StringArray stopped { "Could not write new firmware", "Could not connect to hardware" };
        EXPECT_TRUE (stopped.contains (result)) << onceConnecting << ": " << result;

        // At most the connect packet (a wake-up and 17 bytes) went out: the
        // stop ended the wait for its answer, or came before it.
        const auto sent = messagesSent().size();
        EXPECT_TRUE (sent == 0 || sent == 18) << onceConnecting << ": " << sent;

        if (onceConnecting)
            EXPECT_EQ (result, "Could not connect to hardware");

        ports.setClock (&clock);
    }
}
