#pragma once

#include <juce_core/juce_core.h>

#include <optional>

namespace halvik
{
    /** The whole file's bytes when it could be read to its end and holds at
        most maxBytes; otherwise nothing, and a file that is too big is not
        read at all (nor more than maxBytes + 1 of one that grows meanwhile).
        Any thread. */
    std::optional<juce::MemoryBlock> readWholeFile (const juce::String& path, size_t maxBytes);
}
