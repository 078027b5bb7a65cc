#include "firmware/window/FirmwareUpgradeComponent.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/UpgraderPrompts.h"

namespace halvik
{

namespace
{
    /** The end of the flash region that the check image is written below:
        0x603FF000. The check region is twice the image's size, room for its
        padded layout. */
    constexpr juce::int64 checkRegionEnd = 1614802944;

    /** The two products that share one upgrade port and tell themselves
        apart by the digit before the first "." of its name. */
    constexpr int firstGenerationAirId = 186;
    constexpr int secondGenerationAirId = 2052;

    const juce::String checkStoppedText ("Compatibility check stopped.");

    juce::String incompatibleHostText (bool checkImageExists)
    {
        if (! checkImageExists)
            return "Warning: Cannot find the check.bin!";

        return juce::String ("WARNING\n\nYour system environment ") + "can"
               + "not be compatible with the Tavlo firmware upgrade process.\n"
                 "Forbit upgrade firmware!\n\nPlease close the current upgrade window";
    }

    /** The digit just before the first "." of the text, 0 when there is none. */
    int parseVersionNumber (const juce::String& text)
    {
        const auto dot = text.indexOfChar ('.');

        if (dot < 1)
            return 0;

        const auto c = text[dot - 1];
        return juce::CharacterFunctions::isDigit (c) ? (int) (c - '0') : 0;
    }
}

//==============================================================================
bool FirmwareUpgradeComponent::stepActivate (int arg)
{
    activatedMarker = 0;

    if (arg <= 0)
        return false;

    setStep (3);
    setBusy (true);

    // An Escape or an "up to date" answer of an earlier run must not end this
    // one: the check would fail without writing and call the host unfit.
    abortRequested = false;

    if (toolFamilyActive)
    {
        // Without a folder for the check's files the check cannot run: saying
        // so beats calling the host unfit.
        const auto dataFolder = findUpgraderDataFolder();

        if (dataFolder.result.failed())
        {
            setBusy (false);
            UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::WarningIcon, {}, dataFolder.result.getErrorMessage());
            return false;
        }

        const juce::File checkImage (checkImagePath);
        const auto size = checkImage.existsAsFile() ? checkImage.getSize() : 0;
        const auto address = juce::String (checkRegionEnd - 2 * size);
        const auto regionSize = juce::String (2 * size);

        // First the image as it is; when this host garbles that, the padded
        // layout; when it garbles both, it cannot upgrade at all. A stage
        // that failed after Escape says nothing about the host: the check
        // stops there.
        bool stopped = false;

        if (flashFirmwareWithBlhost (checkImagePath, false, address, false,
                                     "Starting stage 1 of compatibility checking", 3).isEmpty())
        {
            runBlhostCommand ("erase", regionSize, "Good compatibility.", address, "1");
            compatibilityResult = 1;
        }
        else if (abortRequested)
        {
            stopped = true;
        }
        else if (flashFirmwareWithBlhost (checkImagePath, true, address, false,
                                          "Starting stage 2 of compatibility checking", 3).isEmpty())
        {
            runBlhostCommand ("erase", regionSize, "Good compatibility", address, "1");
            compatibilityResult = 2;
        }
        else if (abortRequested)
        {
            stopped = true;
        }
        else
        {
            runBlhostCommand ("erase", regionSize, "Bad compatibility!", address, "3");
            compatibilityResult = -1;
            resetThroughTool();
        }

        if (stopped)
        {
            // What the stage wrote goes; the unit stays in its bootloader, so
            // that Activate can run again.
            runBlhostCommand ("erase", regionSize, checkStoppedText, address, "1");
            setBusy (false);
            setStep (3);
            UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade",
                                                       checkStoppedText);
            return false;
        }

        setBusy (false);

        if (compatibilityResult == 1 || compatibilityResult == 2)
        {
            activatedMarker = 1;

            if (autoAdvance)
                stepSelectFirmware (1);

            return true;
        }

        UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::NoIcon, {},
                                                   incompatibleHostText (checkImage.existsAsFile()));
        setStep (1);
        compatibilityResult = 1;
        return false;
    }

    sleepMilliseconds (50.0);
    midiHandler = std::make_unique<MidiInputHandler> (*this);

    DeviceSelectComponent chooser (currentProductId, notKeyboardFamily ? juce::String (upgradePortText) : juce::String());
    juce::Component::SafePointer<FirmwareUpgradeComponent> self (this);

    const auto result = UpgraderPrompts::getCurrent().runDialog (chooser, "Choose Your Halvik Device", this, true);

    if (self == nullptr)
        return false;   // the window closed while the chooser ran

    // Whatever goes wrong from here leaves the window at step 3, to try again.
    setBusy (false);
    setStep (3);

    if (result != 1)
        return false;   // the chooser was closed

    bool succeeded = false;

    if (notKeyboardFamily)
    {
        upgradePortName = resolveUpgradePortName (chooser.getChosenName());

        if (! isUpgradePortName (upgradePortName))
        {
            UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::WarningIcon, "Step 3",
                                                       "Please select the unit \"Halvik firmware upgrade\"");
        }
        else
        {
            if (currentProductId == firstGenerationAirId || currentProductId == secondGenerationAirId)
            {
                currentProductId = targetProductId = parseVersionNumber (upgradePortName) == 1
                                                         ? firstGenerationAirId
                                                         : secondGenerationAirId;
                midiHandler->productId = currentProductId;
            }

            sleepMilliseconds (3.0);
            midiHandler->openDevices (upgradePortName);
            sleepMilliseconds (10.0);

            if (midiHandler->hasInput() && midiHandler->hasOutput())
            {
                setStep (4);
                stepButtons[0].setEnabled (false);
                succeeded = true;
            }
            else
            {
                UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::InfoIcon, "Midi Device",
                                                           "Could not open the selected MIDI input device: " + upgradePortName);
            }
        }
    }
    else
    {
        sleepMilliseconds (3.0);
        midiHandler->openDevices (chooser.getChosenName());
        sleepMilliseconds (10.0);

        // A keyboard in upgrade mode answers the version request with zeros,
        // or not at all.
        if (waitForUpgradeAck (1) && midiHandler != nullptr && midiHandler->hasInput() && midiHandler->hasOutput())
        {
            setStep (4);
            disableFirstStepButtons();
            succeeded = true;
        }
    }

    if (! succeeded)
        return false;

    activatedMarker = 1;
    return autoAdvance ? stepSelectFirmware (1) != 0 : true;
}

} // namespace halvik
