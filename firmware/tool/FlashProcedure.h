#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** The subfolder of the upgrader's data folder that holds the staged
        images and the read-back files. */
    inline const char* const flashStagingSubfolder = "local/";

    /** Writes an image into a unit of the tool family through the flashing
        tool and proves the write by reading the flash back and comparing
        check values.

        The image is staged in the data folder first, padded or plain; the
        unit's region at address is erased (size + 4096 bytes, after the
        console notice shown for pingCount - 1 seconds), the staged copy
        written and the image's size read back. With finish, a good check
        ends with a reset of the unit and a bad one with an erase of the
        image's header, so that a half-written firmware never starts.

        Returns the empty text only for a written and verified image, else
        "No firmware file!", "Firmware exception!" (a file larger than
        maxFirmwareImageBytes, which is not read), noUpgraderFolderText or
        another text that names the data folder (there is none to stage in),
        "Cannot create firmware file!" (the image could not be read whole or
        staged whole, the staging folder is a link, or the read-back file's
        place cannot be cleared), "Upgrade aborted!"
        (abortRequested was set before the erase; the unit is untouched),
        "Erase failed!", "Write firmware failed!", "Read failed!",
        "check failed!", "Wrote wrong data!" or "OK. But reset failed!" (a
        warning: the image is in place). Message thread. */
    juce::String flashImageThroughTool (const juce::String& imagePath, bool padded,
                                        const juce::String& address, bool finish,
                                        const juce::String& consoleNotice, int pingCount);
}
