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

        /** The staged file, or none when its folder cannot be made or is a
            link: the tool must get the bytes checked here, and nothing of
            the image may land outside the staging folder. */
        juce::File prepareStagedFile (const juce::String& imagePath, const juce::String& subfolder,
                                      const juce::String& suffix)
        {
            const auto folder = makeUpgraderSubfolder (subfolder);

            if (folder == juce::File())
                return {};

            const auto staged = stagedFileFor (imagePath, subfolder, suffix);
            return staged.getParentDirectory() == folder ? staged : juce::File();
        }

        juce::String keptOrRemoved (const juce::File& staged, bool written)
        {
            if (written)
                return staged.getFullPathName();

            staged.deleteFile();
            return {};
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

    juce::String stagePaddedImage (const juce::MemoryBlock& image, const juce::String& imagePath,
                                   const juce::String& subfolder, const juce::String& suffix)
    {
        return stagePlainImage (padImage (image), imagePath, subfolder, suffix);
    }

    juce::String stagePlainImage (const juce::MemoryBlock& image, const juce::String& imagePath,
                                  const juce::String& subfolder, const juce::String& suffix)
    {
        const auto staged = prepareStagedFile (imagePath, subfolder, suffix);

        if (staged == juce::File())
            return {};

        return keptOrRemoved (staged, writeFileVerified (staged, image.getData(), image.getSize()).wasOk());
    }
}
