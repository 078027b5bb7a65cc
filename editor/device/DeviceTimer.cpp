#include "editor/device/DeviceTimer.h"
#include "common/TextConstants.h"

#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/device/HostImpl.h"
#include "editor/messages/KeyboardMessages.h"
#include "editor/window/MainComp.h"
#include "editor/device/MidiInputHandler.h"
#include "midi/MidiPortNames.h"
#include "midi/MidiPortSystem.h"
#include "editor/device/PortNames.h"
#include "editor/device/ProcessorNames.h"
#include "firmware/catalogue/PortNameTable.h"

#include <cmath>

namespace NsDravel
{

namespace
{
    const juce::String windowName      { texts::applicationName };
    const juce::String versionText     { "V" + texts::applicationVersion };
    const juce::String disconnectedText { " [disconnected]" };
    constexpr int idleThresholdMs = 2500;
    constexpr int backoffFactor = 3;
    constexpr int backoffCeiling = 9;
    constexpr int userCurve = 8;
    constexpr int storeParameter = 0x0135;
    const juce::String storeCommandName { "Save Device Settings" };

    Host::MidiInputHandler* openConnection()
    {
        if (theHost == nullptr || theHost->connection == nullptr || theHost->connection->getPairCount() == 0)
            return nullptr;

        return theHost->connection.get();
    }

    juce::MidiBuffer bufferHolding (const juce::MidiMessage& message)
    {
        juce::MidiBuffer buffer;
        buffer.addEvent (message, 0);
        return buffer;
    }
}

//==============================================================================
void MyTimer::timerCallback()
{
    stopTimer();
    tick();
    startTimer (period);
}

void MyTimer::tick()
{
    // Every look at the port lists in this tick shares one reading of them.
    const PortListScope portLists;

    const auto connected = openConnection() != nullptr;

    if (! connected)
        deviceConnected = false;

    const auto received = midiReceivedFlag.exchange (false);
    setWindowTitle (buildWindowTitle (connected ? juce::String() : disconnectedText,
                                      received, midiSentFlag, windowName, versionText));
    midiSentFlag = false;

    if (! autoConnectEnabled)
    {
        // The firmware upgrader has the keyboard: keep our ports closed.
        connectToDevice (false, autoConnectEnabled, dravelProductFilter, isSecondPort);
        return;
    }

    auto outputNames = listMidiOutputNames();

    if (outputNames != knownOutputNames)
    {
        versionRetryCount = 0;
        rescanRequested = true;
        versionBackoff = 1;
        versionRequestPending = true;
        knownOutputNames = outputNames;
        deviceConnected = false;

        if (theMainComp != nullptr)
            theMainComp->fwVersionLabel->setText ({}, juce::dontSendNotification);
    }
    else
    {
        if (! rescanRequested)
            ++idleTicks;
        else
            idleTicks = 0;

        if (period * idleTicks >= idleThresholdMs)
            rescanRequested = true;
    }

    if (rescanRequested || ! deviceConnected)
        reconnectStep();

    sendPendingWork();
}

void MyTimer::reconnectStep()
{
    auto name = findDravelDeviceName();
    productId = name.isNotEmpty() ? halvik::getProductIdFromPortName (name) : selectedProductId;

    if (! connectToDevice (true, autoConnectEnabled, dravelProductFilter, isSecondPort))
        return;

    auto* host = Host::getInstance();
    detectedProductId = halvik::getProductIdFromPortName (host->connection->getFirstOutput()->getName());

    if (isDravelModelRange (detectedProductId))
    {
        productId = detectedProductId.load();
        host->setProductId (detectedProductId);
        auto modelIndex = detectedProductId - 0x1020;

        if (theMainComp != nullptr)
        {
            theMainComp->setKeyboardImage (modelIndex);
            theMainComp->modelCombo.setSelectedId (modelIndex + 1, juce::dontSendNotification);
        }
    }

    deviceConnected = true;

    // The keyboard is there: the request is answered, and the quiet spell
    // starts again, so that its ports are not reopened on every tick.
    rescanRequested = false;
    idleTicks = 0;

    if (! versionRequestPending || ++versionRetryCount < versionBackoff)
        return;

    versionRetryCount = 0;
    midiSentFlag = true;
    host->impl->sendMidiBuffer (bufferHolding (makeWakeUpMessage()));
    pauseMicroseconds (1000.0);
    auto sent = host->impl->sendMidiBuffer (bufferHolding (makeVersionRequestSysex (productId)));
    pauseMicroseconds (1000.0);

    auto labelEmpty = theMainComp == nullptr || theMainComp->fwVersionLabel->getText().isEmpty();

    if (sent.wasOk() && ! labelEmpty)
        versionRequestPending = false;
    else if (versionBackoff * backoffFactor <= backoffCeiling)
        versionBackoff *= backoffFactor;
}

void MyTimer::sendPendingWork()
{
    auto* connection = openConnection();

    if (connection == nullptr)
        return;

    auto& firstOutput = *connection->getFirstOutput();
    const auto wakeUp = makeWakeUpMessage();

    // A transfer that could not reach the port stays requested, so the change
    // goes out on a later tick instead of being lost; it sent nothing, so the
    // title shows no traffic for it.
    if (pendingSettingsWrite && theHost->impl->writeSettingsToDevice().wasOk())
    {
        midiSentFlag = true;
        pendingSettingsWrite = false;
    }

    if (pendingCurveSend)
    {
        auto dump = makeCurveDumpSysex (userCurve);
        int counter = 0;
        const int divisor = 2;
        const double pauseMs = 1.0;

        pauseMicroseconds (1000.0);
        midiSentFlag = true;

        auto packets = packetCountForBytes (dump.getRawDataSize());

        if (packets % 2 == 1)
        {
            firstOutput.sendMessageNow (wakeUp);
            pauseEveryNthSend (counter, divisor, pauseMs);
        }

        pendingCurveSend = false;
        firstOutput.sendMessageNow (dump);

        for (int i = 0; i < packets; ++i)
            pauseEveryNthSend (counter, divisor, pauseMs);
    }

    if (pendingStoreCommand)
    {
        auto store = makeParameterSysex (storeParameter, 1);     // parameter 0x0135 = 1: store the settings

        pauseMicroseconds (1000.0);
        midiSentFlag = true;

        auto packets = packetCountForBytes (store.getRawDataSize());

        if (packets % 2 == 1)
        {
            firstOutput.sendMessageNow (wakeUp);
            pauseMicroseconds (500.0);
        }

        firstOutput.sendMessageNow (store);
        pauseMicroseconds (packets * 500.0);
        pendingStoreCommand = false;

        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::NoIcon, {},
                                                capitalizeFirstLetter (storeCommandName.toLowerCase()) + " OK!");
    }
}

void MyTimer::pauseEveryNthSend (int& counter, int divisor, double milliseconds)
{
    if (++counter == divisor)
    {
        pauseMicroseconds ((double) juce::roundToInt (milliseconds * 1000.0));
        counter = 0;
    }
}

//==============================================================================
juce::String buildWindowTitle (juce::String status, bool received, bool sent,
                               juce::String name, juce::String version)
{
    // The processor does not change while the program runs, and reading its model
    // means reading the system's processor table: describe it once, not every tick.
    static const auto processor = describeProcessor (juce::SystemStats::getCpuModel());
    auto title = name + " " + version;

    if (processor.isNotEmpty())
        title << " - " << processor;

    title << status << " ";

    if (received)
        title << "<";

    if (sent)
        title << ">";

    return title;
}

void setWindowTitle (juce::String title)
{
    if (theMainComp != nullptr)
        if (auto* window = theMainComp->getTopLevelComponent())
            window->setName (title);
}

juce::String capitalizeFirstLetter (juce::String text)
{
    return text.substring (0, 1).toUpperCase() + text.substring (1);
}

int packetCountForBytes (int n)
{
    return (int) std::ceil (n / 3.0f);
}

} // namespace NsDravel
