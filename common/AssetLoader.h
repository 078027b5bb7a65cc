#pragma once

#include <juce_graphics/juce_graphics.h>

/** Opens a file of the resources folder, or of its "Assets" subfolder when inAssets
    is true. The name is a relative path; either slash works. The caller owns the
    stream; null when the file cannot be opened. Message thread. */
juce::InputStream* openResourceStream (const char* name, bool inAssets);

/** As above, inside the given resources folder. */
juce::InputStream* openResourceStream (const char* name, bool inAssets, const juce::File& resourcesFolder);

/** Loads a picture of the resources folder once and keeps it in the image cache
    under a key made from its name, so later requests for the same name share it
    without touching the disk. A missing or undecodable file gives the null image
    and is looked for again next time. Message thread. */
juce::Image loadResourceImage (const char* name, bool inAssets);

/** As above, inside the given resources folder (the cache key is still the name alone). */
juce::Image loadResourceImage (const char* name, bool inAssets, const juce::File& resourcesFolder);
