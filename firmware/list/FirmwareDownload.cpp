#include "firmware/list/FirmwareDownload.h"

#include "firmware/list/ServerRead.h"

namespace halvik
{
    juce::String getDownloadFileName (const juce::URL& url)
    {
        const auto name = juce::URL::removeEscapeChars (url.getFileName());

        if (name.trim().isEmpty() || name == "." || name == ".."
             || name.containsAnyOf ("/\\:"))
            return {};

        for (auto character : name)
            if (character < 0x20 || character == 0x7f)
                return {};

        return name;
    }

    juce::Result downloadFirmwareImageTo (const juce::URL& url, const juce::File& target, int timeoutMs, int deadlineMs)
    {
        juce::MemoryBlock image;
        const auto read = readFromServer (url, maxFirmwareImageBytes, timeoutMs, deadlineMs, image);

        if (read.failed())
            return read;

        if (image.isEmpty())
            return juce::Result::fail ("The server sent an empty file");

        // The image goes to a file beside the target and takes the target's
        // place only once it is complete, so a failure never leaves half a file.
        juce::TemporaryFile written (target);

        if (! written.getFile().replaceWithData (image.getData(), image.getSize())
             || ! written.overwriteTargetFileWithTemporary())
            return juce::Result::fail ("Could not write " + target.getFullPathName());

        return juce::Result::ok();
    }

    FirmwareDownloadResult downloadFirmwareImage (const juce::URL& url, const juce::File& folder, int timeoutMs, int deadlineMs)
    {
        FirmwareDownloadResult download;
        const auto name = getDownloadFileName (url);

        if (name.isEmpty())
        {
            download.result = juce::Result::fail ("The server's file name cannot be used: \"" + url.getFileName() + "\"");
            download.file = folder;
            return download;
        }

        download.file = folder.getChildFile (name);

        if (download.file.getParentDirectory() != folder)
        {
            download.result = juce::Result::fail ("The server's file name cannot be used: \"" + name + "\"");
            download.file = folder;
            return download;
        }

        const auto folderMade = folder.createDirectory();

        if (folderMade.failed())
        {
            download.result = folderMade;
            return download;
        }

        download.result = downloadFirmwareImageTo (url, download.file, timeoutMs, deadlineMs);
        return download;
    }
}
