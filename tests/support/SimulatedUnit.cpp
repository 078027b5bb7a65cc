#include "support/SimulatedUnit.h"

#include "firmware/catalogue/ProductCatalogue.h"

namespace sim
{

namespace
{
    // Every packet begins with ten 55 bytes and 1D 03 00 49.
    const juce::uint8 packetHeader[] { 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                                       0x1D, 0x03, 0x00, 0x49 };
    constexpr size_t headerSize = sizeof (packetHeader);

    juce::String hexByte (int b)
    {
        return juce::String::toHexString (b).paddedLeft ('0', 2).toUpperCase();
    }

    bool isMakersSysEx (const juce::uint8* d, int size)
    {
        return size >= 8 && d[0] == 0xF0 && d[1] == 0x1D && d[2] == 0x03 && d[size - 1] == 0xF7;
    }
}

SimulatedUnit::SimulatedUnit (SimulatedMidiPorts& p, Options o)
    : SimulatedUnit (p, std::make_unique<RealTimeScheduler>(), nullptr, std::move (o)) {}

SimulatedUnit::SimulatedUnit (SimulatedMidiPorts& p, EventScheduler& s, Options o)
    : SimulatedUnit (p, nullptr, &s, std::move (o)) {}

SimulatedUnit::SimulatedUnit (SimulatedMidiPorts& p, std::unique_ptr<RealTimeScheduler> own, EventScheduler* s,
                              Options o)
    : ownScheduler (std::move (own)), ports (p), scheduler (s != nullptr ? *s : *ownScheduler), options (std::move (o)),
      upgradeMode (options.startsInUpgradeMode)
{
    publish();
}

SimulatedUnit::~SimulatedUnit()
{
    locked ([this] { closing = true; });
    scheduler.cancel (this);
    withdraw();
}

//==============================================================================
std::vector<SimulatedUnit::Port> SimulatedUnit::portNames() const
{
    // Called with the lock held; port 1 first.
    const bool keepsNames = options.upgradePortName.isEmpty()
                            && halvik::getFlashMethod (options.productId) == halvik::flashMethodKeyboard;

    if (upgradeMode && ! keepsNames)
    {
        const auto name = options.upgradePortName.isNotEmpty() ? options.upgradePortName
                                                              : juce::String ("Halvik firmware upgrade");
        return { { name, name } };
    }

    std::vector<Port> names { { firstOutputName(), firstOutputName() } };

    if (options.hasSecondPort)
        names.push_back ({ secondInputName(), secondOutputName() });

    return names;
}

void SimulatedUnit::publish()
{
    auto names = locked ([this] { return portNames(); });

    for (auto& port : names)
    {
        if (options.naming == Naming::linux)
        {
            port.inputIdentifier = port.outputIdentifier = ports.publishPort (port.outputName, this);
        }
        else
        {
            port.inputIdentifier = ports.publishInput (port.inputName);
            port.outputIdentifier = ports.publishOutput (port.outputName, this);
        }
    }

    locked ([&] { published.insert (published.end(), names.begin(), names.end()); listed = true; });
    applyRefusal();
}

void SimulatedUnit::withdraw()
{
    const auto gone = locked ([this] { listed = false; return std::exchange (published, {}); });

    // By identifier: a twin's ports of the same names stay.
    for (auto& port : gone)
    {
        for (auto& identifier : { port.inputIdentifier, port.outputIdentifier })
        {
            ports.withdraw (identifier);
            ports.setRefusingOpens (identifier, false);
        }
    }
}

void SimulatedUnit::applyRefusal()
{
    const auto refuse = locked ([this] { return refusingOpens; });

    for (auto& port : locked ([this] { return published; }))
    {
        ports.setRefusingOpens (port.inputIdentifier, refuse);
        ports.setRefusingOpens (port.outputIdentifier, refuse);
    }
}

//==============================================================================
void SimulatedUnit::receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> guard (lock);

    if (closing || ! listed)
        return;

    messages.push_back (message);

    const auto* d = message.getRawData();
    const auto size = message.getRawDataSize();
    const auto idInMessage = size > 4 ? d[3] * 128 + d[4] : -1;

    // 00 01 00: version request
    if (isMakersSysEx (d, size) && size == 9 && d[5] == 0x00 && d[6] == 0x01 && d[7] == 0x00)
    {
        events.add ("version request");

        if (! upgradeMode)
            decoded.add ("version request");

        if (idInMessage != options.productId || silent || (upgradeMode && ! options.answersVersionInUpgradeMode))
            return;

        const auto v = [this] (int i) { return upgradeMode ? (juce::uint8) 0 : version[i]; };
        const juce::uint8 reply[] { 0xF0, 0x1D, 0x03,                     // SysEx, maker
                                    (juce::uint8) ((options.productId >> 7) & 0x7F),
                                    (juce::uint8) (options.productId & 0x7F),
                                    0x00, 0x01,                           // command: version
                                    v (0), v (1), v (2), v (3),
                                    0xF7 };
        sendLater (portName, juce::MidiMessage (reply, (int) sizeof (reply)), options.answerAfterMs);
        return;
    }

    if (upgradeMode)
    {
        // note-on ch 16: one byte, high and low nibble
        if (size == 3 && d[0] == 0x9F && d[1] <= 0x0F && d[2] <= 0x0F)
            takeByte (portName, (juce::uint8) ((d[1] << 4) | d[2]));

        return;
    }

    const auto modeByte = (options.productId == 157 || options.productId == 158) ? 0x7E : 0x7F;
    const bool longForm = size == 9 && d[5] == 0x00 && d[6] == 0x7F && d[7] == modeByte;  // 00 7F m: enter upgrade mode
    const bool shortForm = size == 8 && d[5] == 0x55 && d[6] == 0x7F;                    // 55 7F: the same, short
    const bool forThisModel = idInMessage == halvik::getSysExModelCode (options.productId);

    if (isMakersSysEx (d, size) && (longForm || shortForm) && forThisModel)
    {
        events.add ("enter");
        leaveAndComeBack (true);
        return;
    }

    decode (d, size, message);
}

void SimulatedUnit::decode (const juce::uint8* d, int size, const juce::MidiMessage& message)
{
    if (size == 3 && d[0] == 0xEF && d[1] == 0x7F && d[2] == 0x7F)           // pitch bend ch 16, max: wake-up
        return (void) decoded.add ("wake-up");

    if (size == 3 && d[0] == 0x9F)                                          // note-on ch 16: one settings byte
    {
        const auto byte = (juce::uint8) ((d[1] << 4) | (d[2] & 0x0F));
        decoded.add ("settings byte " + hexByte (byte));

        if (running)
            running->push_back (byte);

        return;
    }

    if (size == 3 && d[0] == 0x9E && d[1] == 0x7F && d[2] == 0x7F)          // note-on ch 15, 127/127: end marker
    {
        decoded.add ("end marker");

        if (running)
            finished = std::exchange (running, std::nullopt);

        return;
    }

    if (isMakersSysEx (d, size) && size == 9)
    {
        if (d[5] == 0x00 && d[7] == 0x7F)                                   // 00 m 7F: mode select
        {
            decoded.add ("mode select " + juce::String (d[6]));
            running.emplace();
            finished.reset();
            return;
        }

        if (d[5] == 0x02 && d[6] == 0x01 && d[7] == 0x00)                   // parameter 0x0201 = 0: commit
        {
            decoded.add ("commit");

            if (finished)
                applied.push_back (*std::exchange (finished, std::nullopt));

            return;
        }

        if (d[5] == 0x01 && d[6] == 0x35 && d[7] == 0x01)                   // parameter 0x0135 = 1: store
            return (void) decoded.add ("store");
    }

    if (isMakersSysEx (d, size) && size == 266 && d[5] == 0x02 && d[6] == 0x02 && d[8] == 0x00)  // curve dump
    {
        decoded.add ("curve " + juce::String (d[7]));
        curves.push_back ({ d[3] * 128 + d[4], std::vector<juce::uint8> (d + 9, d + 265) });
        return;
    }

    decoded.add ("other " + SimulatedMidiPorts::hexOf (message));
}

//==============================================================================
void SimulatedUnit::takeByte (const juce::String& portName, juce::uint8 byte)
{
    packet.push_back (byte);

    if (packet.size() <= headerSize)
    {
        if (packet.size() == headerSize && ! std::equal (packet.begin(), packet.end(), packetHeader))
            packet.erase (packet.begin());

        return;
    }

    if (packet.size() == (packet[14] == 0x01 ? 530u : 17u))      // command 01: a data packet
    {
        takePacket (portName);
        packet.clear();
    }
}

void SimulatedUnit::takePacket (const juce::String& portName)
{
    unsigned sum = 0;

    for (size_t i = 0; i + 1 < packet.size(); ++i)
        sum += packet[i];

    const auto command = packet[14];
    const Reply refusal { Answer::no, options.answerAfterMs };

    if ((sum & 0xFF) != packet.back())
    {
        events.add ("bad sum");
        return answerPacket (portName, command, refusal);
    }

    switch (command)
    {
        case 0x7F:                                              // connect
            events.add ("connect");
            return answerPacket (portName, command, replyFor (Phase::connect));

        case 0x00:                                              // erase
            events.add ("erase " + hexByte (packet[15]));
            stored.clear();
            expectedSequence = 0;
            dataPacketsSinceErase = 0;
            return answerPacket (portName, command, replyFor (Phase::erase));

        case 0x01:                                              // data
        {
            const auto sequence = (int) packet[15];

            if (sequence != expectedSequence)
            {
                events.add ("bad sequence " + juce::String (sequence));
                return answerPacket (portName, command, refusal);
            }

            auto found = dataPacketReplies.find (dataPacketsSinceErase++);
            const auto reply = found != dataPacketReplies.end() ? found->second : replyFor (Phase::data);

            if (reply.answer != Answer::no)
            {
                events.add ("data " + juce::String (sequence));
                stored.insert (stored.end(), packet.begin() + 17, packet.begin() + 529);
                expectedSequence = (expectedSequence + 1) & 0xFF;
            }

            return answerPacket (portName, command, reply);
        }

        case 0x02:                                              // reset
        {
            events.add ("reset");
            const auto reply = replyFor (Phase::reset);
            answerPacket (portName, command, reply);

            if (reply.answer != Answer::no)
                leaveAndComeBack (false);

            return;
        }

        default:
            events.add ("unknown command " + hexByte (command));
            return answerPacket (portName, command, refusal);
    }
}

SimulatedUnit::Reply SimulatedUnit::replyFor (Phase phase) const
{
    auto found = replies.find (phase);
    return found != replies.end() ? found->second : Reply { Answer::yes, options.answerAfterMs };
}

void SimulatedUnit::answerPacket (const juce::String& portName, juce::uint8 command, Reply reply)
{
    if (reply.answer != Answer::silence)
        sendLater (portName,
                   juce::MidiMessage (0x9F, command, reply.answer == Answer::yes ? 0x01 : 0x7F),   // ch 16; 7F: refused
                   reply.afterMs);
}

void SimulatedUnit::sendLater (const juce::String& outputName, const juce::MidiMessage& message, double afterMs)
{
    // Called with the lock held. The answer goes out on the input of the port
    // that carried the request: its own, whatever another unit's are called.
    juce::String input;

    for (auto& port : published)
        if (port.outputName == outputName)
            input = port.inputIdentifier;

    scheduler.schedule (this, afterMs * 1000.0, [this, input, message] { ports.sendToProgram (input, message); });
}

void SimulatedUnit::leaveAndComeBack (bool inUpgradeMode)
{
    const auto comesBack = ! staysAway;

    scheduler.schedule (this, options.leaveAfterMs * 1000.0, [this, comesBack, inUpgradeMode]
    {
        locked ([this] { upgradeMode = false; events.add ("left"); });
        withdraw();

        if (! comesBack)
            return;

        scheduler.schedule (this, options.returnAfterMs * 1000.0, [this, inUpgradeMode]
        {
            {
                const std::lock_guard<std::mutex> guard (lock);
                upgradeMode = inUpgradeMode;
                packet.clear();

                if (! inUpgradeMode)
                    version = versionAfterReset;

                events.add (inUpgradeMode ? "back in upgrade mode" : "back in normal mode");
            }

            publish();
        });
    });
}

} // namespace sim
