#include "support/SimulatedUpgradeUnit.h"

#include "firmware/catalogue/ProductCatalogue.h"

namespace sim
{

namespace
{
    // Every packet begins with ten 55 bytes and 1D 03 00 49.
    const juce::uint8 packetHeader[] { 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                                       0x1D, 0x03, 0x00, 0x49 };
    constexpr size_t headerSize = sizeof (packetHeader);

    juce::MidiMessage noteOn16 (juce::uint8 note, juce::uint8 velocity)
    {
        return juce::MidiMessage (0x9F, note, velocity);          // note-on, channel 16
    }

    juce::String hexByte (int b)
    {
        return juce::String::toHexString (b).paddedLeft ('0', 2).toUpperCase();
    }

    // Where a unit answers a message that reached it on this output.
    juce::String inputFor (const juce::String& outputName)
    {
        return outputName.startsWith ("MIDIOUT") ? outputName.replace ("MIDIOUT", "MIDIIN") : outputName;
    }
}

SimulatedUpgradeUnit::SimulatedUpgradeUnit (SimulatedMidiPorts& p, EventScheduler& s, Options o)
    : ports (p), scheduler (s), options (std::move (o))
{
    for (auto phase : { Phase::connect, Phase::erase, Phase::data, Phase::reset })
        replies[phase] = { Answer::yes, options.answerAfterMs };

    mode = options.startsInUpgradeMode ? Mode::upgrade : Mode::normal;
    publish (mode);
}

SimulatedUpgradeUnit::~SimulatedUpgradeUnit()
{
    Mode last;
    {
        const std::lock_guard<std::mutex> guard (lock);
        closing = true;
        last = mode;
    }

    scheduler.cancel (this);

    if (last != Mode::away)
        for (auto& name : portNames (last))
            ports.withdraw (name);
}

//==============================================================================
void SimulatedUpgradeUnit::setAnswer (Phase phase, Answer answer, double afterMs)
{
    const std::lock_guard<std::mutex> guard (lock);
    replies[phase] = { answer, afterMs };
}

void SimulatedUpgradeUnit::setDataPacketAnswer (int packetIndex, Answer answer, double afterMs)
{
    const std::lock_guard<std::mutex> guard (lock);
    dataPacketReplies[packetIndex] = { answer, afterMs };
}

void SimulatedUpgradeUnit::setNeverComesBack (bool shouldStayAway)
{
    const std::lock_guard<std::mutex> guard (lock);
    staysAway = shouldStayAway;
}

void SimulatedUpgradeUnit::setVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
{
    const std::lock_guard<std::mutex> guard (lock);
    version[0] = a; version[1] = b; version[2] = c; version[3] = d;
}

void SimulatedUpgradeUnit::setVersionAfterReset (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
{
    const std::lock_guard<std::mutex> guard (lock);
    versionAfterReset[0] = a; versionAfterReset[1] = b; versionAfterReset[2] = c; versionAfterReset[3] = d;
}

//==============================================================================
bool SimulatedUpgradeUnit::isInUpgradeMode() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return mode == Mode::upgrade;
}

bool SimulatedUpgradeUnit::isListed() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return mode != Mode::away;
}

juce::String SimulatedUpgradeUnit::outputName() const
{
    Mode now;
    {
        const std::lock_guard<std::mutex> guard (lock);
        now = mode;
    }

    // The names list inputs first, then outputs; the last is the highest output.
    const auto names = portNames (now == Mode::away ? Mode::normal : now);
    return names[names.size() - 1];
}

std::vector<juce::uint8> SimulatedUpgradeUnit::storedImage() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return stored;
}

juce::StringArray SimulatedUpgradeUnit::log() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return events;
}

std::vector<juce::MidiMessage> SimulatedUpgradeUnit::received() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return messages;
}

void SimulatedUpgradeUnit::clearRecords()
{
    const std::lock_guard<std::mutex> guard (lock);
    events.clear();
    messages.clear();
}

//==============================================================================
juce::StringArray SimulatedUpgradeUnit::portNames (Mode which) const
{
    const bool keepsNames = options.upgradePortName.isEmpty()
                            && halvik::getFlashMethod (options.productId) == halvik::flashMethodKeyboard;

    if (which == Mode::upgrade && ! keepsNames)
    {
        const auto name = options.upgradePortName.isNotEmpty() ? options.upgradePortName
                                                              : juce::String ("Halvik firmware upgrade");
        return { name, name };      // input, output
    }

    if (options.naming == Naming::linux)
    {
        // One name stands for both directions of a port.
        juce::StringArray names { options.model + " MIDI 1" };

        if (options.hasSecondPort)
            names.add (options.model + " MIDI 2");

        auto both = names;
        both.addArray (names);
        return both;
    }

    juce::StringArray inputs { options.model }, outputs { options.model };

    if (options.hasSecondPort)
    {
        inputs.add ("MIDIIN2 (" + options.model + ")");
        outputs.add ("MIDIOUT2 (" + options.model + ")");
    }

    inputs.addArray (outputs);
    return inputs;
}

void SimulatedUpgradeUnit::publish (Mode which)
{
    const auto names = portNames (which);
    const auto half = names.size() / 2;

    for (int i = 0; i < half; ++i)
        ports.publishInput (names[i]);

    for (int i = half; i < names.size(); ++i)
        ports.publishOutput (names[i], *this);
}

//==============================================================================
void SimulatedUpgradeUnit::receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> guard (lock);

    if (closing || mode == Mode::away)
        return;

    messages.push_back (message);

    const auto* d = message.getRawData();
    const auto size = message.getRawDataSize();

    if (size == 3 && d[0] == 0x9F && d[1] <= 0x0F && d[2] <= 0x0F)     // note-on ch 16: one byte, high and low nibble
    {
        if (mode == Mode::upgrade)
            takeByte (portName, (juce::uint8) ((d[1] << 4) | d[2]));

        return;
    }

    if (size >= 8 && d[0] == 0xF0 && d[1] == 0x1D && d[2] == 0x03 && d[size - 1] == 0xF7)   // SysEx of the maker
        takeSysEx (portName, d, size);
}

void SimulatedUpgradeUnit::takeSysEx (const juce::String& portName, const juce::uint8* d, int size)
{
    const auto idInMessage = d[3] * 128 + d[4];

    if (size == 9 && d[5] == 0x00 && d[6] == 0x01 && d[7] == 0x00)        // 00 01 00: version request
    {
        events.add ("version request");

        if (idInMessage != options.productId)
            return;

        const bool zero = mode == Mode::upgrade;

        if (zero && ! options.answersVersionInUpgradeMode)
            return;

        const juce::uint8 reply[] { 0xF0, 0x1D, 0x03,                     // SysEx, maker
                                    (juce::uint8) ((options.productId >> 7) & 0x7F),
                                    (juce::uint8) (options.productId & 0x7F),
                                    0x00, 0x01,                           // command: version
                                    zero ? (juce::uint8) 0 : version[0], zero ? (juce::uint8) 0 : version[1],
                                    zero ? (juce::uint8) 0 : version[2], zero ? (juce::uint8) 0 : version[3],
                                    0xF7 };
        sendLater (portName, juce::MidiMessage (reply, (int) sizeof (reply)), options.answerAfterMs);
        return;
    }

    const auto code = halvik::getSysExModelCode (options.productId);
    const auto modeByte = (options.productId == 157 || options.productId == 158) ? 0x7E : 0x7F;

    const bool longForm = size == 9 && d[5] == 0x00 && d[6] == 0x7F && d[7] == modeByte;   // 00 7F m: enter upgrade mode
    const bool shortForm = size == 8 && d[5] == 0x55 && d[6] == 0x7F;                     // 55 7F: the same, short

    if ((longForm || shortForm) && idInMessage == code && mode == Mode::normal)
    {
        events.add ("enter");

        if (options.reportsUpgradeMode)
            sendLater (portName, juce::MidiMessage (0xEC, 0x2D, 0x01), options.answerAfterMs);   // mode report: upgrade

        leaveAndComeBack (true);
    }
}

void SimulatedUpgradeUnit::takeByte (const juce::String& portName, juce::uint8 byte)
{
    if (! inPacket)
    {
        recentBytes.push_back (byte);

        if (recentBytes.size() > headerSize)
            recentBytes.pop_front();

        if (recentBytes.size() == headerSize && std::equal (recentBytes.begin(), recentBytes.end(), packetHeader))
        {
            inPacket = true;
            packet.assign (packetHeader, packetHeader + headerSize);
            recentBytes.clear();
        }

        return;
    }

    packet.push_back (byte);
    const size_t length = packet[14] == 0x01 ? 530 : 17;      // command 01: data packet

    if (packet.size() == length)
    {
        takePacket (portName);
        inPacket = false;
        packet.clear();
    }
}

void SimulatedUpgradeUnit::takePacket (const juce::String& portName)
{
    unsigned sum = 0;

    for (size_t i = 0; i + 1 < packet.size(); ++i)
        sum += packet[i];

    const auto command = packet[14];

    if ((sum & 0xFF) != packet.back())
    {
        events.add ("bad sum");
        answerPacket (portName, command, { Answer::no, options.answerAfterMs });
        return;
    }

    switch (command)
    {
        case 0x7F:                                              // connect
            events.add ("connect");
            answerPacket (portName, command, replies[Phase::connect]);
            return;

        case 0x00:                                              // erase
            events.add ("erase " + hexByte (packet[15]));
            stored.clear();
            expectedSequence = 0;
            dataPacketsSinceErase = 0;
            answerPacket (portName, command, replies[Phase::erase]);
            return;

        case 0x01:                                              // data
        {
            const auto sequence = (int) packet[15];

            if (sequence != expectedSequence)
            {
                events.add ("bad sequence " + juce::String (sequence));
                answerPacket (portName, command, { Answer::no, options.answerAfterMs });
                return;
            }

            auto found = dataPacketReplies.find (dataPacketsSinceErase++);
            const auto reply = found != dataPacketReplies.end() ? found->second : replies[Phase::data];

            if (reply.answer != Answer::no)
            {
                events.add ("data " + juce::String (sequence));
                stored.insert (stored.end(), packet.begin() + 17, packet.begin() + 529);
                expectedSequence = (expectedSequence + 1) & 0xFF;
            }

            answerPacket (portName, command, reply);
            return;
        }

        case 0x02:                                              // reset
        {
            events.add ("reset");
            const auto reply = replies[Phase::reset];
            answerPacket (portName, command, reply);

            if (reply.answer != Answer::no)
                leaveAndComeBack (false);

            return;
        }

        default:
            events.add ("unknown command " + hexByte (command));
            answerPacket (portName, command, { Answer::no, options.answerAfterMs });
            return;
    }
}

void SimulatedUpgradeUnit::answerPacket (const juce::String& portName, juce::uint8 command, Reply reply)
{
    if (reply.answer == Answer::silence)
        return;

    const juce::uint8 velocity = reply.answer == Answer::yes ? 0x01 : 0x7F;    // 7F: refused
    sendLater (portName, noteOn16 (command, velocity), reply.afterMs);
}

void SimulatedUpgradeUnit::sendLater (const juce::String& portName, const juce::MidiMessage& message, double afterMs)
{
    const auto input = inputFor (portName);
    scheduler.schedule (this, afterMs * 1000.0, [this, input, message] { ports.sendToProgram (input, message); });
}

void SimulatedUpgradeUnit::leaveAndComeBack (bool inUpgradeMode)
{
    const auto comesBack = ! staysAway;

    scheduler.schedule (this, options.leaveAfterMs * 1000.0, [this, comesBack, inUpgradeMode]
    {
        Mode last;
        {
            const std::lock_guard<std::mutex> guard (lock);
            last = mode;
            mode = Mode::away;
            events.add ("left");
        }

        for (auto& name : portNames (last))
            ports.withdraw (name);

        if (! comesBack)
            return;

        scheduler.schedule (this, options.returnAfterMs * 1000.0, [this, inUpgradeMode]
        {
            const auto next = inUpgradeMode ? Mode::upgrade : Mode::normal;
            {
                const std::lock_guard<std::mutex> guard (lock);

                if (closing)
                    return;

                mode = next;
                inPacket = false;
                packet.clear();
                recentBytes.clear();

                if (! inUpgradeMode)
                    std::copy (std::begin (versionAfterReset), std::end (versionAfterReset), std::begin (version));

                events.add (inUpgradeMode ? "back in upgrade mode" : "back in normal mode");
            }

            publish (next);
        });
    });
}

} // namespace sim
