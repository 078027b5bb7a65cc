#include "firmware/midi/UpgraderMidiHandler.h"

#include "common/BoundedFileRead.h"
#include "editor/messages/KeyboardMessages.h"
#include "editor/device/PortNames.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/BootloaderPackets.h"
#include "firmware/midi/UpgradeModeMessages.h"
#include "firmware/midi/UpgraderWaits.h"
#include "midi/MidiPortNames.h"

namespace halvik
{

namespace
{
    // Every wait for an acknowledgement lasts at most this many sleeps of
    // this length; it ends as soon as the acknowledgement is there.
    constexpr double ackSleepMicroseconds = 33000.0;
    constexpr int connectAckSleeps = 149;
    constexpr int eraseAckSleeps = 150;
    constexpr int dataAckSleeps = 300;
    constexpr double resetReplyMicroseconds = 6 * 1000.0;    // six sleeps of 1 ms
}

FirmwareUpgradeComponent::MidiInputHandler::MidiInputHandler (FirmwareUpgradeComponent& ownerToUse)
    : productId (ownerToUse.currentProductId), owner (ownerToUse)
{
    resetReplyFlags();
}

FirmwareUpgradeComponent::MidiInputHandler::~MidiInputHandler()
{
    stopRequested = true;
    NsDravel::wakeReplyWaiters();

    {
        std::unique_lock<std::mutex> guard (uploadLock);

        // An upload on this very thread is further up the stack: it cannot be
        // waited for, and the caller must not destroy its handler under it.
        jassert (! uploadRunning || uploadThread != std::this_thread::get_id());

        if (uploadThread != std::this_thread::get_id())
            uploadEnded.wait (guard, [this] { return ! uploadRunning; });
    }

    closeDevices();
}

//==============================================================================
void FirmwareUpgradeComponent::MidiInputHandler::openDevices (const juce::String& outputName)
{
    closeDevices();

    auto& ports = NsDravel::MidiPortSystem::getCurrent();

    const auto inputName = NsDravel::companionPortName (outputName, true);
    const auto inputs = NsDravel::listMidiInputs();
    const auto inputIndex = NsDravel::namesOf (inputs).indexOf (inputName, true);

    if (inputIndex >= 0)
        input = ports.openInput (inputs.getReference (inputIndex).identifier, this);

    const auto outputs = NsDravel::listMidiOutputs();
    const auto outputIndex = NsDravel::namesOf (outputs).indexOf (outputName, false);

    if (outputIndex >= 0)
        output = ports.openOutput (outputs.getReference (outputIndex).identifier);

    // Half a connection stays closed to the unit: nothing it says is read.
    if (input != nullptr && output != nullptr)
    {
        busy.exchange (0);
        input->start();
    }
}

void FirmwareUpgradeComponent::MidiInputHandler::closeDevices()
{
    busy.exchange (1);

    if (input != nullptr)
        input->stop();

    input.reset();
    output.reset();
}

//==============================================================================
void FirmwareUpgradeComponent::MidiInputHandler::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    if (busy.load() != 0)
        return;

    const auto reply = parseUnitReply (message);

    switch (reply.kind)
    {
        case UnitReply::Kind::negative:    negativeReplyReceived = true; break;
        case UnitReply::Kind::connectAck:  connectAckReceived = true; break;
        case UnitReply::Kind::eraseAck:    eraseAckReceived = true; break;
        case UnitReply::Kind::dataAck:     dataAckReceived = true; break;
        case UnitReply::Kind::resetAck:    resetAckReceived = true; break;
        case UnitReply::Kind::upgradeMode: upgradeModeActive = reply.upgradeModeOn; break;

        case UnitReply::Kind::version:
            owner.noVersion = reply.isAllZeroVersion();
            owner.unitVersion = reply.versionValue();
            break;

        case UnitReply::Kind::none:
            return;
    }

    NsDravel::wakeReplyWaiters();
}

//==============================================================================
void FirmwareUpgradeComponent::MidiInputHandler::loadFirmwareImage (const juce::File& file)
{
    image.clear();

    // Only a regular file is read, and no bigger one than the bootloader takes.
    if (const auto bytes = readWholeFile (file, maxFirmwareImageBytes))
    {
        const auto* data = static_cast<const juce::uint8*> (bytes->getData());
        image.assign (data, data + bytes->getSize());
    }
}

//==============================================================================
juce::Result FirmwareUpgradeComponent::MidiInputHandler::uploadFirmware()
{
    if (! reserveUpload())
        return juce::Result::fail ("Could not write new firmware");

    return runReservedUpload();
}

bool FirmwareUpgradeComponent::MidiInputHandler::reserveUpload()
{
    const std::lock_guard<std::mutex> guard (uploadLock);

    // Two uploads at once would mix their packets, and the first to end
    // would free the handler under the other.
    if (stopRequested || uploadRunning)
        return false;

    uploadRunning = true;
    uploadThread = {};
    return true;
}

juce::Result FirmwareUpgradeComponent::MidiInputHandler::runReservedUpload()
{
    {
        const std::lock_guard<std::mutex> guard (uploadLock);
        jassert (uploadRunning);
        uploadThread = std::this_thread::get_id();
    }

    const auto result = stopRequested ? juce::Result::fail ("Could not write new firmware")
                                      : runUpload();

    {
        const std::lock_guard<std::mutex> guard (uploadLock);
        uploadRunning = false;
        uploadThread = {};

        // Told while the lock is held: the destructor cannot pass its wait,
        // and free what this touches, before the lock is let go.
        uploadEnded.notify_all();
    }

    return result;
}

juce::Result FirmwareUpgradeComponent::MidiInputHandler::runUpload()
{
    if (input == nullptr)
        return juce::Result::fail ("No MIDI input device is open!");

    if (output == nullptr)
        return juce::Result::fail ("No MIDI output device is open!");

    resetReplyFlags();

    const auto imageSize = (int) juce::jmin (image.size(), maxFirmwareImageBytes);

    if (imageSize < smallestFirmwareImage || imageSize > largestFirmwareImage)
        return juce::Result::fail ("Firmware exception!");

    // A keyboard takes four messages between pauses of 0.5 ms, other units
    // two between pauses of 1 ms. Off the message thread the message loop
    // cannot run, so the pauses there are plain sleeps.
    const bool keyboard = ! owner.notKeyboardFamily;
    paceEvery = keyboard ? 4 : 2;
    paceWaitMs = keyboard ? 0.5f : 1.0f;
    plainSleeps = keyboard || ! juce::MessageManager::existsAndIsCurrentThread();

    const double total = imageSize + 3.0;
    auto reportProgress = [this, total] (double k)
    {
        // The last packet carries padding past the image: never beyond 1.
        owner.setProgress (juce::jmin (1.0, 0.8 + 0.2 * k / total));
    };

    int counter = 0;

    reportProgress (0);
    owner.setStatusLabelText ("Connecting...");

    resetReplyFlags();
    sendControlPacket (makeControlPacket (bootloaderConnectCommand, 0x00), counter);     // parameter: none

    if (! waitForAck (connectAckReceived, connectAckSleeps))
    {
        resetReplyFlags();
        return juce::Result::fail ("Could not connect to hardware");
    }

    reportProgress (1);
    owner.setStatusLabelText ("Erasing...");

    eraseAckReceived = false;
    sendControlPacket (makeControlPacket (bootloaderEraseCommand, getEraseCode (productId)), counter);

    // The erase need not be acknowledged: the data packets follow anyway.
    if (! waitForAck (eraseAckReceived, eraseAckSleeps))
        resetReplyFlags();

    reportProgress (2);
    owner.setStatusLabelText ("Installing...");

    // Whole packets: the tail of the last one is filled with FF, the value of
    // erased flash, rather than read from past the end of the image.
    const auto packetCount = (imageSize + dataBytesPerPacket - 1) / dataBytesPerPacket;
    std::vector<juce::uint8> packets ((size_t) (packetCount * dataBytesPerPacket), 0xFF);
    std::copy (image.begin(), image.begin() + imageSize, packets.begin());

    juce::MidiBuffer buffer;
    juce::uint8 sequence = 0;

    for (int offset = 0; offset < imageSize; offset += dataBytesPerPacket)
    {
        const auto packet = makeDataPacket (sequence++, packets.data() + offset);
        dataAckReceived = false;

        for (auto byte : packet)
        {
            if (stopRequested)
                break;

            buffer.addEvent (makePacketByteMessage (byte), 0);
            output->sendBlockOfMessagesNow (buffer);
            buffer.clear();
            paceOutput (counter);
        }

        if (! waitForAck (dataAckReceived, dataAckSleeps))
        {
            resetReplyFlags();
            return juce::Result::fail ("Could not write new firmware");
        }

        reportProgress (offset + dataBytesPerPacket);
    }

    owner.setStatusLabelText ("Resetting...");

    resetAckReceived = false;
    sendControlPacket (makeControlPacket (bootloaderResetCommand, 0x00), counter);       // parameter: none

    NsDravel::waitForReply ([this] { return resetAckReceived.load() || negativeReplyReceived.load() || stopRequested.load(); },
                            resetReplyMicroseconds);

    // A unit that says nothing to the reset has still taken the firmware.
    const bool refused = ! resetAckReceived && negativeReplyReceived;
    resetReplyFlags();

    if (refused)
        return juce::Result::fail ("OK. But reset failed!");

    return juce::Result::ok();
}

void FirmwareUpgradeComponent::MidiInputHandler::sendControlPacket (const std::array<juce::uint8, 17>& packet, int& counter)
{
    output->sendMessageNow (NsDravel::makeWakeUpMessage());
    paceOutput (counter);

    for (auto byte : packet)
    {
        output->sendMessageNow (makePacketByteMessage (byte));
        paceOutput (counter);
    }
}

bool FirmwareUpgradeComponent::MidiInputHandler::waitForAck (const std::atomic<bool>& flag, int sleeps)
{
    NsDravel::waitForReply ([this, &flag] { return flag.load() || stopRequested.load(); },
                            sleeps * ackSleepMicroseconds);

    return flag.load() && ! stopRequested.load();
}

void FirmwareUpgradeComponent::MidiInputHandler::paceOutput (int& counter)
{
    paceMidiOutput (counter, paceEvery, paceWaitMs, plainSleeps);
}

} // namespace halvik
