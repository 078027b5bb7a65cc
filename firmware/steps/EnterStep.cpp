#include "firmware/window/FirmwareUpgradeComponent.h"

#include "editor/messages/KeyboardMessages.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/midi/UpgradeModeMessages.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/window/UpgraderPrompts.h"

#include <cmath>

namespace halvik
{

namespace
{
    const juce::String cannotEnterText ("Device cannot enter Firmware Upgrade mode!");

    constexpr int enterPasses = 3;
    constexpr int bootloaderProbes = 5;
    constexpr int upgradeModeReplyPolls = 30;
    constexpr double upgradeModeReplyPollMs = 3.0;
    constexpr float settleAfterRequestMs = 235.0f;

    constexpr int midiEnterTries = 3;
    constexpr int upgradePortChecks = 8;
    constexpr int slicesPerCheck = 5;
    constexpr float checkSliceMs = 100.0f;

    /** True while the Enter step runs the Start step again: a keyboard whose
        ports are listed but will not open would otherwise make the two call
        each other for ever. */
    bool restartingStart = false;

    /** Opens the output listed under exactly this name (case-sensitive). */
    std::unique_ptr<NsDravel::MidiOutputPort> openOutputNamed (const juce::String& name)
    {
        auto& ports = NsDravel::MidiPortSystem::getCurrent();

        for (auto& device : ports.getOutputDevices())
            if (device.name == name)
                return ports.openOutput (device.identifier);

        return {};
    }

    /** Products 101 to 104 also take the short form of the request. */
    bool takesBothRequestForms (int productId)
    {
        return productId >= 101 && productId <= 104;
    }

    /** Products 26 and 81 know only the short form. */
    bool takesShortRequestOnly (int productId)
    {
        return productId == 26 || productId == 81;
    }

    struct Outcome
    {
        bool success = false;
        juce::String error { cannotEnterText };

        /** The Start step ran again and ended the run itself: with
            auto-advance it carried the run on, and a stop it saw ended the
            run there. Its result is the step's, and nothing more is done. */
        bool carriedOnByRestart = false;
    };

    /** Asks the unit over MIDI three times to start its bootloader, and after
        each request probes the tool until the bootloader answers. A stop ends
        the passes before the next request or probe reaches the unit. */
    void enterThroughTool (FirmwareUpgradeComponent& window, NsDravel::MidiOutputPort& output,
                           float probeIntervalMs, Outcome& outcome)
    {
        for (int pass = 0; pass < enterPasses && ! abortRequested; ++pass)
        {
            output.sendMessageNow (NsDravel::makeWakeUpMessage());
            resetReplyFlags();
            output.sendMessageNow (makeEnterUpgradeModeSysEx (window.currentProductId));

            // The unit confirms with EC 2D 01 when it heard the request.
            for (int poll = 0; poll < upgradeModeReplyPolls && ! upgradeModeActive; ++poll)
                sleepMilliseconds (upgradeModeReplyPollMs);

            waitWithMessageLoop (settleAfterRequestMs, false);

            if (! abortRequested)
            {
                for (int probe = 1; probe <= bootloaderProbes; ++probe)
                {
                    const auto result = probeBootloader();

                    // Any status line means the bootloader is there.
                    if (result == 0 || result == 1)
                    {
                        outcome.success = true;
                        toolModeEntered = true;
                        break;
                    }

                    if (probe == bootloaderProbes)
                    {
                        outcome.error = cannotEnterText;
                        break;
                    }

                    const auto seconds = (int) std::ceil (probe * probeIntervalMs / 1000.0f);
                    window.setStatusText ("Waiting to enter Firmware Upgrade mode..." + juce::String (seconds));
                    waitWithMessageLoop (probeIntervalMs, false);

                    if (abortRequested)
                        break;
                }
            }

            window.setStatusText ({});
        }
    }

    void enterToolFamily (FirmwareUpgradeComponent& window, float probeIntervalMs, Outcome& outcome)
    {
        targetPortCount = countProductMidiOutputs (window.currentProductId);

        if (targetPortCount > 0)
        {
            auto output = openOutputNamed (window.deviceReplyText);

            if (output == nullptr)
            {
                outcome.error = "Target device is occupied!";
                return;
            }

            enterThroughTool (window, *output, probeIntervalMs, outcome);
            return;
        }

        if (! toolProbeMode)
        {
            outcome.error = "No target!";
            return;
        }

        // No MIDI port: only a bootloader that already answers in full will do.
        if (probeBootloader() == 1)
        {
            waitWithMessageLoop (probeIntervalMs, false);
            toolModeEntered = true;
            outcome.success = true;
            return;
        }

        outcome.error = reportTargetNotFound (window.currentProductId);
    }

    /** True as soon as a port of a unit in upgrade mode is listed. */
    bool upgradePortListed()
    {
        return countMidiPortsContaining (upgradePortText, true) >= 1;
    }

    /** Asks a unit of the other MIDI families to enter upgrade mode until its
        "Halvik firmware upgrade" port shows. */
    void enterMidiUnit (FirmwareUpgradeComponent& window, Outcome& outcome)
    {
        auto output = openOutputNamed (window.deviceReplyText);

        if (output == nullptr)
        {
            outcome.success = upgradePortListed();
            return;
        }

        if (isUpgradePortNameExact (output->getName()))
        {
            outcome.success = true;
            return;
        }

        const auto id = window.currentProductId;

        for (int attempt = 0; attempt < midiEnterTries; ++attempt)
        {
            sleepMilliseconds (100.0);
            output->sendMessageNow (NsDravel::makeWakeUpMessage());
            output->sendMessageNow (makeEnterUpgradeModeSysEx (id, takesShortRequestOnly (id) ? 8 : 9));

            if (takesBothRequestForms (id))
            {
                sleepMilliseconds (2.0);
                output->sendMessageNow (NsDravel::makeWakeUpMessage());
                output->sendMessageNow (makeEnterUpgradeModeSysEx (id, 8));
            }

            for (int check = 0; check < upgradePortChecks; ++check)
            {
                for (int slice = 0; slice < slicesPerCheck; ++slice)
                    waitWithMessageLoop (checkSliceMs, false);

                if (upgradePortListed())
                {
                    outcome.success = true;
                    return;
                }

                if (abortRequested)
                    return;
            }
        }
    }

    void enterKeyboard (FirmwareUpgradeComponent& window, int arg, Outcome& outcome)
    {
        if (window.openTargetMidiDevices ({}, window.currentProductId) && window.midiHandler != nullptr)
        {
            outcome.success = window.enterUpgradeModeSequence (window.midiHandler->getOutput());
            return;
        }

        // The unit's ports went away: find it again, once.
        if (restartingStart)
            return;

        const juce::ScopedValueSetter<bool> restarting (restartingStart, true);
        const bool runsOn = autoAdvance;
        outcome.success = window.stepStart (arg - 1);
        outcome.carriedOnByRestart = runsOn || abortRequested;
    }
}

//==============================================================================
bool FirmwareUpgradeComponent::stepEnter (int arg)
{
    if (arg <= 0)
        return false;

    const StepUnderWay underWay;
    setStep (2);
    setBusy (true);

    const float probeIntervalMs = toolProbeMode ? 333.0f : 500.0f;
    Outcome outcome;

    juce::Component::SafePointer<FirmwareUpgradeComponent> self (this);

    if (toolFamilyActive)
    {
        enterToolFamily (*this, probeIntervalMs, outcome);
    }
    else
    {
        waitWithMessageLoop (probeIntervalMs, false);

        // Nothing is sent once a stop was asked for during the wait.
        if (! abortRequested)
        {
            if (notKeyboardFamily)
                enterMidiUnit (*this, outcome);
            else
                enterKeyboard (*this, arg, outcome);
        }
    }

    if (self == nullptr || outcome.carriedOnByRestart)
        return outcome.success;   // the window closed meanwhile, or the new run went on by itself

    setBusy (false);

    // Whatever the unit did, a stop ends the run here rather than in Activate,
    // one typed during the last plain wait too.
    if (endRunIfStoppedMeanwhile (2))
        return false;

    if (outcome.success)
    {
        setStep (3);
        return autoAdvance ? stepActivate (1) : true;
    }

    if (toolProbeMode && deviceReplyText.matchesWildcard ("HALVIK*Midi*", true))
    {
        setStep (3);
        return true;
    }

    setStep (2);

    if (! repeatMode)
        UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::WarningIcon,
                                                   "Firmware Upgrade", outcome.error);

    return false;
}

} // namespace halvik
