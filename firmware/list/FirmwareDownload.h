#pragma once

#include "firmware/FirmwareImageLimit.h"

#include <juce_core/juce_core.h>

/** Downloads of firmware images from the firmware server. Each runs on the
    calling thread and blocks it until the transfer ends or is given up. */
namespace halvik
{
    /** How long connecting may take, and how long a transfer may go without
        progress, before a download is given up. */
    constexpr int firmwareTransferTimeoutMs = 10000;

    /** How long the transfer of an image may last in all, however steadily it goes. */
    constexpr int firmwareImageDeadlineMs = 120000;

    /** What a download into a folder gives: its result and the file. */
    struct FirmwareDownloadResult
    {
        juce::Result result { juce::Result::ok() };

        /** The image on success. On failure the file it would have been
            (absent, unless a file of that name was there before and was left
            alone), or the folder when the server's name could not be used. */
        juce::File file;
    };

    /** The name under which an image is saved: the last piece of the URL's
        path, unescaped. Empty when it could name anything but a plain file in
        one folder: empty or blank, ".", "..", with a path separator, a ":" or
        a control character, or escapes that do not make UTF-8. */
    juce::String getDownloadFileName (const juce::URL& url);

    /** Downloads the image at url into the folder (created when missing),
        under the name the server gives it (getDownloadFileName). Succeeds only
        for a status of 200..299 with a body of 1 to maxFirmwareImageBytes bytes
        that arrived whole within deadlineMs and uncompressed (in no coding but
        identity), is no web page (labelled "text/...", or beginning with "<"
        after blanks or a byte-order mark) and reached the disk whole
        (writeFileVerified); on failure nothing new is left in the folder, and
        an existing file of that name is replaced only by a download that
        worked. An empty folder (the user has no data folder) fails with
        noUpgraderFolderText. */
    FirmwareDownloadResult downloadFirmwareImage (const juce::URL& url, const juce::File& folder,
                                                  int timeoutMs = firmwareTransferTimeoutMs,
                                                  int deadlineMs = firmwareImageDeadlineMs);

    /** Downloads the image at url into the target file (a temporary file, say),
        with the same checks as downloadFirmwareImage; the target is written
        only when the download worked, and nothing else is left beside it. */
    juce::Result downloadFirmwareImageTo (const juce::URL& url, const juce::File& target,
                                          int timeoutMs = firmwareTransferTimeoutMs,
                                          int deadlineMs = firmwareImageDeadlineMs);
}
