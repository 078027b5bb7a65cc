#pragma once

#include <juce_core/juce_core.h>

#include <optional>

/** The whole content of a file that the user or the outside names, when it is
    a regular file (a link to one counts) of at most maxBytes; otherwise
    nothing. FIFOs, devices, sockets and folders are never read, nothing waits
    for a writer, and never more than maxBytes + 1 bytes are read, so a file
    that grows meanwhile, or holds more than its size says (as files under
    /proc do), is refused without filling memory. Any thread. */
std::optional<juce::MemoryBlock> readWholeFile (const juce::File& file, size_t maxBytes);

/** Whether this thread can open the file for reading, as readWholeFile would,
    whatever its size: only a regular file (a link to one counts) is opened.
    The permission bits alone do not tell it (root, access control lists).
    Any thread. */
bool canOpenForReading (const juce::File& file);
