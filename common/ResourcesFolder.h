#pragma once

#include <juce_core/juce_core.h>

/** Looks for the program's "resources" folder, starting from a file (normally the
    executable): first the "resources" folder beside it, then up to 15 folders
    upwards for one that is itself named "resources" (case-sensitive).
    Returns the empty File when there is none. A plain file named "resources" is
    not taken for the folder. */
juce::File findResourcesFolder (juce::File start);

/** The resources folder that the loaders use, searched from the running executable. */
juce::File getResourcesFolder();

/** The resources folder searched from the given start file. When there is none,
    this is the "resources" child beside the start file, which does not exist, so
    every lookup under it finds nothing (and never an unrelated folder such as "/"). */
juce::File getResourcesFolder (const juce::File& start);

/** Resolves a path inside the resources folder. Backslashes count as separators,
    and a leading "resources" (in any case, e.g. "Resources") names the folder
    itself: "resources\Assets\x.png" and "Assets/x.png" are the same file. */
juce::File getResourceFile (const juce::String& relativePath);

/** As above, inside the given resources folder. */
juce::File getResourceFile (const juce::String& relativePath, const juce::File& resourcesFolder);
