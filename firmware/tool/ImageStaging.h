#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** Bytes in one block of the padded layout; each full block is followed by
        as many zero bytes. */
    constexpr int paddedBlockSize = 1016;

    /** The file in the staging folder (the subfolder of the upgrader's data
        folder) for an image: its name without extension, then suffix, then its
        extension; "fw.bin" with "_M1" is "fw_M1.bin". */
    juce::File stagedFileFor (const juce::String& imagePath, const juce::String& subfolder,
                              const juce::String& suffix);

    /** The file in the staging folder that an image is read back into: its
        name without extension, then ".dat"; "fw.bin" gives "fw.dat". */
    juce::File readBackFileFor (const juce::String& imagePath, const juce::String& subfolder);

    /** The image in the padded layout: every full block followed by a block of
        zeros, the last partial block as it is. */
    juce::MemoryBlock padImage (const juce::MemoryBlock& image);

    /** A staged copy of an image: its path, or, when there is none, why. */
    struct StagedImage
    {
        juce::String path;
        juce::Result result { juce::Result::ok() };
    };

    /** Writes the padded layout of the image's bytes into the staged file for
        imagePath (folders made when missing) and gives that file's path. When
        not all of it could be written or a folder on the way is a link or
        cannot be made, the path is empty, nothing is left behind and the
        result names the folder and the system's reason ("Cannot create file
        in <folder>: No space left on device", say). */
    StagedImage stagePaddedImage (const juce::MemoryBlock& image, const juce::String& imagePath,
                                  const juce::String& subfolder, const juce::String& suffix);

    /** Writes the image's bytes unchanged into its staged file; as above. */
    StagedImage stagePlainImage (const juce::MemoryBlock& image, const juce::String& imagePath,
                                 const juce::String& subfolder, const juce::String& suffix);
}
