#include "firmware/tool/FlashProcedure.h"

#include "common/BoundedFileRead.h"
#include "firmware/FirmwareImageLimit.h"
#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/tool/ImageCheckValue.h"
#include "firmware/tool/ImageStaging.h"
#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{
    namespace
    {
        const juce::String cannotStageText ("Cannot create firmware file!");

        /** Erases the first 4096 bytes at the address, so that the unit never
            starts an image that did not prove good. */
        void eraseHeader (const juce::String& address)
        {
            runBlhostCommand ("erase", "4096", "Erasing header data", address, "3");
        }

        /** Removes whatever stands at the read-back path (a link, not what it
            points to): the tool writes that file itself and would follow a
            link. True when nothing stands there now. */
        bool clearedForTheTool (const juce::File& readBack)
        {
            readBack.deleteFile();
            return ! readBack.exists() && ! readBack.isSymbolicLink();
        }
    }

    FlashResult flashImageThroughTool (const juce::String& imagePath, bool padded,
                                       const juce::String& address, bool finish,
                                       const juce::String& consoleNotice, int pingCount)
    {
        using Ending = FlashResult::Ending;

        // Until the erase below nothing has reached the unit: a failure up
        // to there is this computer's, and says nothing about the unit.
        auto failedHere = [] (const juce::String& message)
        {
            return FlashResult { Ending::onThisComputer, message };
        };

        const juce::File image (imagePath);

        if (! image.existsAsFile())
            return failedHere ("No firmware file!");

        if (image.getSize() > (juce::int64) maxFirmwareImageBytes)
            return failedHere ("Firmware exception!");

        const auto dataFolder = findUpgraderDataFolder();

        if (dataFolder.result.failed())
            return failedHere (dataFolder.result.getErrorMessage());

        // Read once: the bytes whose check value proves the flash are the
        // bytes staged for it. A file that cannot be read whole stages nothing.
        const auto bytes = readWholeFile (imagePath, maxFirmwareImageBytes);

        if (! bytes.has_value())
            return failedHere (cannotStageText + "\n\nCannot read " + imagePath);

        // Nothing to write would still erase the unit, and an empty read-back
        // would then match it: an empty image (a damaged check image too) is
        // refused before the tool runs.
        if (bytes->isEmpty())
            return failedHere ("The firmware file is empty!");

        const auto size = (int) bytes->getSize();
        const auto expected = imageCheckValue (*bytes, 0.0, 3);
        const auto readBack = readBackFileFor (imagePath, flashStagingSubfolder);

        const auto staging = padded ? stagePaddedImage (*bytes, imagePath, flashStagingSubfolder, "_M1")
                                    : stagePlainImage (*bytes, imagePath, flashStagingSubfolder, "_");

        // A full disk or a folder the user may not write in: the folder and
        // the system's reason go with the text.
        if (staging.result.failed())
            return failedHere (cannotStageText + "\n\n" + staging.result.getErrorMessage());

        // The staging folder is real now (staging refuses a link); the
        // read-back path in it must be free before anything reaches the unit.
        const juce::File staged (staging.path);

        if (! clearedForTheTool (readBack))
        {
            staged.deleteFile();
            return failedHere (cannotStageText + "\n\nCannot remove " + readBack.getFullPathName());
        }

        // Stopped before anything reached the unit: before the erase's notice,
        // or while it showed. Callers take an empty text for a finished,
        // verified flash, so a stopped one must say so.
        auto stopped = [&staged]
        {
            staged.deleteFile();
            return FlashResult { Ending::stoppedBeforeTheUnit, "Upgrade aborted!" };
        };

        if (abortRequested)
            return stopped();

        const auto erased = runBlhostCommand ("erase", juce::String (size + 4096), consoleNotice, address,
                                              juce::String (pingCount), true);

        if (erased == eraseStoppedAfterNotice)
            return stopped();

        // From here on a stop no longer ends the flash: a unit left erased or
        // half written would have no firmware to start.
        if (erased != 1)
        {
            staged.deleteFile();
            eraseHeader (address);
            return { Ending::onTheUnit, "Erase failed!" };
        }

        // A write that printed a status without success goes on: the
        // read-back below decides.
        if (runBlhostCommand ("write", staged.getFullPathName(), {}, address, "3") == -1)
        {
            staged.deleteFile();
            toolModeEntered = false;
            return { Ending::onTheUnit, "Write firmware failed!" };
        }

        probeBootloader();

        staged.deleteFile();
        waitWithMessageLoop (235.0f, false);

        // A read-back left by an earlier run must never stand in for this one.
        juce::String message;

        if (! clearedForTheTool (readBack)
             || runBlhostCommand ("read", readBack.getFullPathName(), juce::String (size), address, "3") != 1)
        {
            message = "Read failed!";
        }
        else if (! readBack.existsAsFile() || readBack.isSymbolicLink())
        {
            message = "check failed!";
        }
        else
        {
            // The tool was asked for size bytes: a longer read-back is wrong
            // data too, and is not read past that.
            const auto readBytes = readWholeFile (readBack.getFullPathName(), (size_t) size);

            if (! readBytes.has_value() || imageCheckValue (*readBytes, 0.0, 3) != expected)
                message = "Wrote wrong data!";

            waitWithMessageLoop (470.0f, false);
            readBack.deleteFile();
        }

        if (message.isEmpty())
        {
            if (! finish)
                return { Ending::onTheUnit, {} };

            if (resetThroughTool() != 1)
                message = "OK. But reset failed!";

            toolModeEntered = false;
            return { Ending::onTheUnit, message };
        }

        if (! finish)
            return { Ending::onTheUnit, message };

        // Even when the user asked to stop, a bad image must not stay bootable:
        // with its header erased the unit stays in its bootloader and can be
        // flashed again.
        eraseHeader (address);

        toolModeEntered = false;
        return { Ending::onTheUnit, message };
    }

    FlashResult FirmwareUpgradeComponent::flashFirmwareWithBlhost (const juce::String& imagePath, bool padded,
                                                                   const juce::String& address, bool finish,
                                                                   const juce::String& consoleNotice, int pingCount)
    {
        return flashImageThroughTool (imagePath, padded, address, finish, consoleNotice, pingCount);
    }
}
