#include "firmware/window/FirmwareUpgradeComponent.h"

#include "editor/device/ProcessorNames.h"
#include "firmware/UpgraderState.h"
#include "firmware/host/HostProcessor.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashProcedure.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/window/UpgraderPrompts.h"
#include "midi/MidiPortNames.h"

namespace halvik
{

namespace
{
    const juce::String resetFailedText ("OK. But reset failed!");

    const juce::String upgradeConsoleNotice ("Ready to erase the old firmware...  &&echo. &&echo DO NOT CLOSE the command-line windows during firmware update!");

    const juce::String m2HostWarning ("Warning: The current device cannot upgrade firmware correctly,\n on the M2 series macOS. \n\nPlease close the current upgrade window!");
}

bool FirmwareUpgradeComponent::stepUpgrade (int arg)
{
    if (arg <= 0)
        return false;

    // Only a run that has been through Activate and Select since the last
    // return to step 1 may write anything.
    if (activatedMarker == 0 || selectedMarker == 0)
        return false;

    const StepUnderWay underWay;
    setStep (5);
    disableFirstStepButtons();
    toFront (true);
    juce::Desktop::setScreenSaverEnabled (false);
    setBusy (true);

    juce::Component::SafePointer<FirmwareUpgradeComponent> self (this);

    // The window stays open while busy; should it go by another road
    // meanwhile, its destructor has put the process-wide state back.
    auto windowWentAway = [&self] { return self == nullptr; };

    const bool m2Host = NsDravel::isAppleMSeriesCpu (2, getHostCpuModel());
    juce::String result;
    bool stoppedBeforeTheUnit = false;

    if (toolFamilyActive)
    {
        const auto flash = flashFirmwareWithBlhost (firmwareFilePath, compatibilityResult == 2, bootAddress, true,
                                                    upgradeConsoleNotice, 4);

        if (windowWentAway())
            return true;

        result = flash.message;
        stoppedBeforeTheUnit = flash.ending == FlashResult::Ending::stoppedBeforeTheUnit;

        // Flashed or not, a downloaded image has done its part.
        discardDownloadedImage();
    }
    else if (notKeyboardFamily)
    {
        if (m2Host)
        {
            result = m2HostWarning;
        }
        else
        {
            // A handler made here has no ports; the upload then says which one is missing.
            if (midiHandler == nullptr)
                midiHandler = std::make_unique<MidiInputHandler> (*this);

            result = midiHandler->uploadFirmware().getErrorMessage();

            if (windowWentAway())
                return true;

            midiHandler->closeDevices();
            sleepMilliseconds (800);
        }
    }
    else
    {
        bool connected = true;

        if (midiHandler == nullptr)
        {
            midiHandler = std::make_unique<MidiInputHandler> (*this);

            if (! openTargetMidiDevices ({}, currentProductId))
            {
                result = "Warning: Connection failed!";
                connected = false;
            }
        }

        if (connected)
        {
            result = uploadFirmwareOnWorker();

            if (windowWentAway())
                return true;
        }

        if (connected && result.isEmpty())
        {
            // The unit restarts into its normal mode: its port goes, comes back,
            // and then it must answer with a real version.
            auto known = NsDravel::listMidiOutputNames();
            waitForMidiDeviceListChange (known, currentProductId, false, 1, 400);
            waitForMidiDeviceListChange (known, currentProductId, true, 50, 2000);
            sleepMilliseconds (2000);

            if (windowWentAway())
                return true;

            midiHandler.reset();
            midiHandler = std::make_unique<MidiInputHandler> (*this);

            if (openTargetMidiDevices ({}, currentProductId))
            {
                midiHandler->closeDevices();
                midiHandler.reset();
                sleepMilliseconds (4);

                if (waitForUpgradeAck (2))
                    result = resetFailedText;
            }
            else
            {
                result = resetFailedText;
            }

            if (windowWentAway())
                return true;
        }

        sleepMilliseconds (800);
    }

    setBusy (false);
    juce::Desktop::setScreenSaverEnabled (true);
    statusLabel.setText ("Firmware Upgrade", juce::dontSendNotification);

    auto& prompts = UpgraderPrompts::getCurrent();

    // A stop came before the erase: nothing reached the unit, and the run
    // ends at this step.
    if (stoppedBeforeTheUnit)
    {
        setStatusText ({});
        endRunIfStopped (5);
        return true;
    }

    sleepMilliseconds (300);

    if (result.isEmpty())
    {
        setStep (6);

        if (! (autoAdvance && repeatMode))
            prompts.showMessage (juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded",
                                 "Your firmware has been upgraded!");

        sleepMilliseconds (600);
    }
    else if (result == resetFailedText)
    {
        prompts.showMessage (juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded",
                             "Your firmware has been upgraded! Power off your unit and wait for 5 seconds, "
                             "then turn back on for changes to take effect");
    }
    else
    {
        prompts.showMessage (juce::MessageBoxIconType::WarningIcon, "Firmware Upgrade Failed", result);
    }

    setStatusText ({});
    setStep (1);
    deviceReplyText.clear();
    statusLabel.setText ("Firmware Upgrade", juce::dontSendNotification);

    // The next run begins with no stop asked for: Escape ends the repetition,
    // one typed during the plain pauses since the flash's last command too.
    letQueuedInputThrough();

    if (self == nullptr)
        return true;

    if (autoAdvance && repeatMode && ! abortRequested)
    {
        if (repeatRunCount >= repeatRunLimit)
            repeatRunCount = 0;
        else
            stepStart (1);
    }

    return true;
}

} // namespace halvik
