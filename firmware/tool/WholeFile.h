#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** The whole file's bytes; none when it cannot be read. Any thread. */
    juce::MemoryBlock readWholeFile (const juce::String& path);

    /** Replaces the file's content with the bytes, creating the file and its
        folders when missing. False when the file could not be created, opened
        or written. Any thread. */
    bool writeWholeFile (const juce::String& path, const juce::MemoryBlock& bytes);
}
