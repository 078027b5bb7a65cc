#include "firmware/tool/ImageStaging.h"

#include "common/VerifiedFileWrite.h"
#include "firmware/UpgraderPaths.h"

namespace halvik
{
    namespace
    {
        juce::File stagingFile (const juce::String& subfolder, const juce::String& fileName)
        {
            const auto dataFolder = getUpgraderDataFolder();

            if (dataFolder == juce::File())
                return {};

            const auto folder = dataFolder.getChildFile (subfolder);

            // Joined as text: a name from outside (say "~fw.bin") must not be
            // read as a path of its own.
            return juce::File (folder.getFullPathName() + "/" + fileName);
        }

        /** The staged file for the image, or none with the reason when its
            folder cannot be made or is a link, or the name would leave it:
            the tool must get the bytes checked here, and nothing of the image
            may land outside the staging folder. */
        juce::Result prepareStagedFile (const juce::String& imagePath, const juce::String& subfolder,
                                        const juce::String& suffix, juce::File& staged)
        {
            const auto folder = makeUpgraderSubfolder (subfolder);

            if (folder.result.failed())
                return folder.result;

            staged = stagedFileFor (imagePath, subfolder, suffix);

            if (staged.getParentDirectory() != folder.folder)
                return juce::Result::fail ("Cannot create file in " + folder.folder.getFullPathName()
                                           + ": the image's name is no plain file name");

            return juce::Result::ok();
        }
    }

    juce::File stagedFileFor (const juce::String& imagePath, const juce::String& subfolder,
                              const juce::String& suffix)
    {
        const juce::File image (imagePath);
        return stagingFile (subfolder, image.getFileNameWithoutExtension() + suffix + image.getFileExtension());
    }

    juce::File readBackFileFor (const juce::String& imagePath, const juce::String& subfolder)
    {
        return stagingFile (subfolder, juce::File (imagePath).getFileNameWithoutExtension() + ".dat");
    }

    juce::MemoryBlock padImage (const juce::MemoryBlock& image)
    {
        const auto size = image.getSize();
        const auto block = (size_t) paddedBlockSize;
        juce::MemoryBlock padded (size + (size / block) * block, true);
        auto* out = static_cast<char*> (padded.getData());

        for (size_t start = 0; start < size; start += block)
        {
            const auto count = juce::jmin (block, size - start);
            image.copyTo (out, (int) start, count);
            out += count;

            if (count == block)
                out += block;   // the zeros after a full block; the block was cleared
        }

        return padded;
    }

    StagedImage stagePaddedImage (const juce::MemoryBlock& image, const juce::String& imagePath,
                                  const juce::String& subfolder, const juce::String& suffix)
    {
        return stagePlainImage (padImage (image), imagePath, subfolder, suffix);
    }

    StagedImage stagePlainImage (const juce::MemoryBlock& image, const juce::String& imagePath,
                                 const juce::String& subfolder, const juce::String& suffix)
    {
        juce::File staged;
        const auto prepared = prepareStagedFile (imagePath, subfolder, suffix, staged);

        if (prepared.failed())
            return { {}, prepared };

        const auto written = writeFileVerified (staged, image.getData(), image.getSize());

        if (written.failed())
        {
            staged.deleteFile();
            return { {}, written };
        }

        return { staged.getFullPathName(), juce::Result::ok() };
    }
}
