#include "firmware/tool/WholeFile.h"

#include "app/VerifiedFileWrite.h"

namespace halvik
{
    juce::MemoryBlock readWholeFile (const juce::String& path)
    {
        juce::MemoryBlock bytes;
        juce::FileInputStream in ((juce::File (path)));

        if (in.openedOk())
            in.readIntoMemoryBlock (bytes);

        return bytes;
    }

    std::optional<juce::MemoryBlock> readWholeFile (const juce::String& path, size_t maxBytes)
    {
        const juce::File file (path);

        if (file.getSize() > (juce::int64) maxBytes)
            return std::nullopt;

        juce::FileInputStream in (file);

        if (! in.openedOk())
            return std::nullopt;

        // One byte past the limit tells a file that grew since its size was read.
        juce::MemoryBlock bytes;
        in.readIntoMemoryBlock (bytes, (ssize_t) maxBytes + 1);

        if (bytes.getSize() > maxBytes || in.getStatus().failed())
            return std::nullopt;

        return bytes;
    }

    bool writeWholeFile (const juce::String& path, const juce::MemoryBlock& bytes)
    {
        return writeFileVerified (juce::File (path), bytes.getData(), bytes.getSize()).wasOk();
    }
}
