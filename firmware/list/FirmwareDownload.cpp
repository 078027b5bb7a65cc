#include "firmware/list/FirmwareDownload.h"

#include "app/VerifiedFileWrite.h"
#include "firmware/UpgraderPaths.h"
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

    juce::Result downloadFirmwareImageTo (const juce::URL& url, const juce::File& target, int timeoutMs)
    {
        juce::MemoryBlock image;
        const auto read = readFromServer (url, maxFirmwareImageBytes, timeoutMs, image);

        if (read.failed())
            return read;

        if (image.isEmpty())
            return juce::Result::fail ("The server sent an empty file");

        // The image takes the target's place only once all of it is on the
        // disk: a full disk never leaves a cut image that a unit could be
        // given, and a link at the target is replaced, not written through.
        return writeFileVerified (target, image.getData(), image.getSize());
    }

    FirmwareDownloadResult downloadFirmwareImage (const juce::URL& url, const juce::File& folder, int timeoutMs)
    {
        FirmwareDownloadResult download;

        if (folder == juce::File())
        {
            download.result = juce::Result::fail (noUpgraderFolderText);
            return download;
        }

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

        download.result = downloadFirmwareImageTo (url, download.file, timeoutMs);
        return download;
    }
}
