#include "firmware/window/FirmwareUpgradeComponent.h"

#include "firmware/UpgraderState.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/host/HostProcessor.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/midi/UpgradeModeProtocol.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/UpgraderPrompts.h"

namespace halvik
{

namespace
{
    const juce::String boxTitle ("Firmware Upgrade");
    const juce::String chooserTitle ("Choose Your Halvik Device");

    const juce::String targetNotFoundText ("Target device not found!");
    const juce::String targetMidiNotFoundText ("Target MIDI device not found!");
    const juce::String connectOnlyOneText ("Connect ONLY the device you want to update.");
    const juce::String leaveUpgradeModeQuestion ("It looks like some of your units are already in firmware upgrade mode. \n"
                                                 " Do you want to let them leave firmware upgrade mode?");
    const juce::String stillInUpgradeModeText ("It looks like your device is still in firmware upgrade mode. \n"
                                               "Please turn off and turn on the device and try again.");
    const juce::String cannotUpgradeText ("Cannot upgrade firmware!\n \n"
                                          "Since your system does not support to upgrade firmware for this product.");

    /** A product seen under a generic port name, whose model the name does not tell. */
    constexpr int genericProductId = 29;

    /** The highest product id that AMD and Apple Pro/Max/Ultra hosts cannot upgrade. */
    constexpr int lastProductRefusedOnSomeHosts = 324;

    constexpr int toolProbes = 12;
    constexpr float toolProbePauseMs = 500.0f;
    constexpr int toolPortPolls = 4;
    constexpr float portPollPauseMs = 1000.0f;
    constexpr int midiPollsPerPass = 4;

    /** After the tool restarted the unit out of its bootloader, the unit comes
        back as a MIDI device. A USB device enumerates again within a second or
        two; the look goes on for about six seconds (as long as the probing
        gives a unit to show up: twelve probes half a second apart), so that a
        unit that never comes back no longer holds the window for ever. */
    constexpr float restartLookPauseMs = 235.0f;
    constexpr int restartLooks = 26;

    /** What the search for the unit left behind. */
    struct Search
    {
        bool found = false;
        bool chooseFromList = true;
        juce::String message;
        juce::String toolProblem;   ///< why the flashing tool cannot run, when it cannot
    };

    /** The outcome of checking the user's choice. */
    struct Choice
    {
        bool cannotUpgrade = false;
        bool askToLeaveUpgradeMode = false;
    };

    bool hostRefusesSomeProducts()
    {
        return isAmdOrAppleHighEndCpu (getHostCpuModel());
    }

    //==============================================================================
    /** The tool is probed until the unit's bootloader answers; true when it
        did. Gives up after twelve probes, or at once on a stop. */
    bool probeForBootloader (FirmwareUpgradeComponent& window, Search& search)
    {
        for (int probe = 1;; ++probe)
        {
            if (probeBootloader() == 1)
            {
                toolModeEntered = true;
                return true;
            }

            if (abortRequested)
                return false;

            if (probe >= toolProbes)
            {
                search.message = reportTargetNotFound (window.currentProductId);
                return false;
            }

            window.setStatusText ("Waiting for the target device..." + juce::String (probe / 2));
            waitWithMessageLoop (toolProbePauseMs, false);
        }
    }

    /** Waits up to four seconds for a MIDI port of the product; true when one
        showed. A stop ends the wait at once. */
    bool waitForTargetPorts (FirmwareUpgradeComponent& window)
    {
        for (int pass = 1; pass <= toolPortPolls; ++pass)
        {
            if (abortRequested)
                return false;

            window.setStatusText ("Waiting for the target MIDI device..." + juce::String (pass));
            waitWithMessageLoop (portPollPauseMs, false);

            targetPortCount = countProductMidiOutputs (window.currentProductId);

            if (targetPortCount != 0)
                return true;
        }

        return false;
    }

    /** A unit that sits in its bootloader shows no MIDI port: the tool
        restarts it, and the search looks for its port coming back. A stop
        ends it before the next command, and the look. */
    void fallBackOnToolReset (FirmwareUpgradeComponent& window, Search& search)
    {
        const auto notFound = reportTargetNotFound (window.currentProductId);

        if (probeBootloader() == -1)
        {
            search.message = notFound;
            return;
        }

        if (abortRequested)
            return;

        if (resetThroughTool() != 1)
        {
            toolModeEntered = false;
            return;
        }

        for (int look = 0; look < restartLooks; ++look)
        {
            waitWithMessageLoop (restartLookPauseMs, false);

            const auto ports = countProductMidiOutputs (window.currentProductId);

            if (ports > targetPortCount)
            {
                targetPortCount = ports;
                search.found = true;
                toolModeEntered = false;
                return;
            }

            search.message = notFound;

            if (abortRequested)
                return;
        }
    }

    /** What the tool family's search found, as ports of the product. */
    void settleToolSearch (FirmwareUpgradeComponent& window, Search& search)
    {
        window.setStatusText ({});
        targetPortCount = countProductMidiOutputs (window.currentProductId);

        if (targetPortCount == 0)
        {
            if (! search.found)
                return;

            if (toolProbeMode)
            {
                // The bootloader answered: the unit is there without a MIDI port.
                window.targetProductId = window.currentProductId = window.requestedProductId;
                search.chooseFromList = false;
                return;
            }

            search.found = false;
            search.message = reportTargetNotFound (window.currentProductId);
            return;
        }

        if (autoAdvance)
        {
            window.deviceReplyText = choosePortForProduct (listMidiDevicesForDisplay (true, true, false),
                                                           window.currentProductId, true);
            window.targetProductId = window.currentProductId = getProductIdFromPortName (window.deviceReplyText);
            search.chooseFromList = false;
            return;
        }

        search.chooseFromList = true;
    }

    Search searchThroughTool (FirmwareUpgradeComponent& window)
    {
        Search search;
        targetPortCount = 0;

        // Told apart from a missing unit: the user has to put the tool in place.
        search.toolProblem = describeFlashToolProblem (flashToolPath);

        if (search.toolProblem.isNotEmpty())
            return search;

        targetPortCount = countProductMidiOutputs (window.currentProductId);

        if (targetPortCount != 0)
        {
            search.found = true;
        }
        else if (toolProbeMode ? probeForBootloader (window, search) : waitForTargetPorts (window))
        {
            search.found = true;
        }
        else if (abortRequested)
        {
            // A stop during the probes or the look for a port ends the run: the
            // fallback would send the unit commands.
            return search;
        }
        else
        {
            fallBackOnToolReset (window, search);
        }

        settleToolSearch (window, search);
        return search;
    }

    /** Polls the MIDI inputs once a second, twelve times (sixteen with
        auto-advance), until a usable one shows. Escape ends it. */
    Search searchMidiPorts (FirmwareUpgradeComponent& window)
    {
        Search search;
        const int passes = autoAdvance ? 4 : 3;

        for (int pass = 0; pass < passes; ++pass)
        {
            for (int poll = 1; poll <= midiPollsPerPass; ++poll)
            {
                if (! listMidiDevicesNoAliases (false, ! toolProbeMode).isEmpty())
                {
                    search.found = true;
                    search.chooseFromList = true;
                    return search;
                }

                if (abortRequested)
                    return search;

                waitWithMessageLoop (portPollPauseMs, false);
                window.setStatusText (juce::String::formatted ("(%d)", midiPollsPerPass * pass + poll));
            }
        }

        return search;
    }

    //==============================================================================
    /** The product that a chosen port does not name: a unit in upgrade mode,
        or a generic port while the tool is probed. */
    void checkUnknownProductChoice (FirmwareUpgradeComponent& window, const juce::String& name,
                                    Search& search, Choice& choice)
    {
        const auto launchOrRequested = acceptAnyProduct ? window.productId : window.requestedProductId;

        if (window.notKeyboardFamily && isUpgradePortNameExact (name))
        {
            if (! toolProbeMode)
            {
                search.message = leaveUpgradeModeQuestion;
                choice.askToLeaveUpgradeMode = true;
            }
            else if (countMidiPortsContaining (upgradePortText, true) >= 2)
            {
                search.message = connectOnlyOneText;
            }
            else if (resolveUpgradePortName (name).matchesWildcard ("halvik?firmware?upgrade?v1*", true)
                     && hostRefusesSomeProducts())
            {
                choice.cannotUpgrade = true;
            }
            else
            {
                search.found = true;
                window.selectTarget (launchOrRequested);
            }

            return;
        }

        if (name.matchesWildcard ("HALVIK*Midi*", true) && toolProbeMode)
        {
            search.found = true;
            window.selectTarget (launchOrRequested);
            return;
        }

        search.message = targetMidiNotFoundText;
    }

    /** Checks the port the user chose and, when it will do, takes it as the target. */
    void checkChoice (FirmwareUpgradeComponent& window, const juce::String& name, Search& search, Choice& choice)
    {
        const auto id = getProductIdFromPortName (name);
        window.targetProductId = window.currentProductId = id;

        if (id == noProductId || id == genericProductId)
        {
            checkUnknownProductChoice (window, name, search, choice);
            return;
        }

        if (hostRefusesSomeProducts() && window.currentProductId <= lastProductRefusedOnSomeHosts)
        {
            choice.cannotUpgrade = true;
            return;
        }

        if (window.notKeyboardFamily)
        {
            if (countMidiPortsContaining (upgradePortText, true) > 0)
            {
                search.message = leaveUpgradeModeQuestion;
                choice.askToLeaveUpgradeMode = true;
            }
            else if (! acceptAnyProduct && window.targetProductId != window.requestedProductId)
            {
                search.message = targetMidiNotFoundText;
            }
            else if (countProductMidiOutputs (window.targetProductId) <= 1)
            {
                search.found = true;
                window.selectTarget (window.targetProductId);
            }
            else
            {
                search.message = connectOnlyOneText;
            }

            return;
        }

        if (countProductMidiOutputs (window.targetProductId) > 1)
        {
            search.message = connectOnlyOneText;
            return;
        }

        if (toolProbeMode)
        {
            window.startVersion = -1.0f;
            search.found = true;
            window.selectTarget (window.requestedProductId);
            return;
        }

        // A unit that an earlier run left in upgrade mode is brought back
        // first, so that its version can be read for the Select step. A stop
        // typed during its waits ends the run before the next request, or
        // before Enter.
        const auto left = window.leaveUpgradeMode (window.currentProductId);

        if (window.endRunIfStoppedMeanwhile (1))
            return;
        window.startVersion = left > 0 ? window.unitVersion.load() : (float) left;
        search.found = true;
        window.selectTarget (window.targetProductId);
    }

    /** Tells the user why the step did not go on. True only when it did. */
    bool reportStart (const Search& search, const Choice& choice)
    {
        auto& prompts = UpgraderPrompts::getCurrent();

        if (! toolFamilyActive && choice.cannotUpgrade)
        {
            prompts.showMessage (juce::MessageBoxIconType::WarningIcon, boxTitle, cannotUpgradeText);
            return false;
        }

        if (search.found)
            return true;

        if (choice.askToLeaveUpgradeMode)
        {
            if (! autoAdvance
                && ! prompts.askOkCancel (juce::MessageBoxIconType::InfoIcon, boxTitle, search.message, "Yes", "No"))
                return false;

            // With the units back in normal mode the user starts again.
            if (! resetAllUpgradePorts())
                prompts.showMessage (juce::MessageBoxIconType::WarningIcon, boxTitle, stillInUpgradeModeText);

            return false;
        }

        if (search.message == targetMidiNotFoundText || search.toolProblem.isNotEmpty())
            prompts.showMessage (juce::MessageBoxIconType::WarningIcon, boxTitle, search.message);
        else if (search.message.isNotEmpty())
            prompts.showMessage (juce::MessageBoxIconType::InfoIcon, boxTitle, search.message);

        return false;
    }
}

//==============================================================================
bool FirmwareUpgradeComponent::stepStart (int arg)
{
    if (arg <= 0)
        return false;

    const StepUnderWay underWay;
    setStep (1);
    setBusy (true);

    targetProductId = currentProductId = requestedProductId;
    deviceReplyText.clear();
    noVersion = false;
    unitVersion = -1.0f;

    flashMethod = getFlashMethod (requestedProductId);
    toolFamilyActive = (flashMethod == flashMethodUsbTool);
    notKeyboardFamily = (flashMethod != flashMethodKeyboard);

    auto search = toolFamilyActive ? searchThroughTool (*this) : searchMidiPorts (*this);
    Choice choice;

    setStatusText ({});

    setBusy (false);
    setStep (1);

    // A stop during the search ends the run before the unit is chosen, asked
    // anything or handed to the Enter step. The chooser, when it shows, is
    // modal (Escape there cancels it); past it, a keyboard's version requests
    // each read the keys first.
    if (endRunIfStoppedMeanwhile (1))
        return false;

    if (! search.found)
    {
        search.message = search.toolProblem.isNotEmpty() ? search.toolProblem : targetNotFoundText;
    }
    else if (! search.chooseFromList)
    {
        selectTarget (currentProductId);
    }
    else
    {
        search.found = false;

        DeviceSelectComponent chooser (currentProductId, {});
        juce::Component::SafePointer<FirmwareUpgradeComponent> self (this);

        const auto result = UpgraderPrompts::getCurrent().runDialog (chooser, chooserTitle, this, true);

        if (self == nullptr)
            return false;   // the window closed while the chooser ran

        if (result != 1)
        {
            setStatusText ({});
            setStep (1);
        }
        else
        {
            deviceReplyText = chooser.getChosenName();
            checkChoice (*this, deviceReplyText, search, choice);
        }
    }

    return reportStart (search, choice);
}

bool FirmwareUpgradeComponent::selectTarget (int productIdToUse)
{
    targetProductId = currentProductId = productIdToUse;

    setStatusText (getProductModelName (productIdToUse));

    if (toolProbeMode ? usesBootloaderTool (currentProductId) : autoAdvance)
        return stepEnter (2);

    setStep (2);
    return true;
}

} // namespace halvik
