#include "firmware/window/FirmwareUpgradeComponent.h"

#include "common/BoundedFileRead.h"
#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashProcedure.h"
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
    const juce::String checkNotFinishedText ("Compatibility check not finished.");

    const juce::String incompatibleHostText = juce::String ("WARNING\n\nYour system environment ") + "can"
                                              + "not be compatible with the Tavlo firmware upgrade process.\n"
                                                "Forbit upgrade firmware!\n\nPlease close the current upgrade window";

    /** What keeps the check image from being as the program ships it (a
        readable file with bytes in it), as the box says it; empty when
        nothing does. A file that is there is not called missing. */
    juce::String checkImageFault (const juce::File& checkImage)
    {
        if (! checkImage.existsAsFile())
            return "Warning: Cannot find the check.bin!";

        if (checkImage.getSize() <= 0)
            return "Warning: The check.bin is empty!";

        if (! canOpenForReading (checkImage))
            return "Warning: Cannot read the check.bin!";

        return {};
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
bool FirmwareUpgradeComponent::activateThroughTool()
{
    auto& prompts = UpgraderPrompts::getCurrent();
    juce::Component::SafePointer<FirmwareUpgradeComponent> self (this);

    // A failure of this computer before the check image reached the unit
    // says nothing about the host: no verdict, and the window stays at this
    // step so that Activate can run again.
    auto stayAtThisStep = [this, self, &prompts] (juce::MessageBoxIconType icon, const juce::String& boxTitle,
                                                  const juce::String& text)
    {
        if (self == nullptr)
            return false;   // the window went while the tool ran

        setBusy (false);
        setStep (3);
        prompts.showMessage (icon, boxTitle, text);
        return false;
    };

    // Told the same way whatever failed here: the folder, or the reason, follows.
    auto computerFailed = [&stayAtThisStep] (const juce::String& reason)
    {
        return stayAtThisStep (juce::MessageBoxIconType::WarningIcon, {},
                               checkNotFinishedText + " This computer failed before the check image reached "
                               "the device.\n\n" + reason);
    };

    // Without a folder for the check's files the check cannot run.
    const auto dataFolder = findUpgraderDataFolder();

    if (dataFolder.result.failed())
        return computerFailed (dataFolder.result.getErrorMessage());

    const juce::File checkImage (checkImagePath);

    if (const auto fault = checkImageFault (checkImage); fault.isNotEmpty())
        return stayAtThisStep (juce::MessageBoxIconType::WarningIcon, {},
                               fault + "\n\n" + checkImage.getFullPathName());

    const auto size = checkImage.getSize();
    const auto address = juce::String (checkRegionEnd - 2 * size);
    const auto regionSize = juce::String (2 * size);
    bool unitTouched = false;

    // What a stage wrote goes again when the check ends without a verdict;
    // the unit stays in its bootloader, so that Activate can run again.
    auto clearCheckRegion = [&] (const juce::String& notice)
    {
        if (unitTouched)
            runBlhostCommand ("erase", regionSize, notice, address, "1");
    };

    // First the image as it is; when this host garbles that, the padded
    // layout; when it garbles both, it cannot upgrade at all.
    for (const bool padded : { false, true })
    {
        const auto stage = flashFirmwareWithBlhost (checkImagePath, padded, address, false,
                                                    padded ? "Starting stage 2 of compatibility checking"
                                                           : "Starting stage 1 of compatibility checking",
                                                    3);

        if (self == nullptr)
            return false;

        unitTouched = unitTouched || stage.reachedTheUnit();

        // A stop during a stage ends the run, whatever the stage found; what
        // it wrote is cleared first, as it would be once the check had ended.
        if (abortRequested)
        {
            clearCheckRegion (checkStoppedText);

            if (self != nullptr)
                endRunIfStopped (3);

            return false;
        }

        if (stage.ending == FlashResult::Ending::onThisComputer)
        {
            clearCheckRegion (checkNotFinishedText);
            return computerFailed (stage.message);
        }

        if (stage.succeeded())
        {
            runBlhostCommand ("erase", regionSize, padded ? "Good compatibility" : "Good compatibility.", address, "1");

            if (self == nullptr || endRunIfStopped (3))
                return false;

            compatibilityResult = padded ? 2 : 1;
            setBusy (false);
            activatedMarker = 1;

            if (autoAdvance)
                stepSelectFirmware (1);

            return true;
        }
    }

    runBlhostCommand ("erase", regionSize, "Bad compatibility!", address, "3");
    compatibilityResult = -1;
    resetThroughTool();

    if (self == nullptr)
        return false;

    setBusy (false);
    prompts.showMessage (juce::MessageBoxIconType::NoIcon, {}, incompatibleHostText);
    setStep (1);
    compatibilityResult = 1;
    return false;
}

bool FirmwareUpgradeComponent::stepActivate (int arg)
{
    activatedMarker = 0;

    if (arg <= 0)
        return false;

    const StepUnderWay underWay;
    setStep (3);
    setBusy (true);

    if (toolFamilyActive)
        return activateThroughTool();

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

    // Nothing is opened or asked once a stop was typed while the chooser was made.
    if (endRunIfStoppedMeanwhile (3))
        return false;

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
                // The model the unit was chosen as, for a later Start that
                // takes a port naming no product while any product is accepted.
                productId = currentProductId;
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
