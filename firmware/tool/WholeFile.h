#pragma once

#include <juce_core/juce_core.h>

#include <optional>

namespace halvik
{
    /** The whole file's bytes; none when it cannot be read. Any thread. */
    juce::MemoryBlock readWholeFile (const juce::String& path);

    /** The whole file's bytes when it could be read to its end and holds at
        most maxBytes; otherwise nothing, and a file that is too big is not
        read at all (nor more than maxBytes + 1 of one that grows meanwhile).
        Any thread. */
    std::optional<juce::MemoryBlock> readWholeFile (const juce::String& path, size_t maxBytes);

    /** Puts the bytes into the file in its existing folder, as a new file
        that replaces whatever stood there (writeFileVerified). False when not
        every byte reached the disk; the file is then as it was. Any thread. */
    bool writeWholeFile (const juce::String& path, const juce::MemoryBlock& bytes);
}
