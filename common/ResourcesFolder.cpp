#include "common/ResourcesFolder.h"
#include "common/TextConstants.h"

namespace
{
    juce::File executableFile()
    {
        return juce::File::getSpecialLocation (juce::File::currentApplicationFile);
    }
}

juce::File findResourcesFolder (juce::File start)
{
    auto sibling = start.getParentDirectory().getChildFile (texts::resourcesFolderName);

    // Only a folder counts, here and at the end of the walk (and so for
    // getResourcesFolder too): a plain file named "resources" taken for the
    // folder would make every asset lookup fail, and a real resources folder
    // further up would never be found.
    if (sibling.isDirectory())
        return sibling;

    // The walk starts at the executable itself, so its first step lands on the
    // executable's own folder.
    auto dir = start;

    for (int step = 0; step < 15 && dir.getFileName() != texts::resourcesFolderName; ++step)
        dir = dir.getParentDirectory();

    if (dir.getFileName() == texts::resourcesFolderName && dir.isDirectory())
        return dir;

    return {};
}

juce::File getResourcesFolder()
{
    return getResourcesFolder (executableFile());
}

juce::File getResourcesFolder (const juce::File& start)
{
    auto found = findResourcesFolder (start);

    if (found != juce::File())
        return found;

    return start.getParentDirectory().getChildFile (texts::resourcesFolderName);
}

juce::File getResourceFile (const juce::String& relativePath)
{
    return getResourceFile (relativePath, getResourcesFolder());
}

juce::File getResourceFile (const juce::String& relativePath, const juce::File& resourcesFolder)
{
    auto parts = juce::StringArray::fromTokens (relativePath.replaceCharacter ('\\', '/'), "/", {});
    parts.removeEmptyStrings();

    if (! parts.isEmpty() && parts[0].equalsIgnoreCase (texts::resourcesFolderName))
        parts.remove (0);

    return resourcesFolder.getChildFile (parts.joinIntoString ("/"));
}
