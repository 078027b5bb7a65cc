#include "firmware/tool/WholeFile.h"

namespace halvik
{
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
}
