#include "support/SimulatedKeyboard.h"

namespace sim
{

namespace
{
    bool isSysexOfFamily (const juce::uint8* d, int size)
    {
        return size >= 9 && d[0] == 0xF0 && d[1] == 0x1D && d[2] == 0x03 && d[size - 1] == 0xF7;
    }

    int productIdOf (const juce::uint8* d)
    {
        return d[3] * 128 + d[4];
    }

    juce::String hexByte (int b)
    {
        return juce::String::toHexString (b).paddedLeft ('0', 2).toUpperCase();
    }
}

SimulatedKeyboard::SimulatedKeyboard (SimulatedMidiPorts& p, Options o)
    : ports (p), options (std::move (o))
{
    replyThread = std::thread ([this] { replyLoop(); });

    if (options.plugged)
        replug();
}

SimulatedKeyboard::SimulatedKeyboard (SimulatedMidiPorts& p)
    : SimulatedKeyboard (p, Options())
{
}

SimulatedKeyboard::~SimulatedKeyboard()
{
    {
        const std::lock_guard<std::mutex> guard (lock);
        stopping = true;
    }

    queueChanged.notify_all();
    replyThread.join();
    unplug();
}

//==============================================================================
juce::String SimulatedKeyboard::firstInputName() const
{
    return options.naming == Naming::windows ? options.model : options.model + " MIDI 1";
}

juce::String SimulatedKeyboard::firstOutputName() const
{
    return firstInputName();
}

juce::String SimulatedKeyboard::secondInputName() const
{
    return options.naming == Naming::windows ? "MIDIIN2 (" + options.model + ")" : options.model + " MIDI 2";
}

juce::String SimulatedKeyboard::secondOutputName() const
{
    return options.naming == Naming::windows ? "MIDIOUT2 (" + options.model + ")" : options.model + " MIDI 2";
}

juce::String SimulatedKeyboard::inputPairedWith (const juce::String& outputName) const
{
    // Called with the lock held. The keyboard answers on its own input, even
    // when another keyboard's ports carry the same names.
    return outputName == secondOutputName() && options.hasSecondPort ? secondInputIdentifier : firstInputIdentifier;
}

void SimulatedKeyboard::publishPorts()
{
    juce::StringArray identifiers;
    juce::String firstInput, secondInput;

    if (options.naming == Naming::linux)
    {
        // One identifier for both directions of a port, as ALSA lists it.
        firstInput = ports.publishPort (firstInputName(), *this);
        identifiers.add (firstInput);

        if (options.hasSecondPort)
        {
            secondInput = ports.publishPort (secondInputName(), *this);
            identifiers.add (secondInput);
        }
    }
    else
    {
        firstInput = ports.publishInput (firstInputName());

        if (options.hasSecondPort)
            secondInput = ports.publishInput (secondInputName());

        identifiers.add (firstInput);
        identifiers.add (secondInput);
        identifiers.add (ports.publishOutput (firstOutputName(), *this));

        if (options.hasSecondPort)
            identifiers.add (ports.publishOutput (secondOutputName(), *this));
    }

    identifiers.removeEmptyStrings();

    {
        const std::lock_guard<std::mutex> guard (lock);
        ownIdentifiers = identifiers;
        firstInputIdentifier = firstInput;
        secondInputIdentifier = secondInput;
    }

    applyRefusal();
}

void SimulatedKeyboard::applyRefusal()
{
    juce::StringArray identifiers;
    bool refuse = false;

    {
        const std::lock_guard<std::mutex> guard (lock);
        identifiers = ownIdentifiers;
        refuse = refusingOpens;
    }

    for (auto& identifier : identifiers)
        ports.setRefusingOpens (identifier, refuse);
}

void SimulatedKeyboard::unplug()
{
    juce::StringArray identifiers;

    {
        const std::lock_guard<std::mutex> guard (lock);

        if (! plugged)
            return;

        plugged = false;
        identifiers = ownIdentifiers;
    }

    for (auto& identifier : identifiers)
    {
        ports.withdraw (identifier);
        ports.setRefusingOpens (identifier, false);
    }
}

void SimulatedKeyboard::replug()
{
    {
        const std::lock_guard<std::mutex> guard (lock);

        if (plugged)
            return;

        plugged = true;
    }

    publishPorts();
}

void SimulatedKeyboard::setReplies (Replies newReplies)
{
    const std::lock_guard<std::mutex> guard (lock);
    replies = newReplies;
}

void SimulatedKeyboard::setVersionBytes (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
{
    const std::lock_guard<std::mutex> guard (lock);
    version[0] = a;
    version[1] = b;
    version[2] = c;
    version[3] = d;
}

void SimulatedKeyboard::setRefusingOpens (bool shouldRefuse)
{
    {
        const std::lock_guard<std::mutex> guard (lock);
        refusingOpens = shouldRefuse;
    }

    applyRefusal();
}

void SimulatedKeyboard::sendFromKeyboard (const juce::MidiMessage& message)
{
    {
        const std::lock_guard<std::mutex> guard (lock);
        outgoing.emplace_back (secondInputIdentifier, message);
    }

    queueChanged.notify_all();
}

void SimulatedKeyboard::waitUntilRepliesSent()
{
    std::unique_lock<std::mutex> guard (lock);
    queueChanged.wait (guard, [this] { return outgoing.empty() && ! replying; });
}

//==============================================================================
std::vector<SimulatedKeyboard::Received> SimulatedKeyboard::received() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return log;
}

std::vector<SimulatedKeyboard::AppliedImage> SimulatedKeyboard::appliedImages() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return applied;
}

std::vector<SimulatedKeyboard::CurveDump> SimulatedKeyboard::curveDumps() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return curves;
}

std::vector<int> SimulatedKeyboard::storeCommands() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return stores;
}

std::vector<int> SimulatedKeyboard::versionRequests() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return versionAsks;
}

juce::StringArray SimulatedKeyboard::decodedLog() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return decoded;
}

void SimulatedKeyboard::clearRecords()
{
    const std::lock_guard<std::mutex> guard (lock);
    log.clear();
    decoded.clear();
    applied.clear();
    curves.clear();
    stores.clear();
    versionAsks.clear();
}

//==============================================================================
void SimulatedKeyboard::receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message)
{
    {
        const std::lock_guard<std::mutex> guard (lock);
        log.push_back ({ portName, message });
        decode (portName, message);
    }

    queueChanged.notify_all();
}

void SimulatedKeyboard::decode (const juce::String& portName, const juce::MidiMessage& message)
{
    auto* d = message.getRawData();
    auto size = message.getRawDataSize();

    if (size == 3 && d[0] == 0xEF && d[1] == 0x7F && d[2] == 0x7F)           // pitch bend ch 16, max: wake-up
    {
        decoded.add ("wake-up");
        return;
    }

    if (size == 3 && d[0] == 0x9F)                                          // note-on ch 16: one settings byte
    {
        auto byte = (juce::uint8) ((d[1] << 4) | (d[2] & 0x0F));
        decoded.add ("settings byte " + hexByte (byte));

        if (collecting)
            running.bytes.push_back (byte);

        return;
    }

    if (size == 3 && d[0] == 0x9E && d[1] == 0x7F && d[2] == 0x7F)          // note-on ch 15, 127/127: end marker
    {
        decoded.add ("end marker");

        if (collecting)
        {
            finished = running;
            haveFinishedRun = true;
            collecting = false;
        }

        return;
    }

    if (isSysexOfFamily (d, size) && size == 9)
    {
        auto id = productIdOf (d);

        if (d[5] == 0x00 && d[7] == 0x7F)                                   // 00 m 7F: mode select
        {
            decoded.add ("mode select " + juce::String (d[6]));
            collecting = true;
            haveFinishedRun = false;
            running = {};
            return;
        }

        if (d[5] == 0x00 && d[6] == 0x01 && d[7] == 0x00)                   // 00 01 00: version request
        {
            decoded.add ("version request");
            versionAsks.push_back (id);

            if (replies != Replies::silent && id == options.productId)
                outgoing.emplace_back (inputPairedWith (portName), makeReply());

            return;
        }

        if (d[5] == 0x02 && d[6] == 0x01 && d[7] == 0x00)                   // parameter 0x0201 = 0: commit
        {
            decoded.add ("commit");

            if (haveFinishedRun)
            {
                applied.push_back (finished);
                haveFinishedRun = false;
            }

            return;
        }

        if (d[5] == 0x01 && d[6] == 0x35 && d[7] == 0x01)                   // parameter 0x0135 = 1: store
        {
            decoded.add ("store");
            stores.push_back (id);
            return;
        }
    }

    if (isSysexOfFamily (d, size) && size == 266 && d[5] == 0x02 && d[6] == 0x02 && d[8] == 0x00)  // curve dump
    {
        decoded.add ("curve " + juce::String (d[7]));
        curves.push_back ({ productIdOf (d), d[7], std::vector<juce::uint8> (d + 9, d + 265) });
        return;
    }

    decoded.add ("other " + SimulatedMidiPorts::hexOf (message));
}

juce::MidiMessage SimulatedKeyboard::makeReply() const
{
    auto id = replies == Replies::foreignProduct ? (options.productId == 0x1020 ? 0x1021 : 0x1020)
                                                 : options.productId;
    juce::uint8 bytes[] { 0xF0, 0x1D, 0x03,                                   // SysEx, maker, family
                          (juce::uint8) ((id / 128) & 0x7F), (juce::uint8) (id % 128),
                          0x00, 0x01,                                         // command: version
                          version[0], version[1], version[2], version[3],
                          0xF7 };

    if (replies == Replies::wrongCommand)
        bytes[6] = 0x02;

    if (replies == Replies::shortReply)
    {
        bytes[10] = 0xF7;
        return juce::MidiMessage (bytes, 11);
    }

    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}

void SimulatedKeyboard::replyLoop()
{
    std::unique_lock<std::mutex> guard (lock);

    for (;;)
    {
        queueChanged.wait (guard, [this] { return stopping || ! outgoing.empty(); });

        if (stopping)
            return;

        auto next = outgoing.front();
        outgoing.pop_front();
        replying = true;

        guard.unlock();
        ports.sendToProgram (next.first, next.second);
        guard.lock();

        replying = false;
        queueChanged.notify_all();
    }
}

} // namespace sim
