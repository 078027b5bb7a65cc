#pragma once

#include <juce_core/juce_core.h>

/** Puts the bytes into the file so that it holds them all or is left as it
    was. They go into a new file under a fresh name in the file's folder
    (created exclusively, so never through a link or into a file that was
    there), are synced to the disk and read back, and only then is the new
    file renamed into the file's place; whatever stood there before, a link
    included, is replaced, never written through. The folder must exist.

    On failure (a full disk, a size limit, no such folder, no permission) the
    new file is removed and the result says "Cannot create file in <folder>: "
    and the system's reason. Any thread. */
juce::Result writeFileVerified (const juce::File& file, const void* data, size_t size);
