#include "firmware/window/FirmwareUpgradeComponent.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/catalogue/FirmwareFileNames.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/list/FirmwareDownload.h"
#include "firmware/list/FirmwareList.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/window/FirmwareSelectComponent.h"
#include "firmware/window/UpgraderPrompts.h"

namespace halvik
{

namespace
{
    const juce::String notMatchingText ("Not the matching firmware!");
    const juce::String downloadFailedText ("Could not download firmware file");
    const juce::String emptyImageText ("The firmware file is empty!");

    constexpr int midiDownloadAttempts = 3;

    /** Holds the step's re-entry guard while the step does its own work. */
    class SelectStepGuard
    {
    public:
        SelectStepGuard()   { selectStepRunning = true; }
        ~SelectStepGuard()  { release(); }

        /** Lets the step run again, e.g. before handing over to the Upgrade
            step, whose repeat mode comes back through this step. */
        void release()      { selectStepRunning = false; }

    private:
        JUCE_DECLARE_NON_COPYABLE (SelectStepGuard)
    };

    /** What the firmware chooser gave: whether the user confirmed, and the
        address of the entry taken. */
    struct ChosenFirmware
    {
        bool confirmed = false;
        juce::URL url;
    };

    /** The file-name check of a hand-picked file: its name without extension,
        lower-cased and trimmed, against the product's patterns. */
    bool chosenFileFitsProduct (const juce::File& file, int productId)
    {
        return firmwareFileMatchesProduct (file.getFileNameWithoutExtension().toLowerCase().trim(), productId);
    }

    /** The download failure box's text: why it failed goes under the
        program's own line, so that the user can tell a server that is down
        from one that sent something that is no image. */
    juce::String downloadFailureText (const juce::Result& download)
    {
        return download.getErrorMessage().isEmpty() ? downloadFailedText
                                                    : downloadFailedText + "\n\n" + download.getErrorMessage();
    }

    /** An image without a byte would have the unit erased and then "verified"
        against nothing, and an upload would send nothing: it is refused. */
    bool isEmptyImage (const juce::File& file)
    {
        return file.getSize() == 0;
    }
}

int FirmwareUpgradeComponent::stepSelectFirmware (int arg)
{
    if (selectStepRunning)
        return 0;

    selectedMarker = 0;

    if (arg < 1)
        return 0;

    const StepUnderWay underWay;
    setStep (4);
    disableFirstStepButtons();

    if (midiHandler == nullptr)
        midiHandler = std::make_unique<MidiInputHandler> (*this);

    SelectStepGuard guard;
    chooserNoAutoConfirm = false;

    // An image an earlier run downloaded and never flashed is not this run's.
    discardDownloadedImage();

    // A stop typed while the step before held the window (a keyboard's plain
    // waits for its version) ends the run before the list is asked for.
    if (endRunIfStoppedMeanwhile (4))
        return 0;

    juce::String message ("OK");
    bool notFound = false, fileRejected = false, cancelled = false, upToDate = false, offerChooser = false;

    auto& prompts = UpgraderPrompts::getCurrent();
    juce::Component::SafePointer<FirmwareUpgradeComponent> self (this);

    // The "Firmware Version" dialog over the current list. The chooser keeps
    // the entry taken with "OK", so its address is read after the dialog.
    auto runFirmwareChooser = [this, &prompts]
    {
        FirmwareSelectComponent chooser (firmwareList, 0);
        ChosenFirmware chosen;
        chosen.confirmed = prompts.runDialog (chooser, "Firmware Version", this, true) == 1;

        if (chosen.confirmed)
            chosen.url = chooser.getSelectedFirmwareUrl();

        return chosen;
    };

    auto chooseFirmwareFile = [this, &prompts]
    {
        return prompts.chooseFileToOpen ("Choose The Firmware File", firmwareFile, "*.bin");
    };

    // A download holds the window: a key typed meanwhile waits in the queue,
    // and is read once it has ended. A stop ends the run before anything
    // goes on by itself (a chooser that confirms itself, the Upgrade step).
    auto stoppedAfterDownload = [this, &self]
    {
        letQueuedInputThrough();
        return self == nullptr || endRunIfStopped (4);
    };

    //==============================================================================
    if (toolFamilyActive)
    {
        if (! useServerList)
        {
            notFound = true;
        }
        else
        {
            firmwareList = juce::ValueTree ("firmwares");
            const auto group = getProductGroup (targetProductId);
            const auto fetched = fetchFirmwareList (group > 0 ? group : targetProductId, firmwareList);
            const auto entries = firmwareList.getNumChildren();

            if (stoppedAfterDownload())
                return 0;

            if (fetched.getErrorMessage().contains ("unavailable"))
            {
                notFound = true;
            }
            else if (entries == 0)
            {
                fileRejected = true;
                message = fetched.getErrorMessage();
            }
            else
            {
                const auto first = firmwareList.getChild (0);
                const auto unit = parseVersionValue (deviceReplyText);
                const auto latest = parseVersionValue (first["fw"].toString());

                if (unit < latest)
                {
                    setStatusText (first["name"].toString() + " " + first["version"].toString()
                                       + " firmware is being downloaded here...",
                                   false);
                    offerChooser = true;
                }
                else if (entries > 1)
                {
                    if (unit < parseVersionValue (getNewestFirmwarePath (firmwareList)))
                    {
                        // A newer version further down the list: the user picks it.
                        offerChooser = true;
                        chooserNoAutoConfirm = true;
                    }
                    else
                    {
                        message = "Your device is up-to-date.";
                        abortRequested = true;
                        toolModeEntered = true;
                    }
                }
                else
                {
                    message = "your device is up-to-date.";
                    offerChooser = true;
                }
            }

            if (offerChooser)
            {
                const auto chosen = runFirmwareChooser();

                if (self == nullptr || ! chosen.confirmed)
                    return 0;

                setBusy (true);
                // The server names the file; the download keeps it inside the
                // data folder and leaves nothing there when it fails.
                const auto download = downloadFirmwareImage (chosen.url, getUpgraderDataFolder());

                if (self == nullptr)
                    return 0;

                // The title said the download was running; it has ended.
                firmwareFile = download.file;
                firmwareReady = download.result.wasOk();
                setStatusText ({});

                // Read while the buttons are still off.
                if (stoppedAfterDownload())
                    return 0;

                setBusy (false);
                setStep (4);

                if (download.result.wasOk())
                {
                    firmwareFilePath = firmwareFile.getFullPathName();
                    setStep (5);
                    disableFirstStepButtons();
                }
                else
                {
                    // Read before the file chooser opens, which would hide
                    // it: the user must know why a file is asked for instead
                    // of the version just chosen being flashed.
                    fileRejected = true;
                    message = downloadFailedText;
                    prompts.showMessageAndWait (juce::MessageBoxIconType::WarningIcon, "Firmware Download",
                                                downloadFailureText (download.result));

                    if (self == nullptr)
                        return 0;
                }
            }
        }

        bool finishBoxOnly = false;

        if (notFound || fileRejected)
        {
            const auto file = chooseFirmwareFile();

            if (self == nullptr || file == juce::File())
                return 0;

            firmwareFile = file;

            // Checked against the model the Activate step settled on, which
            // its upgrade port may have told apart from the one first found.
            if (! chosenFileFitsProduct (file, currentProductId))
            {
                message = notMatchingText;

                if (repeatMode)
                    return 0;

                finishBoxOnly = true;
            }
            else if (isEmptyImage (file))
            {
                message = emptyImageText;
                finishBoxOnly = true;
            }
            else
            {
                firmwareFilePath = file.getFullPathName();
                selectedMarker = 1;
                setStep (5);
                disableFirstStepButtons();
            }
        }

        if (! finishBoxOnly)
        {
            selectedMarker = 1;

            if (! abortRequested && autoAdvance)
            {
                guard.release();
                return stepUpgrade (1);
            }

            setStep (6);
        }

        prompts.showMessage (finishBoxOnly ? juce::MessageBoxIconType::WarningIcon
                                           : juce::MessageBoxIconType::InfoIcon,
                             "Firmware Upgrade", message);

        // A unit that answered the tool leaves its upgrade mode again. The
        // window is busy meanwhile: the reset lets messages through, and a
        // step started by a click would find the tool taken.
        if (toolModeEntered)
        {
            bool enabled[stepCount];

            for (int i = 0; i < stepCount; ++i)
                enabled[i] = getStepButton (i).isEnabled();

            setBusy (true);
            const auto reset = resetThroughTool();

            if (self == nullptr)
                return 0;

            setBusy (false);

            for (int i = 0; i < stepCount; ++i)
                getStepButton (i).setEnabled (enabled[i]);

            if (reset >= 1)
                toolModeEntered = false;
        }

        return 0;
    }

    //==============================================================================
    bool loaded = false;

    if (useServerList)
    {
        firmwareList = juce::ValueTree ("firmwares");
        const auto fetched = fetchFirmwareList (targetProductId, firmwareList);
        const auto entries = firmwareList.getNumChildren();

        if (stoppedAfterDownload())
            return -1;

        if (fetched.wasOk() && entries > 0)
        {
            const auto latest = parseVersionValue (firmwareList.getChild (0)["fw"].toString());

            if ((! autoAdvance && entries != 1) || startVersion != latest)
            {
                const auto chosen = runFirmwareChooser();

                if (self == nullptr)
                    return 0;

                if (! chosen.confirmed)
                {
                    cancelled = true;
                }
                else
                {
                    setBusy (true);
                    auto download = juce::Result::fail ({});

                    {
                        // The image is read into the handler; its file goes when this block ends.
                        juce::TemporaryFile temporary;
                        firmwareFile = temporary.getFile();
                        bool downloaded = false;

                        for (int attempt = 0; attempt < midiDownloadAttempts && ! downloaded; ++attempt)
                        {
                            download = downloadFirmwareImageTo (chosen.url, firmwareFile);
                            downloaded = download.wasOk();

                            if (! downloaded)
                                for (int i = 0; i < 6; ++i)
                                    sleepMilliseconds (50);
                        }

                        if (stoppedAfterDownload())
                            return -1;

                        setBusy (false);
                        setStep (4);
                        disableFirstStepButtons();

                        if (downloaded)
                        {
                            midiHandler->loadFirmwareImage (firmwareFile);
                            loaded = true;
                        }
                    }

                    if (! loaded)
                    {
                        // Read before the file chooser that follows opens.
                        prompts.showMessageAndWait (juce::MessageBoxIconType::WarningIcon, "Firmware Download",
                                                    downloadFailureText (download));

                        if (self == nullptr)
                            return 0;
                    }
                }
            }
            else
            {
                upToDate = true;
            }
        }
    }

    if (! loaded && ! cancelled && ! upToDate)
    {
        const auto file = chooseFirmwareFile();

        if (self == nullptr)
            return 0;

        if (file == juce::File())
        {
            cancelled = true;
        }
        else
        {
            firmwareFile = file;

            if (! chosenFileFitsProduct (file, currentProductId))
            {
                message = notMatchingText;

                if (! autoAdvance)
                    prompts.showMessage (juce::MessageBoxIconType::WarningIcon, "Load File", message);

                return 0;
            }

            // Told even when running on by itself: nothing will be written.
            if (isEmptyImage (file))
            {
                prompts.showMessage (juce::MessageBoxIconType::WarningIcon, "Load File", emptyImageText);
                return 0;
            }

            midiHandler->loadFirmwareImage (file);
        }
    }

    selectedMarker = 1;

    if (cancelled || abortRequested)
    {
        setStep (getStep());
        disableFirstStepButtons();
        return -1;
    }

    if (upToDate)
    {
        prompts.showMessage (juce::MessageBoxIconType::InfoIcon, "Load File", "Your unit is up-to-date!");
        setStep (1);
        return 1;
    }

    if (autoAdvance)
    {
        guard.release();
        return stepUpgrade (1);
    }

    setStep (5);
    disableFirstStepButtons();
    return 1;
}

} // namespace halvik
