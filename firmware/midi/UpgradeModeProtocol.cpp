#include "firmware/midi/UpgradeModeProtocol.h"

#include "editor/messages/KeyboardMessages.h"
#include "editor/device/PortNames.h"
#include "firmware/UpgraderState.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/midi/BootloaderPackets.h"
#include "firmware/midi/UpgradeModeMessages.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgraderWaits.h"
#include "midi/MidiPortNames.h"

#include <cmath>
#include <limits>
#include <mutex>

namespace halvik
{

namespace
{
    // The number of polls a time-out allows: rounded to the nearest whole
    // number, halves away from zero; none for a poll interval that is not
    // positive.
    int pollCount (float timeoutMs, float pollMs)
    {
        if (! (pollMs > 0.0f))
            return 0;

        return (int) std::round (timeoutMs / pollMs);
    }

    // The result of an upload on the worker, handed to the message thread.
    struct UploadHandOver
    {
        void finish (const juce::String& text)
        {
            {
                const std::lock_guard<std::mutex> guard (lock);
                resultText = text;
            }

            finished = true;
        }

        juce::String getResultText()
        {
            const std::lock_guard<std::mutex> guard (lock);
            return resultText;
        }

        std::atomic<bool> finished { false };

    private:
        std::mutex lock;
        juce::String resultText;
    };
}

//==============================================================================
bool FirmwareUpgradeComponent::openTargetMidiDevices (const juce::String& outputName, int wantedProductId)
{
    // One reading of the port lists for the search and the opening below.
    const NsDravel::PortListScope portLists;

    if (midiHandler == nullptr)
        midiHandler = std::make_unique<MidiInputHandler> (*this);

    sleepMilliseconds (3.0);

    if (outputName.isNotEmpty())
    {
        midiHandler->openDevices (outputName);
        return midiHandler->hasInput() && midiHandler->hasOutput();
    }

    // A unit with several ports talks to the upgrader on its highest one.
    const auto wantedPort = getHighestPortNumber (wantedProductId);

    for (auto& name : NsDravel::listMidiOutputNames())
    {
        if (getProductIdFromPortName (name) == wantedProductId && NsDravel::portNumberOfName (name) >= wantedPort)
        {
            midiHandler->openDevices (name);
            return midiHandler->hasInput() && midiHandler->hasOutput();
        }
    }

    return false;
}

bool FirmwareUpgradeComponent::sendEnterUpgradeMode (NsDravel::MidiOutputPort& output, int productIdToSend)
{
    output.sendMessageNow (NsDravel::makeWakeUpMessage());
    output.sendMessageNow (makeEnterUpgradeModeSysEx (productIdToSend));
    sleepMilliseconds (2.0);
    return true;
}

int FirmwareUpgradeComponent::requestUnitVersion (int tries, int pollMs, int timeoutMs, int lastResult)
{
    if (tries < 1)
    {
        unitVersion = (float) lastResult;
        return lastResult;
    }

    const auto id = toolProbeMode ? requestedProductId : currentProductId;

    if (midiHandler == nullptr || ! midiHandler->hasInput() || ! midiHandler->hasOutput())
    {
        openTargetMidiDevices ({}, id);
        sleepMilliseconds (3.0);
    }

    const auto polls = pollCount ((float) timeoutMs, (float) pollMs);

    // Without both ports nothing is sent, and the version already known decides.
    if (midiHandler != nullptr && midiHandler->hasInput() && midiHandler->hasOutput())
    {
        auto& output = *midiHandler->getOutput();
        output.sendMessageNow (NsDravel::makeWakeUpMessage());
        NsDravel::pauseMicroseconds (500.0);
        unitVersion = -1.0f;
        output.sendMessageNow (NsDravel::makeVersionRequestSysex (id));
        sleepMilliseconds (400.0);

        for (int i = 0; i < polls && unitVersion < 0.0f; ++i)
            sleepMilliseconds ((double) pollMs);
    }

    if (unitVersion > 0.0f)
        return 1;

    return requestUnitVersion (tries - 1, pollMs, timeoutMs, (int) unitVersion.load());
}

bool FirmwareUpgradeComponent::waitForUpgradeAck (int tries)
{
    return requestUnitVersion (tries, 400, 1200, -1) <= 0;
}

bool FirmwareUpgradeComponent::enterUpgradeModeSequence (NsDravel::MidiOutputPort* output)
{
    // The output may be the handler's own, which a version request that
    // has to reopen the ports replaces.
    const bool handlersOutput = midiHandler != nullptr && output == midiHandler->getOutput();

    // A unit that does not answer in its normal mode is taken to be in
    // upgrade mode already.
    if (waitForUpgradeAck (1))
        return true;

    if (handlersOutput)
        output = midiHandler != nullptr ? midiHandler->getOutput() : nullptr;

    if (output == nullptr)
        return false;

    // The request's wait held the window: a stop typed then ends the
    // sequence before the unit is told to restart into its upgrade mode.
    if (stopAskedMeanwhile())
        return false;

    sendEnterUpgradeMode (*output, currentProductId);

    // The unit's ports go, then come back in upgrade mode.
    auto known = NsDravel::listMidiOutputNames();
    waitForMidiDeviceListChange (known, currentProductId, false, 100.0f, 2000.0f);
    waitForMidiDeviceListChange (known, currentProductId, true, 100.0f, 2000.0f);

    midiHandler = std::make_unique<MidiInputHandler> (*this);

    if (! openTargetMidiDevices ({}, currentProductId))
        return false;

    if (stopAskedMeanwhile())
        return false;

    // In upgrade mode the unit no longer answers with a real version.
    return waitForUpgradeAck (1);
}

int FirmwareUpgradeComponent::leaveUpgradeMode (int unitProductId)
{
    midiHandler = std::make_unique<MidiInputHandler> (*this);

    if (! openTargetMidiDevices ({}, unitProductId))
        return -1;

    // Each request, and the reset, goes to the unit only while no stop was
    // typed during the plain waits before it (-1 then: nothing found).
    int found = -1;

    for (int request = 0; request < 2 && found != 1; ++request)
    {
        if (stopAskedMeanwhile())
            return -1;

        found = requestUnitVersion (1, 400, 1200, -1);
    }

    if (found != 0)
        return found;

    if (stopAskedMeanwhile())
        return -1;

    // The all-zero version: the unit sits in its bootloader. Restart it and
    // wait for it to come back in its normal mode.
    if (midiHandler != nullptr && midiHandler->getOutput() != nullptr)
        sendBootloaderReset (*midiHandler->getOutput());

    auto known = NsDravel::listMidiOutputNames();
    waitForMidiDeviceListChange (known, currentProductId, false, 100.0f, 2000.0f);
    waitForMidiDeviceListChange (known, currentProductId, true, 100.0f, 2000.0f);

    midiHandler = std::make_unique<MidiInputHandler> (*this);

    if (stopAskedMeanwhile())
        return -1;

    return requestUnitVersion (1, 400, 1200, -1);
}

bool FirmwareUpgradeComponent::waitForMidiDeviceListChange (juce::StringArray& knownOutputs, int watchedProductId,
                                                            bool present, float pollMs, float timeoutMs)
{
    const auto polls = pollCount (timeoutMs, pollMs);

    for (int i = 0; i < polls; ++i)
    {
        {
            // One reading of the outputs per poll, for the comparison and the search.
            const NsDravel::PortListScope portLists;
            const auto current = NsDravel::listMidiOutputNames();

            if (current != knownOutputs)
            {
                const bool found = isProductPortPresent (watchedProductId, present);
                knownOutputs = current;

                if (found)
                    return true;
            }
        }

        sleepMilliseconds ((double) pollMs);
    }

    return false;
}

juce::String FirmwareUpgradeComponent::uploadFirmwareOnWorker()
{
    if (midiHandler == nullptr)
        return "No MIDI input device is open!";

    auto* handler = midiHandler.get();

    // Claimed here, before the worker exists: whenever the handler goes from
    // now on (the window replaced it, or closed), its destructor stops the
    // upload and waits for the worker to let go of it.
    if (! handler->reserveUpload())
        return "Could not write new firmware";

    auto handOver = std::make_shared<UploadHandOver>();

    const bool started = juce::Thread::launch ([handOver, handler]
    {
        handOver->finish (handler->runReservedUpload().getErrorMessage());
    });

    if (! started)
        return handler->runReservedUpload().getErrorMessage();

    // The window keeps painting the progress meanwhile, and the step goes on
    // the moment the worker is done. The upload bounds itself (every wait
    // for the unit has its limit), so this waits as long as it runs. Only
    // locals are touched here: the window may close during the wait.
    NsDravel::waitDispatchingMessagesUntil ([handOver] { return handOver->finished.load(); },
                                            std::numeric_limits<double>::infinity());

    return handOver->getResultText();
}

//==============================================================================
void resetOutputsWhere (const std::function<bool (const juce::String& outputName)>& isChosen)
{
    auto& ports = NsDravel::MidiPortSystem::getCurrent();

    for (auto& device : ports.getOutputDevices())
    {
        if (! isChosen (device.name))
            continue;

        if (auto output = ports.openOutput (device.identifier))
            sendBootloaderReset (*output);
    }

    sleepMilliseconds (50.0);
}

bool resetAllUpgradePorts()
{
    resetOutputsWhere ([] (const juce::String& name) { return name.trim().isNotEmpty() && isUpgradePortName (name); });

    return countMidiPortsContaining (upgradePortText, true) == 0;
}

} // namespace halvik
