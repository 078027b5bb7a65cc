#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** The subfolder of the upgrader's data folder that holds the staged
        images and the read-back files. */
    inline const char* const flashStagingSubfolder = "local/";

    /** How a flash through the tool ended. */
    struct FlashResult
    {
        /** Where it ended: the unit had commands (erase, write, read back),
            or this computer failed before any command went to the unit, or
            abortRequested stopped it before any did. */
        enum class Ending { onTheUnit, onThisComputer, stoppedBeforeTheUnit };

        Ending ending = Ending::onTheUnit;

        /** Empty only for a written and verified image; else the text for the user. */
        juce::String message;

        bool succeeded() const noexcept        { return message.isEmpty(); }
        bool reachedTheUnit() const noexcept   { return ending == Ending::onTheUnit; }
    };

    /** What the steps say when a stop (Escape) ended a run before any firmware
        reached the unit. */
    inline const juce::String upgradeStoppedText { "Upgrade stopped: no firmware was written to the device." };

    /** Writes an image into a unit of the tool family through the flashing
        tool and proves the write by reading the flash back and comparing
        check values.

        The image is staged in the data folder first, padded or plain; the
        unit's region at address is erased (size + 4096 bytes, after the
        console notice shown for pingCount - 1 seconds), the staged copy
        written and the image's size read back. With finish, a good check
        ends with a reset of the unit and a bad one with an erase of the
        image's header, so that a half-written firmware never starts.

        Before anything goes to the unit it ends on this computer with "No
        firmware file!", "Firmware exception!" (a file larger than
        maxFirmwareImageBytes, which is not read), "The firmware file is
        empty!", noUpgraderFolderText or another text that names the data
        folder (there is none to stage in), or "Cannot create firmware file!"
        (the image could not be read whole or staged whole, the staging folder
        is a link, or the read-back file's place cannot be cleared) followed
        by an empty line and the folder with the system's reason; or it is
        stopped with "Upgrade aborted!" (abortRequested was set before the
        erase's notice or while it showed; once the erase has begun a stop no
        longer ends the flash). On the unit it ends with the empty text
        (written and verified), "Erase failed!", "Write firmware failed!",
        "Read failed!", "check failed!", "Wrote wrong data!" or "OK. But reset
        failed!" (a warning: the image is in place). Message thread. */
    FlashResult flashImageThroughTool (const juce::String& imagePath, bool padded,
                                       const juce::String& address, bool finish,
                                       const juce::String& consoleNotice, int pingCount);
}
