#include "support/NamedPorts.h"
#include "support/UpgraderMidiFixture.h"

#include <filesystem>

using Phase = sim::SimulatedUpgradeUnit::Phase;
using Answer = sim::SimulatedUpgradeUnit::Answer;

namespace
{
    // The note-ons that carry one packet: ten 55 bytes, 1D 03 00 49, the
    // body, and the low byte of the sum of all of them.
    juce::StringArray packetNotes (std::vector<juce::uint8> body)
    {
        std::vector<juce::uint8> bytes (10, 0x55);
        bytes.insert (bytes.end(), { 0x1D, 0x03, 0x00, 0x49 });
        bytes.insert (bytes.end(), body.begin(), body.end());

        unsigned sum = 0;
        for (auto b : bytes)
            sum += b;

        bytes.push_back ((juce::uint8) sum);

        juce::StringArray notes;
        for (auto b : bytes)
            notes.add (juce::String::formatted ("9F %02X %02X", b >> 4, b & 0x0F));

        return notes;
    }

    juce::StringArray controlPacket (juce::uint8 command, juce::uint8 parameter)
    {
        juce::StringArray messages { "EF 7F 7F" };      // wake-up first
        messages.addArray (packetNotes ({ command, parameter }));
        return messages;
    }

    // How many messages went out between two pacing pauses of this length
    // (other waits, such as the message thread's polls, left out).
    std::vector<int> runsBetweenPauses (const std::vector<sim::SimulatedMidiPorts::Event>& timeline, double microseconds)
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

class MidiBootloader : public UpgraderMidiFixture {};

TEST_F (MidiBootloader, KeyboardImageGoesUpFromAWorkerInTheExactStreamWithItsTailPadded)
{
    auto& unit = addUnit (unitOptions (true));
    auto& handler = connectWithImage (unit, 1300);

    auto padded = handler.getImage();
    padded.resize (3 * 512, 0xFF);

    EXPECT_EQ (window->uploadFirmwareOnWorker(), "");

    auto expected = controlPacket (0x7F, 0x00);             // connect
    expected.addArray (controlPacket (0x00, 0x70));         // erase
    for (int k = 0; k < 3; ++k)
    {
        std::vector<juce::uint8> body { 0x01, (juce::uint8) k, 0x00 };
        body.insert (body.end(), padded.begin() + 512 * k, padded.begin() + 512 * (k + 1));
        expected.addArray (packetNotes (body));
    }
    expected.addArray (controlPacket (0x02, 0x00));         // reset

    EXPECT_EQ (messagesSent(), expected);
    EXPECT_EQ (unit.storedImage(), padded);

    // Four messages, then 0.5 ms, all the way through.
    const auto runs = runsBetweenPauses (ports.timeline(), 500.0);
    EXPECT_EQ (runs.size(), (size_t) expected.size() / 4 + 1);
    EXPECT_EQ (std::count (runs.begin(), runs.end() - 1, 4), (long) runs.size() - 1);

    // 1536 bytes sent of 1300 would make 1.04.
    EXPECT_EQ (window->getProgress(), 1.0);
}

TEST_F (MidiBootloader, TheMessageThreadGoesOnTheMomentTheWorkerEndsItsUpload)
{
    double took[2] {};

    for (const bool onWorker : { false, true })
    {
        auto& unit = onlyUnit (unitOptions (true));
        makeWindow (0x1022);
        connectWithImage (unit, 2 * 512);

        const auto start = clock.now();
        EXPECT_EQ (onWorker ? window->uploadFirmwareOnWorker() : window->midiHandler->uploadFirmware().getErrorMessage(), "");
        took[onWorker] = clock.now() - start;
    }

    EXPECT_EQ (took[1], took[0]) << "the upload alone lasts " << took[0] << " us";
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

TEST_F (MidiBootloader, SequenceNumbersWrapAfterPacket256)
{
    auto& unit = addUnit (unitOptions (true));
    auto& handler = connectWithImage (unit, 257 * 512);

    EXPECT_EQ (handler.uploadFirmware().getErrorMessage(), "");

    const auto log = unit.log();
    EXPECT_EQ (log[2 + 255], "data 255");
    EXPECT_EQ (log[2 + 256], "data 0");
    EXPECT_EQ (unit.storedImage(), handler.getImage());
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

    // A file above 2 MiB is not even read.
    auto big = folder.get().getChildFile ("big.bin");
    big.create();
    std::filesystem::resize_file (big.getFullPathName().toStdString(), 64 * 1024 * 1024);

    window->midiHandler->loadFirmwareImage (big);
    EXPECT_TRUE (window->midiHandler->getImage().empty());
    EXPECT_EQ (window->midiHandler->uploadFirmware().getErrorMessage(), "Firmware exception!");

    // Without both ports, and the replies stay as they were.
    sim::NamedPorts halves (ports, { "Output only" }, { "Input only" });

    const std::pair<const char*, const char*> cases[] { { "", "No MIDI input device is open!" },
                                                        { "Output only", "No MIDI input device is open!" },
                                                        { "Input only", "No MIDI output device is open!" } };

    for (auto& [port, result] : cases)
    {
        window->midiHandler = std::make_unique<halvik::FirmwareUpgradeComponent::MidiInputHandler> (*window);
        window->midiHandler->loadFirmwareImage (writeImage (1024));

        if (*port != 0)
            window->midiHandler->openDevices (port);

        halvik::dataAckReceived = true;
        EXPECT_EQ (window->midiHandler->uploadFirmware().getErrorMessage(), result) << port;
        EXPECT_TRUE (halvik::dataAckReceived) << port;
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

        EXPECT_EQ (handler.uploadFirmware().getErrorMessage(), juce::String (c.result)) << row;
        EXPECT_EQ (messagesSent().size(), c.sent) << row;

        if (c.sent == 1114)
            EXPECT_EQ (unit.storedImage(), handler.getImage()) << row;

        // Every way out leaves no reply behind for the next exchange.
        EXPECT_FALSE (halvik::connectAckReceived || halvik::eraseAckReceived || halvik::dataAckReceived
                       || halvik::resetAckReceived || halvik::negativeReplyReceived) << row;
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
        ports.setRealPauses (false);

        std::function<void()> replaceHandler = [&]
        {
            if (onceConnecting && ! unit.log().contains ("connect"))
            {
                juce::MessageManager::callAsync ([&] { replaceHandler(); });
                return;
            }

            window->midiHandler = std::make_unique<halvik::FirmwareUpgradeComponent::MidiInputHandler> (*window);
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
